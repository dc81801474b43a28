#pragma once

#include <functional>
#include <map>
#include <string>

namespace vantoro {

// Tells when ModemManager may open a serial device to look for a modem: it then holds a freshly
// plugged adapter for seconds and sends AT commands that reach the equipment. udev's
// ID_MM_DEVICE_IGNORE (set by the rule the package installs) is what keeps it away.
class CModemManagerCheck {
public:
    using RunningTest = std::function<bool()>;
    // udev properties of the device behind a node; false when udev does not know the device,
    // which ModemManager then never sees either.
    using PropertiesLookup = std::function<bool(const std::string& strNode,
                                                std::map<std::string, std::string>& properties)>;

    // This machine: the process list and udev.
    CModemManagerCheck();
    CModemManagerCheck(RunningTest isRunning, PropertiesLookup lookupProperties);

    // The log line for opening strNode, naming the fix; empty when ModemManager leaves it alone.
    std::string WarningFor(const std::string& strNode) const;

    static bool IsModemManagerRunning();
    static bool UdevPropertiesOf(const std::string& strNode,
                                 std::map<std::string, std::string>& properties);

private:
    RunningTest m_isRunning;
    PropertiesLookup m_lookupProperties;
};

// The check CSerialLine::ProbePort uses when it finds a device; tests hand in their own.
void SetModemManagerCheck(const CModemManagerCheck& check);
std::string ModemManagerWarningFor(const std::string& strNode);

} // namespace vantoro
