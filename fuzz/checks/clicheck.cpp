#include "fuzz/checks/clicheck.h"

#include "cli/cclioutput.h"
#include "cli/clioptions.h"
#include "fuzz/checks/cfuzzinput.h"

#include <map>
#include <vector>

namespace vantoro {

namespace {

std::vector<std::string> SplitAtZero(const std::string& strText) {
    std::vector<std::string> parts(1);
    for (char c : strText) {
        if (c == '\0')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

std::string CheckArguments(const std::vector<std::string>& args) {
    CliOptions options;
    std::string strError;
    if (ParseCliOptions(args, options, strError))
        return strError.empty() ? std::string() : "accepted, yet with an error: " + strError;
    if (strError.empty())
        return "refused without a message";
    // The message names what is wrong: one of the arguments, an option, or the command.
    if (strError.find("--") != std::string::npos || strError.find("command") != std::string::npos)
        return {};
    for (const std::string& strArg : args) {
        const std::string strNamed = strArg.empty() ? "empty argument" : strArg;
        if (strError.find(strNamed) != std::string::npos)
            return {};
    }
    return "the message names no argument: " + strError;
}

// Well-formed UTF-8, overlong forms and surrogates refused.
bool IsUtf8(const std::string& strText) {
    for (std::size_t i = 0; i < strText.size();) {
        const auto c = static_cast<unsigned char>(strText[i]);
        std::size_t n = c < 0x80                   ? 1
                        : (c >= 0xC2 && c <= 0xDF) ? 2
                        : (c >= 0xE0 && c <= 0xEF) ? 3
                        : (c >= 0xF0 && c <= 0xF4) ? 4
                                                   : 0;
        if (n == 0 || i + n > strText.size())
            return false;
        const auto c1 = n > 1 ? static_cast<unsigned char>(strText[i + 1]) : 0x80;
        if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) ||
            (c == 0xF4 && c1 > 0x8F))
            return false;
        for (std::size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(strText[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += n;
    }
    return true;
}

// One RFC 4180 record, the whole text; false when it is not exactly one.
bool ParseCsvRecord(const std::string& strLine, std::vector<std::string>& fields) {
    fields.assign(1, std::string());
    bool bQuoted = false;
    for (std::size_t i = 0; i < strLine.size(); ++i) {
        const char c = strLine[i];
        if (bQuoted) {
            if (c != '"')
                fields.back() += c;
            else if (i + 1 < strLine.size() && strLine[i + 1] == '"')
                fields.back() += strLine[++i];
            else
                bQuoted = false;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c == '"' && fields.back().empty()) {
            bQuoted = true;
        } else if (c == '\n' || c == '\r' || c == '"') {
            return false;
        } else {
            fields.back() += c;
        }
    }
    return !bQuoted;
}

// A flat JSON object of strings and numbers, strictly: escapes, no raw control characters,
// UTF-8 text. Strings are decoded (\u escapes of the basic plane are enough here).
bool ParseJsonObject(const std::string& strLine, std::map<std::string, std::string>& values) {
    std::size_t i = 0;
    auto string = [&](std::string& strOut) {
        if (i >= strLine.size() || strLine[i++] != '"')
            return false;
        for (; i < strLine.size(); ++i) {
            const auto c = static_cast<unsigned char>(strLine[i]);
            if (c == '"') {
                ++i;
                return true;
            }
            if (c < 0x20)
                return false;
            if (c != '\\') {
                strOut += static_cast<char>(c);
                continue;
            }
            if (++i >= strLine.size())
                return false;
            const char e = strLine[i];
            const std::string strSimple = "\"\\/bfnrt";
            const std::string strMeaning = "\"\\/\b\f\n\r\t";
            if (auto k = strSimple.find(e); k != std::string::npos) {
                strOut += strMeaning[k];
            } else if (e == 'u' && i + 4 < strLine.size()) {
                const unsigned long u = std::stoul(strLine.substr(i + 1, 4), nullptr, 16);
                i += 4;
                if (u < 0x80) {
                    strOut += static_cast<char>(u);
                } else if (u < 0x800) {
                    strOut += static_cast<char>(0xC0 | (u >> 6));
                    strOut += static_cast<char>(0x80 | (u & 0x3F));
                } else {
                    strOut += static_cast<char>(0xE0 | (u >> 12));
                    strOut += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
                    strOut += static_cast<char>(0x80 | (u & 0x3F));
                }
            } else {
                return false;
            }
        }
        return false;
    };
    if (!IsUtf8(strLine) || strLine.empty() || strLine[i++] != '{')
        return false;
    while (i < strLine.size()) {
        std::string strKey, strValue;
        if (!string(strKey) || i >= strLine.size() || strLine[i++] != ':')
            return false;
        if (i < strLine.size() && strLine[i] == '"') {
            if (!string(strValue))
                return false;
        } else {
            while (i < strLine.size() &&
                   std::string("-+.0123456789eE").find(strLine[i]) != std::string::npos)
                strValue += strLine[i++];
            if (strValue.empty())
                return false;
        }
        values[strKey] = strValue;
        if (i < strLine.size() && strLine[i] == ',') {
            ++i;
            continue;
        }
        return i + 1 == strLine.size() && strLine[i] == '}';
    }
    return false;
}

// A path as a report reader gets it back: as written when it was UTF-8, else out of the
// file:// URI it was written as.
bool ReadsBackAs(const std::string& strField, const std::string& strPath) {
    if (IsUtf8(strPath))
        return strField == strPath;
    if (strField.rfind("file://", 0) != 0 || !IsUtf8(strField))
        return false;
    std::string strBytes;
    for (std::size_t i = 7; i < strField.size(); ++i) {
        if (strField[i] != '%') {
            strBytes += strField[i];
            continue;
        }
        const auto hex = [&](std::size_t k) {
            const char c = k < strField.size() ? strField[k] : 'x';
            return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        };
        if (hex(i + 1) < 0 || hex(i + 2) < 0)
            return false;
        strBytes += static_cast<char>(hex(i + 1) * 16 + hex(i + 2));
        i += 2;
    }
    return strBytes == strPath;
}

std::string CheckReport(CFuzzInput& input) {
    CUnitResult result;
    result.strTime = "2026-12-07T01:00:00Z";
    result.nPort = input.TakeByte();
    result.nRecordsSent = static_cast<int>(input.TakeUint32() % 100000);
    result.nRecordsTotal = static_cast<int>(input.TakeUint32() % 100000);
    result.dSeconds = input.TakeByte() / 7.0;
    result.outcome = static_cast<UnitOutcome>(input.TakeByte() % 3);
    result.strSha256 = std::string(64, 'a');
    std::vector<std::string> texts = SplitAtZero(input.TakeRest());
    texts.resize(6);
    std::string* fields[] = {&result.strDevice, &result.strStableName, &result.strProduct,
                             &result.strModel,  &result.strFile,       &result.strResult};
    for (std::size_t k = 0; k < texts.size(); ++k)
        *fields[k] = texts[k];

    std::vector<std::string> csv;
    if (!ParseCsvRecord(CCliOutput::ResultCsv(result), csv) || csv.size() != 13)
        return "the CSV report line is not one record of 13 fields";
    if (!ReadsBackAs(csv[2], result.strDevice) || !ReadsBackAs(csv[3], result.strStableName) ||
        csv[5] != result.strModel || !ReadsBackAs(csv[6], result.strFile) ||
        csv[11] != result.strResult)
        return "a text of the CSV report line did not read back as written";
    std::map<std::string, std::string> json;
    if (!ParseJsonObject(CCliOutput::ResultJson(result, false), json))
        return "the JSON report line is not one well-formed object";
    const bool bTextIsUtf8 = IsUtf8(result.strModel) && IsUtf8(result.strResult);
    if ((bTextIsUtf8 && (json["model"] != result.strModel || json["result"] != result.strResult)) ||
        !ReadsBackAs(json["file"], result.strFile) ||
        !ReadsBackAs(json["device"], result.strDevice))
        return "a text of the JSON report line did not read back as written";
    return {};
}

} // namespace

std::string CheckCliInput(const std::uint8_t* pData, std::size_t nSize) {
    CFuzzInput input(pData, nSize);
    if (input.TakeByte() % 2 == 0)
        return CheckArguments(SplitAtZero(input.TakeRest()));
    return CheckReport(input);
}

} // namespace vantoro
