#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantoro {

// Runs every byte of one fuzz input through the reply table as the equipment's answer to a
// record, the rest of the input naming the model. Returns the first broken promise (a log line
// that is not exactly one line of visible characters, a status text that lost the model), or
// the empty text.
std::string CheckReplyLogInput(const std::uint8_t* pData, std::size_t nSize);

} // namespace vantoro
