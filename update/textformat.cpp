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

namespace vantoro {

std::string VisibleByte(unsigned char cByte) {
    static const char* const kControlNames[] = {
        "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
        "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
        "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US",  "space"};
    if (cByte > 0x20 && cByte < 0x7F)
        return std::string(1, static_cast<char>(cByte));
    const char* pszName = cByte <= 0x20 ? kControlNames[cByte] : cByte == 0x7F ? "DEL" : nullptr;
    return pszName ? FormatText("0x%02X (%s)", cByte, pszName) : FormatText("0x%02X", cByte);
}

} // namespace vantoro
