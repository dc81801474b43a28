#include "serial/comportnames.h"

namespace vantoro {

// A number no device can have keeps its name, which then opens as "not found".
std::string SystemComDevice(int nPort, const std::string& strName) {
    const std::string node = DeviceNodeForComNumber(nPort);
    return node.empty() ? strName : node;
}

} // namespace vantoro
