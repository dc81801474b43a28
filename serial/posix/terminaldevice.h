#pragma once

#include <string>

namespace vantoro {

// Whether a path names a terminal device (a serial port, a USB adapter, a pseudo-terminal from
// socat or a virtual-port driver), told from the device number alone: opening a serial port
// can already reset the equipment on it.
bool IsTerminalDevice(const std::string& strPath);

} // namespace vantoro
