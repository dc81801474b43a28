#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantoro {

// Runs one fuzz input through the update engine over a pseudo-terminal (see CEngineFuzzRig for
// the input's layout). Returns the first broken promise, or the empty text.
std::string CheckEngineInput(const std::uint8_t* pData, std::size_t nSize);

} // namespace vantoro
