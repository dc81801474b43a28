#include "cli/clitext.h"
#include "platform/calendartime.h"

#include <cstdio>
#include <ctime>

namespace vantoro {

namespace {

// Length of the UTF-8 sequence starting at i, 0 when it is not a valid one.
std::size_t Utf8Length(const std::string& strText, std::size_t i) {
    const auto c = static_cast<unsigned char>(strText[i]);
    std::size_t nLength = c < 0x80           ? 1
                          : (c >> 5) == 0x6  ? 2
                          : (c >> 4) == 0xE  ? 3
                          : (c >> 3) == 0x1E ? 4
                                             : 0;
    if (nLength == 0 || i + nLength > strText.size() || c == 0xC0 || c == 0xC1 || c > 0xF4)
        return 0;
    for (std::size_t k = 1; k < nLength; ++k) {
        if ((static_cast<unsigned char>(strText[i + k]) & 0xC0) != 0x80)
            return 0;
    }
    // Overlong forms and UTF-16 surrogates are no UTF-8 either: a strict JSON reader refuses
    // the whole line over one of them.
    const auto c1 = nLength > 1 ? static_cast<unsigned char>(strText[i + 1]) : 0x80;
    if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) ||
        (c == 0xF4 && c1 > 0x8F))
        return 0;
    return nLength;
}

// C0 controls, DEL and the C1 controls U+0080 to U+009F (C2 80 to C2 9F in UTF-8).
bool IsControl(const std::string& strText, std::size_t i, std::size_t nLength) {
    const auto c = static_cast<unsigned char>(strText[i]);
    if (nLength == 1)
        return c < 0x20 || c == 0x7F;
    return nLength == 2 && c == 0xC2 && static_cast<unsigned char>(strText[i + 1]) < 0xA0;
}

void AppendHexByte(std::string& strOut, const char* pszForm, unsigned char c) {
    char szEscape[8];
    std::snprintf(szEscape, sizeof(szEscape), pszForm, c);
    strOut += szEscape;
}

bool IsValidUtf8(const std::string& strText) {
    for (std::size_t i = 0; i < strText.size();) {
        const std::size_t nLength = Utf8Length(strText, i);
        if (nLength == 0)
            return false;
        i += nLength;
    }
    return true;
}

} // namespace

std::string TerminalText(const std::string& strText) {
    std::string strShown;
    for (std::size_t i = 0; i < strText.size();) {
        const std::size_t nLength = Utf8Length(strText, i);
        if (nLength != 0 && !IsControl(strText, i, nLength)) {
            strShown.append(strText, i, nLength);
            i += nLength;
            continue;
        }
        const std::size_t nBytes = nLength == 0 ? 1 : nLength;
        for (std::size_t k = 0; k < nBytes; ++k) {
            const auto b = static_cast<unsigned char>(strText[i + k]);
            if (b == '\n')
                strShown += "\\n";
            else if (b == '\r')
                strShown += "\\r";
            else if (b == '\t')
                strShown += "\\t";
            else if (b == 0x1B)
                strShown += "\\e";
            else
                AppendHexByte(strShown, "\\x%02X", b);
        }
        i += nBytes;
    }
    return strShown;
}

std::string ReportPath(const std::string& strPath) {
    if (IsValidUtf8(strPath))
        return strPath;
    std::string strUri = "file://";
    for (const char ch : strPath) {
        const auto c = static_cast<unsigned char>(ch);
        const bool bKept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                           c == '/';
        if (bKept)
            strUri += ch;
        else
            AppendHexByte(strUri, "%%%02X", c);
    }
    return strUri;
}

std::string JsonString(const std::string& strText) {
    std::string strJson = "\"";
    for (std::size_t i = 0; i < strText.size();) {
        const auto c = static_cast<unsigned char>(strText[i]);
        const std::size_t nLength = Utf8Length(strText, i);
        if (nLength == 0) {
            strJson += "\\ufffd";
            ++i;
            continue;
        }
        if (nLength > 1 && IsControl(strText, i, nLength)) {
            AppendHexByte(strJson, "\\u%04x", static_cast<unsigned char>(strText[i + 1]));
        } else if (nLength > 1) {
            strJson.append(strText, i, nLength);
        } else if (c == '"' || c == '\\') {
            strJson += '\\';
            strJson += static_cast<char>(c);
        } else if (c == '\n') {
            strJson += "\\n";
        } else if (c == '\r') {
            strJson += "\\r";
        } else if (c == '\t') {
            strJson += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            char szEscape[8];
            std::snprintf(szEscape, sizeof(szEscape), "\\u%04x", c);
            strJson += szEscape;
        } else {
            strJson += static_cast<char>(c);
        }
        i += nLength;
    }
    return strJson + "\"";
}

std::string CsvField(const std::string& strText) {
    if (strText.find_first_of(",\"\r\n") == std::string::npos)
        return strText;
    std::string strField = "\"";
    for (char c : strText) {
        if (c == '"')
            strField += '"';
        strField += c;
    }
    return strField + "\"";
}

std::string UtcTimeStamp(std::chrono::system_clock::time_point when) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm parts{};
    UtcCalendarTime(t, parts);
    char szText[32];
    std::strftime(szText, sizeof(szText), "%Y-%m-%dT%H:%M:%SZ", &parts);
    return szText;
}

std::string LocalClockTime(std::chrono::system_clock::time_point when) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm parts{};
    LocalCalendarTime(t, parts);
    char szText[16];
    std::strftime(szText, sizeof(szText), "%H:%M:%S", &parts);
    return szText;
}

} // namespace vantoro
