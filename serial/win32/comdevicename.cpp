#include "serial/comportnames.h"

namespace vantoro {

// Windows numbers its ports itself; the device namespace form opens COM10 and above too.
std::string SystemComDevice(int nPort, const std::string& /*strName*/) {
    return "\\\\.\\COM" + std::to_string(nPort);
}

} // namespace vantoro
