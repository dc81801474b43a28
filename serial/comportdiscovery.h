#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vantoro {

// One port found on the machine.
struct ComPortEntry {
    int nPort = 0;
    std::string strFriendlyName;
    std::string strDeviceNode = {}; // what the number opens now, e.g. /dev/ttyUSB0
    std::string strStableName = {}; // its /dev/serial/by-id/ name, empty when it has none
};

// A hardware tty as udev reports it.
struct TtyDevice {
    std::string strSysName;    // kernel name (ttyUSB0); decides the built-in COM number
    std::string strDeviceNode; // the node to open, normally /dev/ + the kernel name
    std::map<std::string, std::string> properties = {}; // udev properties, for the name
};

// Where discovery looks. A test hands in its own device list and folders; Machine() gives the
// real ones.
struct ComPortSources {
    // Fills the hardware ttys; false when the enumeration could not run.
    std::function<bool(std::vector<TtyDevice>&)> listDevices;
    std::string strByIdFolder;
    std::string strDosDevicesFolder; // empty: no links are read or written

    // udev, /dev/serial/by-id and the folder SetDosDevicesFolder set.
    static ComPortSources Machine();
};

// Finds the serial ports present, ordered by COM number, with the network ports the settings
// number. On Linux: hardware ttys from udev (legacy ttyS ports only when a UART is behind them)
// plus every comN link whose target exists. On Windows: the ports SetupAPI knows (the COM port
// interface and the Ports class) plus any COM device name the system defines without one. A device
// seen for the first time gets its comN link written here (CComPortNumbering), so every front end
// numbers alike. Appends to both lists in step; false when udev could not be asked (the links
// found are still listed). Problems worth a log line are dropped: callers that log use the
// overload with log texts.
bool DiscoverComPorts(std::vector<int>& ports, std::vector<std::string>& names);
bool DiscoverComPortEntries(std::vector<ComPortEntry>& entries);

// As above, and appends to logTexts each problem not reported before in this process (an
// unwritable dosdevices folder, say), for the caller to log as a system event.
bool DiscoverComPortEntries(std::vector<ComPortEntry>& entries, std::vector<std::string>& logTexts);

// The same from given sources; every problem goes to logTexts, also repeated ones.
bool DiscoverComPortEntries(std::vector<ComPortEntry>& entries, std::vector<std::string>& logTexts,
                            const ComPortSources& sources);

// The machine's hardware ttys; false when udev could not be asked.
bool ListUdevTtyDevices(std::vector<TtyDevice>& devices);

// The model or vendor text of udev properties (ID_MODEL_FROM_DATABASE, ID_MODEL,
// ID_VENDOR_FROM_DATABASE), else "Serial Port", followed by the node in brackets.
std::string BuildFriendlyName(const std::map<std::string, std::string>& properties,
                              const std::string& strDeviceNode);

// The ports that the comN links of a folder name, targets that exist only; writes nothing.
std::vector<ComPortEntry> ListDosDevicePorts(const std::string& strFolder);

// The ports the [NetworkPorts] section of the settings names, by number, each named as a
// network port reached through a link is: "Network Port (rfc2217://lab-server:7001)".
std::vector<ComPortEntry> NetworkComPortEntries();

// The COM number of a friendly name as Windows gives it, "USB Serial Port (COM5)": the text
// between the last "(" and the last ")" (three characters at least), its first three characters
// (the letters COM) dropped, the rest read as a decimal number (0 when it holds no digits).
// False when the name has no such part.
bool ComNumberFromFriendlyName(const std::string& strName, int& nPort);

// Orders entries by number; where two share a number the earlier one in the list wins.
std::vector<ComPortEntry> MergeComPortEntries(const std::vector<ComPortEntry>& preferred,
                                              const std::vector<ComPortEntry>& others);

} // namespace vantoro
