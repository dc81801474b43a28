#include "serial/ccomportnumbering.h"

#include "platform/cfilelock.h"

#include "serial/comportnames.h"
#include "serial/networkportname.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <memory>
#include <system_error>
#include <unistd.h>

namespace vantoro {

namespace fs = std::filesystem;

namespace {

// Only the exact form ResolveComDevice looks up: "com7", never "COM7" or "com07".
int LinkNumberOf(const std::string& strName) {
    const int number = ComNumberFromName(strName);
    return number > 0 && strName == "com" + std::to_string(number) ? number : -1;
}

std::string CanonicalOrSelf(const std::string& strPath) {
    std::error_code ec;
    fs::path canonical = fs::canonical(strPath, ec);
    return ec ? strPath : canonical.string();
}

// The numbers the settings' [NetworkPorts] section gives: the user chose them, and a link of
// the same number would be hidden behind them.
std::set<int> NumbersOfNetworkPorts() {
    std::set<int> numbers;
    for (const NetworkComPort& port : ListNetworkComPorts())
        numbers.insert(port.nPort);
    return numbers;
}

int NextFreeNumber(const std::set<int>& taken) {
    int number = kFirstLinkedComPort;
    while (taken.count(number))
        ++number;
    return number;
}

// Devices in a fixed order, so that two seen for the first time together get their numbers
// the same way on every machine and every run.
std::vector<const TtyDevice*> InNumberingOrder(const std::vector<TtyDevice>& devices) {
    std::vector<const TtyDevice*> ordered;
    for (const TtyDevice& device : devices)
        ordered.push_back(&device);
    auto key = [](const TtyDevice* p) {
        const int number = ComNumberForDeviceNode("/dev/" + p->strSysName);
        return std::make_pair(number < 0 ? INT_MAX : number, p->strSysName);
    };
    std::stable_sort(ordered.begin(), ordered.end(),
                     [&](const TtyDevice* a, const TtyDevice* b) { return key(a) < key(b); });
    return ordered;
}

} // namespace

CComPortNumbering::CComPortNumbering(std::string strDosDevicesFolder, std::string strByIdFolder)
    : m_strFolder(std::move(strDosDevicesFolder)), m_strByIdFolder(std::move(strByIdFolder)) {}

std::vector<CComPortNumbering::DosDeviceLink> CComPortNumbering::ReadLinks() const {
    std::vector<DosDeviceLink> links;
    if (m_strFolder.empty())
        return links;
    std::error_code ec;
    for (fs::directory_iterator it(m_strFolder, ec), end; !ec && it != end; it.increment(ec)) {
        const int number = LinkNumberOf(it->path().filename().string());
        if (number < 0)
            continue;
        DosDeviceLink link{number, {}, {}};
        std::error_code linkError;
        if (fs::is_symlink(it->symlink_status(linkError))) {
            link.strText = fs::read_symlink(it->path(), linkError).string();
            fs::path target = fs::canonical(it->path(), linkError);
            if (!linkError)
                link.strTarget = target.string();
        }
        // Anything else by that name still holds the number: no link can be written there.
        links.push_back(std::move(link));
    }
    return links;
}

std::map<std::string, std::string> CComPortNumbering::ReadStableNames() const {
    std::map<std::string, std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(m_strByIdFolder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code linkError;
        fs::path node = fs::canonical(it->path(), linkError);
        if (linkError)
            continue;
        const std::string name = it->path().string();
        auto [at, added] = names.emplace(node.string(), name);
        if (!added && name < at->second)
            at->second = name; // the same choice whatever order the folder lists them in
    }
    return names;
}

ComPortEntry CComPortNumbering::EntryFor(int nPort, const std::string& strNode,
                                         const std::string& strStableName,
                                         const std::vector<TtyDevice>& devices) const {
    static const std::map<std::string, std::string> kNoProperties;
    const std::map<std::string, std::string>* pProperties = &kNoProperties;
    for (const TtyDevice& device : devices) {
        if (CanonicalOrSelf(device.strDeviceNode) == strNode)
            pProperties = &device.properties;
    }
    return {nPort, BuildFriendlyName(*pProperties, strNode), strNode, strStableName};
}

std::vector<ComPortEntry>
CComPortNumbering::LinkedPorts(const std::vector<TtyDevice>& devices) const {
    const std::string byIdPrefix = m_strByIdFolder + "/";
    std::vector<ComPortEntry> entries;
    for (const DosDeviceLink& link : ReadLinks()) {
        // Listed as it is named, never connected to: the server is asked at open time only.
        if (LooksLikeNetworkPortName(link.strText)) {
            entries.push_back({link.nPort, "Network Port (" + link.strText + ")", link.strText});
            continue;
        }
        if (link.strTarget.empty())
            continue; // the device is not there
        const bool byId = link.strText.rfind(byIdPrefix, 0) == 0;
        entries.push_back(EntryFor(link.nPort, link.strTarget, byId ? link.strText : "", devices));
    }
    std::vector<ComPortEntry> ordered = MergeComPortEntries(entries, {});
    // Two links reaching one device (both made by hand, say) list it once, under the lower
    // number; the links themselves stay as they are.
    std::set<std::string> listed;
    std::erase_if(ordered, [&listed](const ComPortEntry& entry) {
        return !listed.insert(entry.strDeviceNode).second;
    });
    return ordered;
}

int CComPortNumbering::WriteLink(int nWanted, const std::string& strTarget, std::set<int>& taken,
                                 std::string& strError) const {
    std::error_code ec;
    fs::create_directories(m_strFolder, ec);
    if (!ec && !fs::is_directory(m_strFolder, ec))
        ec = std::make_error_code(std::errc::not_a_directory);
    if (ec) {
        strError = ec.message();
        return -1;
    }
    int number = nWanted > 0 && !taken.count(nWanted) ? nWanted : NextFreeNumber(taken);
    // Another front end may be numbering the same devices right now: symlink() creates only
    // where nothing is, so whoever comes second sees the first one's link.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const fs::path path = fs::path(m_strFolder) / ("com" + std::to_string(number));
        if (::symlink(strTarget.c_str(), path.c_str()) == 0) {
            taken.insert(number);
            return number;
        }
        if (errno != EEXIST) {
            strError = std::error_code(errno, std::generic_category()).message();
            return -1;
        }
        std::error_code readError;
        if (fs::read_symlink(path, readError) == strTarget && !readError)
            return number;
        taken.insert(number);
        number = NextFreeNumber(taken);
    }
    strError = "no free number";
    return -1;
}

std::unique_ptr<CFileLock> CComPortNumbering::LockFolder() const {
    if (m_strFolder.empty())
        return nullptr;
    std::string strLockFile = m_strFolder;
    while (strLockFile.size() > 1 && strLockFile.back() == '/')
        strLockFile.pop_back();
    return std::make_unique<CFileLock>(strLockFile + ".lock");
}

int CComPortNumbering::LinkNetworkPort(const std::string& strName, const std::vector<int>& listed,
                                       std::string& strError) {
    if (m_strFolder.empty()) {
        strError = "no folder for COM number links";
        return -1;
    }
    const std::unique_ptr<CFileLock> pLock = LockFolder();
    if (pLock->IsHeldElsewhere()) {
        strError = pLock->Problem();
        return -1;
    }
    std::set<int> taken = NumbersOfNetworkPorts();
    taken.insert(listed.begin(), listed.end());
    for (const DosDeviceLink& link : ReadLinks()) {
        if (link.strText == strName || IsSameNetworkPort(link.strText, strName))
            return link.nPort;
        taken.insert(link.nPort);
    }
    return WriteLink(-1, strName, taken, strError);
}

std::vector<ComPortEntry> CComPortNumbering::NumberPorts(const std::vector<TtyDevice>& devices,
                                                         std::vector<std::string>& logTexts) {
    // The window and any command line may number at the same moment, each seeing its own set
    // of devices: the links are read, judged and written by one of them at a time, so the
    // second sees the first one's links before it decides.
    const std::unique_ptr<CFileLock> pLock = LockFolder();
    // A holder that never lets go must not hold the ports list: this time nothing is written
    // and devices keep their plug-order numbers, as where no link can be written.
    const bool bMayWrite = !pLock || !pLock->IsHeldElsewhere();
    if (!bMayWrite) {
        logTexts.push_back("COM numbers: " + pLock->Problem() +
                           "; no new links are written this time, so new devices keep their "
                           "plug-order numbers");
    }
    const std::vector<DosDeviceLink> links = ReadLinks();
    const std::map<std::string, std::string> stableNames = ReadStableNames();
    std::set<int> taken = NumbersOfNetworkPorts();
    std::set<std::string> reached; // nodes a link already opens
    for (const DosDeviceLink& link : links) {
        taken.insert(link.nPort);
        if (!link.strTarget.empty())
            reached.insert(link.strTarget);
    }

    std::vector<ComPortEntry> linked = LinkedPorts(devices);
    std::vector<ComPortEntry> builtIn;
    for (const TtyDevice* pDevice : InNumberingOrder(devices)) {
        const std::string node = CanonicalOrSelf(pDevice->strDeviceNode);
        if (reached.count(node))
            continue; // listed under its link
        const int builtInNumber = ComNumberForDeviceNode("/dev/" + pDevice->strSysName);
        auto stable = stableNames.find(node);
        const std::string strStable = stable == stableNames.end() ? "" : stable->second;
        // A by-id name survives re-plugging; a UART on the board keeps its node, so that is
        // what its link names. A device without either that has its built-in number free needs
        // no link; one whose number a link holds gets one of its own.
        const bool bBuiltInFree = builtInNumber > 0 && !taken.count(builtInNumber);
        std::string strTarget = !strStable.empty() ? strStable
                                : !bBuiltInFree    ? pDevice->strDeviceNode
                                                   : "";
        if (!strTarget.empty() && !m_strFolder.empty() && bMayWrite) {
            std::string strError;
            const int number =
                WriteLink(strStable.empty() ? -1 : builtInNumber, strTarget, taken, strError);
            if (number > 0) {
                reached.insert(node);
                linked.push_back(EntryFor(number, node, strStable, devices));
                continue;
            }
            logTexts.push_back("Cannot write a COM number link for " + pDevice->strDeviceNode +
                               " in " + m_strFolder + ": " + strError + ". " +
                               (bBuiltInFree
                                    ? "It keeps its plug-order number COM " +
                                          std::to_string(builtInNumber) + " meanwhile"
                                    : "It cannot be listed until the link can be written"));
        }
        if (bBuiltInFree)
            builtIn.push_back(EntryFor(builtInNumber, node, strStable, devices));
    }
    return MergeComPortEntries(linked, builtIn);
}

} // namespace vantoro
