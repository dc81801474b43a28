#include "serial/comportdiscovery.h"

#include "serial/comportnames.h"

#include <algorithm>
#include <filesystem>
#include <libudev.h>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <system_error>

namespace vantoro {

namespace {

struct UdevDeleter {
    void operator()(udev* p) const { udev_unref(p); }
    void operator()(udev_enumerate* p) const { udev_enumerate_unref(p); }
    void operator()(udev_device* p) const { udev_device_unref(p); }
};
using UdevPtr = std::unique_ptr<udev, UdevDeleter>;
using UdevEnumeratePtr = std::unique_ptr<udev_enumerate, UdevDeleter>;
using UdevDevicePtr = std::unique_ptr<udev_device, UdevDeleter>;

std::map<std::string, std::string> PropertiesOf(udev_device* device) {
    std::map<std::string, std::string> properties;
    udev_list_entry* entry = udev_device_get_properties_list_entry(device);
    for (; entry; entry = udev_list_entry_get_next(entry)) {
        const char* value = udev_list_entry_get_value(entry);
        properties[udev_list_entry_get_name(entry)] = value ? value : "";
    }
    return properties;
}

// udev properties of the character device behind a node; empty when udev does not know it.
std::map<std::string, std::string> PropertiesOfNode(udev* context, const std::string& strNode) {
    struct stat st {};
    if (!context || ::stat(strNode.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
        return {};
    UdevDevicePtr device(udev_device_new_from_devnum(context, 'c', st.st_rdev));
    return device ? PropertiesOf(device.get()) : std::map<std::string, std::string>{};
}

// The device's /dev/serial/by-id/ link, which names the same adapter whatever its plug order.
std::string StableNameOf(udev_device* device) {
    static const std::string kById = "/dev/serial/by-id/";
    udev_list_entry* entry = udev_device_get_devlinks_list_entry(device);
    for (; entry; entry = udev_list_entry_get_next(entry)) {
        const char* link = udev_list_entry_get_name(entry);
        if (link && std::string(link).rfind(kById, 0) == 0)
            return link;
    }
    return {};
}

// Legacy 8250 ports are registered whether or not a UART answers; the type says which do.
bool IsUsableTty(udev_device* device) {
    if (!udev_device_get_parent(device))
        return false; // virtual terminals, consoles, pseudo-terminals
    const char* sysname = udev_device_get_sysname(device);
    if (sysname && std::string(sysname).rfind("ttyS", 0) == 0) {
        const char* type = udev_device_get_sysattr_value(device, "type");
        return type && std::string(type) != "0";
    }
    return true;
}

// Hardware ttys with a COM number; false when udev could not be asked.
bool ListUdevPorts(udev* context, std::vector<ComPortEntry>& entries) {
    if (!context)
        return false;
    UdevEnumeratePtr enumerate(udev_enumerate_new(context));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "tty") < 0 ||
        udev_enumerate_scan_devices(enumerate.get()) < 0)
        return false;
    udev_list_entry* entry = udev_enumerate_get_list_entry(enumerate.get());
    for (; entry; entry = udev_list_entry_get_next(entry)) {
        UdevDevicePtr device(
            udev_device_new_from_syspath(context, udev_list_entry_get_name(entry)));
        if (!device || !IsUsableTty(device.get()))
            continue;
        const char* node = udev_device_get_devnode(device.get());
        int number = node ? ComNumberForDeviceNode(node) : -1;
        if (number < 0)
            continue; // no "\\.\ComN" name could reach it
        entries.push_back({number, BuildFriendlyName(PropertiesOf(device.get()), node), node,
                           StableNameOf(device.get())});
    }
    return true;
}

std::vector<ComPortEntry> ListLinkedPorts(udev* context, const std::string& strFolder) {
    namespace fs = std::filesystem;
    std::vector<ComPortEntry> entries;
    if (strFolder.empty())
        return entries;
    std::error_code ec;
    for (fs::directory_iterator it(strFolder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.rfind("com", 0) != 0 || ComNumberFromName(name) < 0)
            continue;
        std::error_code linkError;
        if (!fs::is_symlink(it->symlink_status(linkError)))
            continue;
        fs::path target = fs::canonical(it->path(), linkError);
        if (linkError)
            continue; // dangling: the device is not there
        const std::string node = target.string();
        const std::string linkText = fs::read_symlink(it->path(), linkError).string();
        const bool byId = !linkError && linkText.rfind("/dev/serial/by-id/", 0) == 0;
        entries.push_back({ComNumberFromName(name),
                           BuildFriendlyName(PropertiesOfNode(context, node), node), node,
                           byId ? linkText : std::string()});
    }
    return entries;
}

std::string ValueOf(const std::map<std::string, std::string>& properties, const char* pszKey) {
    auto it = properties.find(pszKey);
    if (it == properties.end())
        return {};
    std::string value = it->second;
    bool blank = std::all_of(value.begin(), value.end(), [](char c) { return c == ' '; });
    return blank ? std::string() : value;
}

} // namespace

std::string BuildFriendlyName(const std::map<std::string, std::string>& properties,
                              const std::string& strDeviceNode) {
    std::string text = ValueOf(properties, "ID_MODEL_FROM_DATABASE");
    if (text.empty()) {
        // udev writes spaces in the plain model text as underscores.
        text = ValueOf(properties, "ID_MODEL");
        std::replace(text.begin(), text.end(), '_', ' ');
    }
    if (text.empty())
        text = ValueOf(properties, "ID_VENDOR_FROM_DATABASE");
    if (text.empty())
        text = "Serial Port";
    return text + " (" + strDeviceNode + ")";
}

std::vector<ComPortEntry> ListDosDevicePorts(const std::string& strFolder) {
    UdevPtr context(udev_new());
    return ListLinkedPorts(context.get(), strFolder);
}

std::vector<ComPortEntry> MergeComPortEntries(const std::vector<ComPortEntry>& preferred,
                                              const std::vector<ComPortEntry>& others) {
    std::vector<ComPortEntry> merged;
    std::set<int> taken;
    for (const auto* list : {&preferred, &others}) {
        for (const ComPortEntry& entry : *list) {
            if (taken.insert(entry.nPort).second)
                merged.push_back(entry);
        }
    }
    std::stable_sort(
        merged.begin(), merged.end(),
        [](const ComPortEntry& a, const ComPortEntry& b) { return a.nPort < b.nPort; });
    return merged;
}

bool DiscoverComPortEntries(std::vector<ComPortEntry>& entries) {
    UdevPtr context(udev_new());
    std::vector<ComPortEntry> hardware;
    bool ok = ListUdevPorts(context.get(), hardware);
    // A link decides what its number opens, so it replaces a built-in port of the same number.
    std::vector<ComPortEntry> linked = ListLinkedPorts(context.get(), GetDosDevicesFolder());
    for (ComPortEntry& entry : MergeComPortEntries(linked, hardware))
        entries.push_back(std::move(entry));
    return ok;
}

bool DiscoverComPorts(std::vector<int>& ports, std::vector<std::string>& names) {
    std::vector<ComPortEntry> entries;
    const bool ok = DiscoverComPortEntries(entries);
    for (const ComPortEntry& entry : entries) {
        ports.push_back(entry.nPort);
        names.push_back(entry.strFriendlyName);
    }
    return ok;
}

} // namespace vantoro
