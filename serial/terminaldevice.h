#pragma once

#include <string>

namespace vantoro {

// Whether a path names a terminal device (a serial port, a USB adapter, a pseudo-terminal from
// socat or a virtual-port driver), told from the device number alone: opening a serial port
// can already reset the equipment on it.
bool IsTerminalDevice(const std::string& strPath);

// What a port's path names when it is no terminal, as its list entry shows it: "Not a Serial
// Port (regular file)"; empty for a terminal, and for a path that cannot be looked at.
std::string NotSerialPortName(const std::string& strPath);

} // namespace vantoro
