#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantoro {

// Runs one fuzz input through the file check: a piece size, then the file's bytes. Any input
// must give the same verdict whatever pieces it is fed in, with bounded findings, and a file the
// check passes must be taken record by record by the simulated boot loader, to the '+' of its
// termination record. Returns the first broken promise, or the empty text.
std::string CheckFileCheckInput(const std::uint8_t* pData, std::size_t nSize);

} // namespace vantoro
