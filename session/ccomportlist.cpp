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
}

bool CComPortList::Replace(std::vector<ComPortEntry> entries) {
    m_entries = std::move(entries);
    if (m_nPortNumber != 0 && IndexOf(m_nPortNumber) >= 0)
        return true;
    m_nPortNumber = 0;
    return false;
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

int CComPortList::Select(int nPort) {
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
