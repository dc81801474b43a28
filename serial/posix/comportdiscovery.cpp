#include "serial/comportdiscovery.h"

#include "serial/ccomportnumbering.h"
#include "serial/comportnames.h"
#include "serial/terminaldevice.h"

#include <algorithm>
#include <libudev.h>
#include <memory>
#include <mutex>
#include <set>

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

const char kSerialByIdFolder[] = "/dev/serial/by-id";

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
    return CComPortNumbering(strFolder, kSerialByIdFolder).LinkedPorts({});
}

bool ListUdevTtyDevices(std::vector<TtyDevice>& devices) {
    UdevPtr context(udev_new());
    if (!context)
        return false;
    UdevEnumeratePtr enumerate(udev_enumerate_new(context.get()));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "tty") < 0 ||
        udev_enumerate_scan_devices(enumerate.get()) < 0)
        return false;
    udev_list_entry* entry = udev_enumerate_get_list_entry(enumerate.get());
    for (; entry; entry = udev_list_entry_get_next(entry)) {
        UdevDevicePtr device(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (!device || !IsUsableTty(device.get()))
            continue;
        const char* node = udev_device_get_devnode(device.get());
        const char* sysname = udev_device_get_sysname(device.get());
        if (node && sysname)
            devices.push_back({sysname, node, PropertiesOf(device.get())});
    }
    return true;
}

ComPortSources ComPortSources::Machine() {
    return {ListUdevTtyDevices, kSerialByIdFolder, GetDosDevicesFolder()};
}

bool DiscoverComPortEntries(std::vector<ComPortEntry>& entries, std::vector<std::string>& logTexts,
                            const ComPortSources& sources) {
    std::vector<TtyDevice> devices;
    const bool ok = sources.listDevices && sources.listDevices(devices);
    CComPortNumbering numbering(sources.strDosDevicesFolder, sources.strByIdFolder);
    // A number the settings give a network port opens that port, so it is listed as such.
    for (ComPortEntry& entry :
         MergeComPortEntries(NetworkComPortEntries(), numbering.NumberPorts(devices, logTexts))) {
        // A link may name anything: what is not a terminal is listed as what it is.
        if (!entry.strDeviceNode.empty() && entry.strDeviceNode.front() == '/') {
            std::string strNotSerial = NotSerialPortName(entry.strDeviceNode);
            if (!strNotSerial.empty())
                entry.strFriendlyName = std::move(strNotSerial);
        }
        entries.push_back(std::move(entry));
    }
    return ok;
}

bool DiscoverComPortEntries(std::vector<ComPortEntry>& entries,
                            std::vector<std::string>& logTexts) {
    std::vector<std::string> problems;
    const bool ok = DiscoverComPortEntries(entries, problems, ComPortSources::Machine());
    // The list is read again whenever a device comes or goes: a lasting problem is told once.
    static std::mutex mutex;
    static std::set<std::string> told;
    std::lock_guard<std::mutex> lock(mutex);
    for (std::string& text : problems) {
        if (told.insert(text).second)
            logTexts.push_back(std::move(text));
    }
    return ok;
}

bool DiscoverComPortEntries(std::vector<ComPortEntry>& entries) {
    std::vector<std::string> ignored;
    return DiscoverComPortEntries(entries, ignored, ComPortSources::Machine());
}

} // namespace vantoro
