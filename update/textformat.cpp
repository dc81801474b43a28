#include "update/textformat.h"

#include <cstdarg>
#include <cstdio>

namespace vantoro {

std::string FormatText(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    va_list copy;
    va_copy(copy, args);
    int nLength = std::vsnprintf(nullptr, 0, pszFormat, copy);
    va_end(copy);
    std::string strText;
    if (nLength > 0) {
        strText.resize(static_cast<std::size_t>(nLength) + 1);
        std::vsnprintf(strText.data(), strText.size(), pszFormat, args);
        strText.resize(static_cast<std::size_t>(nLength));
    }
    va_end(args);
    return strText;
}

} // namespace vantoro
