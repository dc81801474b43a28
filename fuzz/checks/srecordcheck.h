#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantoro {

// Runs one fuzz input through the simulated boot loader's record checker: an optional
// programmable range, then one received line. Returns the first broken promise, or the empty
// text when the verdict is the one the record's own bytes call for.
std::string CheckSRecordInput(const std::uint8_t* pData, std::size_t nSize);

} // namespace vantoro
