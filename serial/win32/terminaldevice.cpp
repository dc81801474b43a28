// On Windows a serial port is opened by its COM device name, "\\.\COM5" or "COM5": that name is
// the terminal device, told from the name alone, as opening the port can already reset the
// equipment on it.
#include "serial/terminaldevice.h"

#include "serial/comportnames.h"

namespace vantoro {

bool IsTerminalDevice(const std::string& strPath) {
    return ComNumberFromName(strPath) > 0;
}

// Windows lists COM devices only: there is no file among them to name.
std::string NotSerialPortName(const std::string&) {
    return {};
}

} // namespace vantoro
