#include "session/ccomportlist.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace vantoro {

namespace {

// Where a name finally leads; the name itself when it leads nowhere (a vanished device).
std::string CanonicalOf(const std::string& strName) {
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::canonical(strName, error);
    return error ? strName : canonical.string();
}

} // namespace

void CComPortList::Fill(std::vector<ComPortEntry> entries) {
    m_entries = std::move(entries);
    m_nPortNumber = 0;
    m_nChosenPort = 0;
}

bool CComPortList::Replace(std::vector<ComPortEntry> entries) {
    m_entries = std::move(entries);
    m_nPortNumber = m_nChosenPort != 0 && IndexOf(m_nChosenPort) >= 0 ? m_nChosenPort : 0;
    return m_nPortNumber != 0;
}

int CComPortList::IndexOf(int nPort) const {
    const auto found = std::find_if(m_entries.begin(), m_entries.end(),
                                    [nPort](const ComPortEntry& e) { return e.nPort == nPort; });
    return found == m_entries.end() ? -1 : static_cast<int>(found - m_entries.begin());
}

const ComPortEntry* CComPortList::FindByDevice(const std::string& strName) const {
    if (strName.empty())
        return nullptr;
    const std::string strCanonical = CanonicalOf(strName);
    for (const ComPortEntry& entry : m_entries) {
        if (entry.strDeviceNode == strName || entry.strStableName == strName ||
            (!entry.strDeviceNode.empty() && CanonicalOf(entry.strDeviceNode) == strCanonical))
            return &entry;
    }
    return nullptr;
}

bool CComPortList::AnyDeviceGone() const {
    return std::any_of(m_entries.begin(), m_entries.end(), [](const ComPortEntry& entry) {
        std::error_code error;
        // Only a node that is not there counts; one that cannot be looked at is left listed,
        // and a network port (a URL, not a path) is never gone from the file system.
        return !entry.strDeviceNode.empty() && entry.strDeviceNode.front() == '/' &&
               !std::filesystem::exists(entry.strDeviceNode, error) && !error;
    });
}

int CComPortList::Select(int nPort) {
    const int nIndex = UseInstead(nPort);
    if (nIndex >= 0)
        m_nChosenPort = nPort;
    return nIndex;
}

int CComPortList::UseInstead(int nPort) {
    const int nIndex = IndexOf(nPort);
    if (nIndex >= 0)
        m_nPortNumber = nPort;
    return nIndex;
}

std::string CComPortList::EntryText(int nPort, const std::string& strFriendlyName) {
    std::string strText = "Com " + std::to_string(nPort);
    if (!strFriendlyName.empty())
        strText += " - " + strFriendlyName;
    return strText;
}

} // namespace vantoro
