#pragma once

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

// Finds the serial ports present: hardware ttys from udev (legacy ttyS ports only when a UART is
// behind them) plus every comN link whose target exists; ordered by COM number, a link taking
// its number over from a built-in one. Appends to both lists in step; false when udev could not
// be asked (the links found are still listed).
bool DiscoverComPorts(std::vector<int>& ports, std::vector<std::string>& names);

// The same ports with their device nodes and stable names, for every front end that lists
// ports; false when udev could not be asked (the links found are still listed).
bool DiscoverComPortEntries(std::vector<ComPortEntry>& entries);

// The model or vendor text of udev properties (ID_MODEL_FROM_DATABASE, ID_MODEL,
// ID_VENDOR_FROM_DATABASE), else "Serial Port", followed by the node in brackets.
std::string BuildFriendlyName(const std::map<std::string, std::string>& properties,
                              const std::string& strDeviceNode);

// The ports that the comN links of a folder name, targets that exist only.
std::vector<ComPortEntry> ListDosDevicePorts(const std::string& strFolder);

// Orders entries by number; where two share a number the earlier one in the list wins.
std::vector<ComPortEntry> MergeComPortEntries(const std::vector<ComPortEntry>& preferred,
                                              const std::vector<ComPortEntry>& others);

} // namespace vantoro
