#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantoro {

// Builds a dosdevices folder, a by-id folder and a set of devices from one fuzz input (names,
// links, dangling links, loops, links the user made by hand), numbers the ports twice, and
// returns the first broken promise: a number or a device listed twice, a link that was there
// before changed or gone, a second look that disagrees with the first. Empty when all hold.
std::string CheckPortNumberingInput(const std::uint8_t* pData, std::size_t nSize);

} // namespace vantoro
