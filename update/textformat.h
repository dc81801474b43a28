#pragma once

#include <string>

namespace vantoro {

// printf-style formatting into a finished text. Only the format is interpreted: a "%" inside an
// argument (a path, a model name) comes out as it is.
std::string FormatText(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));

} // namespace vantoro
