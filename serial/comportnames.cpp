#include "serial/comportnames.h"

#include "platform/cprofilefile.h"
#include "serial/networkportname.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>

namespace vantoro {

namespace {

// Each built-in family gets 32 numbers, so that the families never share one.
constexpr int kFamilySize = 32;

struct NodeFamily {
    const char* pszPrefix;
    int nFirstPort;
};

constexpr NodeFamily kFamilies[] = {
    {"/dev/ttyS", 1}, {"/dev/ttyUSB", 33}, {"/dev/ttyACM", 65}, {"/dev/ttyAMA", 97}};

std::mutex& FolderMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string& FolderSetting() {
    static std::string folder;
    return folder;
}

std::string& NetworkPortsFile() {
    static std::string file;
    return file;
}

// Digits only, no sign, no leading blanks; -1 otherwise or when too long to be a port.
int ParseIndex(const std::string& strDigits) {
    if (strDigits.empty() || strDigits.size() > 6)
        return -1;
    int value = 0;
    for (char c : strDigits) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool StartsWithNoCase(const std::string& str, const std::string& prefix) {
    if (str.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(str[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

} // namespace

void SetDosDevicesFolder(const std::string& strFolder) {
    std::lock_guard<std::mutex> lock(FolderMutex());
    FolderSetting() = strFolder;
}

std::string GetDosDevicesFolder() {
    std::lock_guard<std::mutex> lock(FolderMutex());
    return FolderSetting();
}

void SetNetworkPortsFile(const std::string& strSettingsFile) {
    std::lock_guard<std::mutex> lock(FolderMutex());
    NetworkPortsFile() = strSettingsFile;
}

std::string GetNetworkPortsFile() {
    std::lock_guard<std::mutex> lock(FolderMutex());
    return NetworkPortsFile();
}

std::vector<NetworkComPort> ListNetworkComPorts() {
    const std::string file = GetNetworkPortsFile();
    std::vector<NetworkComPort> ports;
    if (file.empty())
        return ports;
    for (const auto& [strKey, strValue] : GetPrivateProfileSection("NetworkPorts", file)) {
        const int number = ComNumberFromName(strKey);
        NetworkPortName parsed;
        if (number > 0 && ParseNetworkPortName(strValue, parsed))
            ports.push_back({number, strValue});
    }
    std::stable_sort(
        ports.begin(), ports.end(),
        [](const NetworkComPort& a, const NetworkComPort& b) { return a.nPort < b.nPort; });
    return ports;
}

int ComNumberFromName(const std::string& strName) {
    std::string rest = strName;
    if (rest.rfind("\\\\.\\", 0) == 0)
        rest = rest.substr(4);
    if (!StartsWithNoCase(rest, "com"))
        return -1;
    int number = ParseIndex(rest.substr(3));
    return number >= 1 ? number : -1;
}

int ComNumberForDeviceNode(const std::string& strNode) {
    for (const NodeFamily& family : kFamilies) {
        std::string prefix = family.pszPrefix;
        if (strNode.compare(0, prefix.size(), prefix) != 0)
            continue;
        int index = ParseIndex(strNode.substr(prefix.size()));
        if (index >= 0 && index < kFamilySize)
            return family.nFirstPort + index;
    }
    return -1;
}

std::string DeviceNodeForComNumber(int nPort) {
    for (const NodeFamily& family : kFamilies) {
        if (nPort >= family.nFirstPort && nPort < family.nFirstPort + kFamilySize)
            return family.pszPrefix + std::to_string(nPort - family.nFirstPort);
    }
    return {};
}

namespace {

std::map<int, std::string>& ProcessDevices() {
    static std::map<int, std::string> devices;
    return devices;
}

} // namespace

int AddProcessComDevice(const std::string& strName, const std::vector<int>& listed) {
    const std::string folder = GetDosDevicesFolder();
    std::lock_guard<std::mutex> lock(FolderMutex());
    for (const auto& [number, name] : ProcessDevices()) {
        if (name == strName)
            return number;
    }
    int number = kFirstLinkedComPort;
    for (;; ++number) {
        std::error_code ec;
        const bool bLinked =
            !folder.empty() &&
            std::filesystem::symlink_status(folder + "/com" + std::to_string(number), ec).type() !=
                std::filesystem::file_type::not_found;
        if (!bLinked && !ProcessDevices().count(number) &&
            std::find(listed.begin(), listed.end(), number) == listed.end())
            break;
    }
    ProcessDevices()[number] = strName;
    return number;
}

std::string ResolveComDevice(const std::string& strName) {
    int number = ComNumberFromName(strName);
    if (number < 0)
        return strName;
    {
        std::lock_guard<std::mutex> lock(FolderMutex());
        auto it = ProcessDevices().find(number);
        if (it != ProcessDevices().end())
            return it->second;
    }
    // The settings' own word for a number goes before any link or device.
    for (const NetworkComPort& port : ListNetworkComPorts()) {
        if (port.nPort == number)
            return port.strName;
    }
    std::string folder = GetDosDevicesFolder();
    if (!folder.empty()) {
        namespace fs = std::filesystem;
        std::error_code ec;
        fs::path link = fs::path(folder) / ("com" + std::to_string(number));
        if (fs::is_symlink(fs::symlink_status(link, ec))) {
            fs::path target = fs::read_symlink(link, ec);
            // A network port name is no path: it is opened as it stands.
            if (!ec && LooksLikeNetworkPortName(target.string()))
                return target.string();
            if (!ec)
                return (target.is_absolute() ? target : fs::path(folder) / target).string();
        }
    }
    return SystemComDevice(number, strName);
}

} // namespace vantoro
