#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantoro {

// One fuzz input as vantoro-cli meets it: either an argument vector (split at zero bytes) that
// the parser must refuse with a message naming what is wrong, or accept; or one finished unit
// with arbitrary file, model and result texts whose report lines must parse back as one CSV
// record and one JSON object holding the same texts. Returns the first broken promise.
std::string CheckCliInput(const std::uint8_t* pData, std::size_t nSize);

} // namespace vantoro
