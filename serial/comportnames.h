#pragma once

#include <string>
#include <vector>

namespace vantoro {

// The folder holding Wine-style "comN" links (beside the settings file). The program sets it at
// start-up; tests point it at a folder of their own. Empty means no links are consulted.
void SetDosDevicesFolder(const std::string& strFolder);
std::string GetDosDevicesFolder();

// The settings file whose [NetworkPorts] section gives network ports a COM number, one key a
// port: "COM20=rfc2217://lab-server:7001". The program sets it at start-up; empty means none.
void SetNetworkPortsFile(const std::string& strSettingsFile);
std::string GetNetworkPortsFile();

// The section's ports, by number; keys that name no COM number and values that are no network
// port name are left out.
struct NetworkComPort {
    int nPort = 0;
    std::string strName;
};
std::vector<NetworkComPort> ListNetworkComPorts();

// COM number of a "\\.\ComN" or "ComN" name (case-insensitive), or -1 when the name has no
// such form.
int ComNumberFromName(const std::string& strName);

// Built-in numbering of device nodes: /dev/ttyS(k) is COM k+1, /dev/ttyUSB(k) COM 33+k,
// /dev/ttyACM(k) COM 65+k, /dev/ttyAMA(k) COM 97+k (k below 32); -1 for any other node.
// Numbers from kFirstLinkedComPort up are never built in: they are free for comN links.
int ComNumberForDeviceNode(const std::string& strNode);
constexpr int kFirstLinkedComPort = 129;

// Inverse of ComNumberForDeviceNode; empty for a number outside the built-in ranges.
std::string DeviceNodeForComNumber(int nPort);

// The device node to open for a port name: a "\\.\ComN" name goes to the network port the
// [NetworkPorts] section gives it, else through the comN link when one exists, else the
// system's own numbering; any other name (a plain device path) is returned unchanged.
std::string ResolveComDevice(const std::string& strName);

// What COM nPort is on this system when nothing maps it: the built-in numbering on Linux
// (strName when the number has no device), "\\.\COMn" on Windows.
std::string SystemComDevice(int nPort, const std::string& strName);

// A port given by its name (a network port or an unlisted terminal device) that no listed
// number reaches gets a number for this process alone, free of links and listed ports; the
// number then resolves to the name before any link. Returns the number.
int AddProcessComDevice(const std::string& strName, const std::vector<int>& listed);

} // namespace vantoro
