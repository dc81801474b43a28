#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantoro {

// Runs one fuzz input through the settings-file reader and writer: the input gives a few writes
// (section, key, value) and then the file's bytes. Returns the first broken promise, or the
// empty text when every read, write and number scan behaved.
std::string CheckProfileInput(const std::uint8_t* pData, std::size_t nSize);

} // namespace vantoro
