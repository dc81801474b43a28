#include "serial/posix/cmodemmanagercheck.h"

#include <filesystem>
#include <fstream>
#include <libudev.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <system_error>

namespace vantoro {

namespace {

std::mutex& CheckMutex() {
    static std::mutex mutex;
    return mutex;
}

CModemManagerCheck& CurrentCheck() {
    static CModemManagerCheck check;
    return check;
}

bool IsSet(const std::map<std::string, std::string>& properties, const char* pszKey) {
    auto it = properties.find(pszKey);
    return it != properties.end() && it->second == "1";
}

} // namespace

CModemManagerCheck::CModemManagerCheck()
    : CModemManagerCheck(&CModemManagerCheck::IsModemManagerRunning,
                         &CModemManagerCheck::UdevPropertiesOf) {}

CModemManagerCheck::CModemManagerCheck(RunningTest isRunning, PropertiesLookup lookupProperties)
    : m_isRunning(std::move(isRunning)), m_lookupProperties(std::move(lookupProperties)) {}

std::string CModemManagerCheck::WarningFor(const std::string& strNode) const {
    std::map<std::string, std::string> properties;
    if (!m_lookupProperties || !m_lookupProperties(strNode, properties))
        return {};
    if (IsSet(properties, "ID_MM_DEVICE_IGNORE") || IsSet(properties, "ID_MM_PORT_IGNORE"))
        return {};
    if (!m_isRunning || !m_isRunning())
        return {};
    return "ModemManager is running and may probe " + strNode +
           " (it holds a new port for seconds and sends it modem commands): install Vantoro's "
           "udev rule 77-vantoro-mm-ignore.rules (the package does, for the usual USB-serial "
           "adapters; add this adapter's USB ids to a copy in /etc/udev/rules.d) or stop it with "
           "sudo systemctl disable --now ModemManager, then replug the adapter";
}

bool CModemManagerCheck::IsModemManagerRunning() {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::string command;
        std::getline(std::ifstream(it->path() / "comm"), command);
        if (command == "ModemManager")
            return true;
    }
    return false;
}

bool CModemManagerCheck::UdevPropertiesOf(const std::string& strNode,
                                          std::map<std::string, std::string>& properties) {
    struct stat st {};
    if (::stat(strNode.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    std::unique_ptr<udev, decltype(&udev_unref)> context(udev_new(), &udev_unref);
    if (!context)
        return false;
    std::unique_ptr<udev_device, decltype(&udev_device_unref)> device(
        udev_device_new_from_devnum(context.get(), 'c', st.st_rdev), &udev_device_unref);
    // Pseudo-terminals and other devices udev never announced are no business of ModemManager.
    if (!device || !udev_device_get_is_initialized(device.get()))
        return false;
    udev_list_entry* entry = udev_device_get_properties_list_entry(device.get());
    for (; entry; entry = udev_list_entry_get_next(entry)) {
        const char* value = udev_list_entry_get_value(entry);
        properties[udev_list_entry_get_name(entry)] = value ? value : "";
    }
    return true;
}

void SetModemManagerCheck(const CModemManagerCheck& check) {
    std::lock_guard<std::mutex> lock(CheckMutex());
    CurrentCheck() = check;
}

std::string ModemManagerWarningFor(const std::string& strNode) {
    CModemManagerCheck check;
    {
        std::lock_guard<std::mutex> lock(CheckMutex());
        check = CurrentCheck();
    }
    return check.WarningFor(strNode);
}

} // namespace vantoro
