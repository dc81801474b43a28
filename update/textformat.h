#pragma once

#include <string>

namespace vantoro {

// printf-style formatting into a finished text. Only the format is interpreted: a "%" inside an
// argument (a path, a model name) comes out as it is.
std::string FormatText(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));

} // namespace vantoro

namespace vantoro {

// One byte as a log line can show it: a printable character as itself, anything else (a line
// break, a zero byte, a byte above 0x7F) as 0xHH with its ASCII name where it has one, so that
// the line stays one visible line, e.g. "0x0A (LF)".
std::string VisibleByte(unsigned char cByte);

} // namespace vantoro
