#include "platform/cprofilefile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <string_view>
#include <vector>

#include "platform/cfilelock.h"
#include "platform/cregularfile.h"
#include "platform/profilefileio.h"

namespace vantoro {

namespace {

// One line of the file, its line ending kept apart so untouched lines are written back as read.
struct ProfileLine {
    std::string strText; // without the line ending
    std::string strEnd;  // "\n", "\r\n" or "" for a last line without one
};

enum class LineKind { Other, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;  // section or key name, blanks trimmed
    std::string_view value; // key value, blanks trimmed
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    }
    return true;
}

ParsedLine ParseLine(const std::string& strLine) {
    ParsedLine parsed;
    std::string_view text = Trim(strLine);
    if (text.empty() || text.front() == ';')
        return parsed;
    if (text.front() == '[') {
        std::size_t close = text.find(']');
        std::string_view name =
            close == std::string_view::npos ? text.substr(1) : text.substr(1, close - 1);
        parsed.kind = LineKind::Section;
        parsed.name = Trim(name);
        return parsed;
    }
    std::size_t equal = text.find('=');
    if (equal == std::string_view::npos)
        return parsed;
    parsed.kind = LineKind::Key;
    parsed.name = Trim(text.substr(0, equal));
    parsed.value = Trim(text.substr(equal + 1));
    return parsed;
}

std::vector<ProfileLine> SplitLines(const std::string& strContent) {
    std::vector<ProfileLine> lines;
    std::size_t pos = 0;
    while (pos < strContent.size()) {
        std::size_t lf = strContent.find('\n', pos);
        ProfileLine line;
        if (lf == std::string::npos) {
            line.strText = strContent.substr(pos);
            pos = strContent.size();
        } else {
            line.strText = strContent.substr(pos, lf - pos);
            line.strEnd = "\n";
            pos = lf + 1;
        }
        if (!line.strText.empty() && line.strText.back() == '\r') {
            line.strText.pop_back();
            line.strEnd = "\r" + line.strEnd;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

// Reads the whole file. Missing file: true with empty content and bExists false. Any other
// failure: false, also for anything that is no regular file (a FIFO would block the open, a
// device would read without end) and for a file beyond kMaxProfileFileSize, which no settings
// file of this program reaches: it is read as damaged, so defaults are used and it is never
// overwritten.
bool ReadWholeFile(const std::string& strFile, std::string& strContent, bool& bExists) {
    constexpr std::size_t nMost = kMaxProfileFileSize;
    strContent.clear();
    bExists = false;
    CRegularFile file;
    std::string strWhy;
    if (!file.Open(strFile, strWhy))
        return errno == ENOENT;
    bExists = true;
    CFileIdentity identity;
    if (!file.GetIdentity(identity) || identity.nSize > static_cast<std::int64_t>(nMost))
        return false;
    char buffer[8192];
    for (;;) {
        const std::ptrdiff_t n = file.Read(buffer, sizeof buffer);
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        strContent.append(buffer, static_cast<std::size_t>(n));
        if (strContent.size() > nMost) // grew while being read
            return false;
    }
}

// Leading blanks (as scanf skips them), optional sign, digits. Returns the number of digits
// read; the magnitude accumulates through accumulate(digit).
template <typename Accumulate>
std::size_t ScanDigits(const std::string& strText, bool& bNegative, Accumulate accumulate) {
    std::size_t i = 0;
    while (i < strText.size() && (strText[i] == ' ' || (strText[i] >= '\t' && strText[i] <= '\r')))
        ++i;
    bNegative = false;
    if (i < strText.size() && (strText[i] == '+' || strText[i] == '-')) {
        bNegative = strText[i] == '-';
        ++i;
    }
    std::size_t digits = 0;
    while (i < strText.size() && strText[i] >= '0' && strText[i] <= '9') {
        accumulate(strText[i] - '0');
        ++i;
        ++digits;
    }
    return digits;
}

} // namespace

std::string GetPrivateProfileString(const std::string& strSection, const std::string& strKey,
                                    const std::string& strDefault, const std::string& strFile) {
    std::string strContent;
    bool bExists = false;
    std::string strResult = strDefault;
    if (ReadWholeFile(strFile, strContent, bExists) && bExists) {
        bool bInSection = false;
        bool bSeenSection = false;
        for (const ProfileLine& line : SplitLines(strContent)) {
            ParsedLine parsed = ParseLine(line.strText);
            if (parsed.kind == LineKind::Section) {
                if (bInSection)
                    break; // only the first section of that name is read
                bInSection = !bSeenSection && EqualNoCase(parsed.name, strSection);
                bSeenSection = bSeenSection || bInSection;
            } else if (bInSection && parsed.kind == LineKind::Key &&
                       EqualNoCase(parsed.name, strKey)) {
                strResult.assign(parsed.value);
                break;
            }
        }
    }
    if (strResult.size() > kProfileBufferSize - 1)
        strResult.resize(kProfileBufferSize - 1);
    return strResult;
}

std::vector<std::pair<std::string, std::string>>
GetPrivateProfileSection(const std::string& strSection, const std::string& strFile) {
    std::vector<std::pair<std::string, std::string>> keys;
    std::string strContent;
    bool bExists = false;
    if (!ReadWholeFile(strFile, strContent, bExists) || !bExists)
        return keys;
    bool bInSection = false;
    for (const ProfileLine& line : SplitLines(strContent)) {
        ParsedLine parsed = ParseLine(line.strText);
        if (parsed.kind == LineKind::Section) {
            if (bInSection)
                break; // only the first section of that name is read
            bInSection = EqualNoCase(parsed.name, strSection);
        } else if (bInSection && parsed.kind == LineKind::Key) {
            const bool bSeen = std::any_of(keys.begin(), keys.end(), [&](const auto& key) {
                return EqualNoCase(key.first, parsed.name);
            });
            if (!bSeen)
                keys.emplace_back(std::string(parsed.name), std::string(parsed.value));
        }
    }
    return keys;
}

std::uint32_t GetPrivateProfileInt(const std::string& strSection, const std::string& strKey,
                                   int nDefault, const std::string& strFile) {
    std::string strText = GetPrivateProfileString(strSection, strKey, "", strFile);
    std::uint32_t nValue = 0;
    bool bNegative = false;
    std::size_t digits = ScanDigits(strText, bNegative, [&](int d) {
        nValue = nValue * 10u + static_cast<std::uint32_t>(d); // wraps, as on Windows
    });
    if (digits == 0)
        return static_cast<std::uint32_t>(nDefault);
    return bNegative ? 0u - nValue : nValue;
}

// A line about to get a successor must end in a line feed; a bare carriage return (a file cut
// off after one) does not end a line for the reader, so the new line would be glued to it.
static void EndLine(ProfileLine& line, const std::string& strEnd) {
    if (line.strEnd.empty())
        line.strEnd = strEnd;
    else if (line.strEnd.back() != '\n')
        line.strEnd += '\n';
}

bool WritePrivateProfileString(const std::string& strSection, const std::string& strKey,
                               const std::string& strValue, const std::string& strFile) {
    if (strFile.empty())
        return false;
    const std::string strTarget = SaveTarget(strFile);
    if (!ProfileFileNotWritableReason(strFile).empty())
        return false;
    // Saves of every program using the file take turns: each reads, changes its key and writes
    // under the folder's lock (which holds across the rename), so none writes back a content
    // another has already replaced.
    CFileLock lock(FolderOf(strTarget), false);
    std::string strContent;
    bool bExists = false;
    if (!ReadWholeFile(strTarget, strContent, bExists))
        return false; // never overwrite a file that could not be read

    // A line break inside the value would break the file's structure: keep its first line.
    std::string strLineValue = strValue.substr(0, strValue.find_first_of("\r\n"));

    std::vector<ProfileLine> lines = SplitLines(strContent);
    std::string strEnd = (!lines.empty() && lines.front().strEnd == "\r\n") ? "\r\n" : "\n";

    // Locate the first section of that name: its header, and its last non-blank line.
    std::size_t header = lines.size();
    std::size_t lastInSection = lines.size();
    std::size_t keyLine = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ParsedLine parsed = ParseLine(lines[i].strText);
        if (parsed.kind == LineKind::Section) {
            if (header != lines.size())
                break;
            if (EqualNoCase(parsed.name, strSection)) {
                header = i;
                lastInSection = i;
            }
            continue;
        }
        if (header == lines.size())
            continue;
        if (!Trim(lines[i].strText).empty())
            lastInSection = i;
        if (parsed.kind == LineKind::Key && keyLine == lines.size() &&
            EqualNoCase(parsed.name, strKey))
            keyLine = i;
    }

    if (keyLine != lines.size()) {
        ParsedLine parsed = ParseLine(lines[keyLine].strText);
        lines[keyLine].strText = std::string(parsed.name) + "=" + strLineValue;
    } else if (header != lines.size()) {
        ProfileLine line{strKey + "=" + strLineValue, strEnd};
        EndLine(lines[lastInSection], strEnd);
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastInSection) + 1, line);
    } else {
        if (!lines.empty()) {
            EndLine(lines.back(), strEnd);
            if (!Trim(lines.back().strText).empty())
                lines.push_back(ProfileLine{"", strEnd});
        }
        lines.push_back(ProfileLine{"[" + strSection + "]", strEnd});
        lines.push_back(ProfileLine{strKey + "=" + strLineValue, strEnd});
    }

    std::string strOut;
    strOut.reserve(strContent.size() + strKey.size() + strLineValue.size() + 16);
    for (const ProfileLine& line : lines) {
        strOut += line.strText;
        strOut += line.strEnd;
    }
    return ReplaceFileAtomically(strTarget, strOut);
}

std::string ProfileFileNotWritableReason(const std::string& strFile) {
    return SaveRefusal(SaveTarget(strFile), kMaxProfileFileSize);
}

bool ScanDecimalInt(const std::string& strText, int& nValue) {
    std::int64_t nWide = 0;
    if (!ScanDecimalInt64(strText, nWide) || nWide < INT_MIN || nWide > INT_MAX)
        return false;
    nValue = static_cast<int>(nWide);
    return true;
}

bool ScanDecimalInt64(const std::string& strText, std::int64_t& nValue) {
    std::uint64_t nMagnitude = 0;
    bool bSaturated = false;
    bool bNegative = false;
    std::size_t digits = ScanDigits(strText, bNegative, [&](int d) {
        if (nMagnitude > (static_cast<std::uint64_t>(INT64_MAX) + 1 - d) / 10)
            bSaturated = true;
        else
            nMagnitude = nMagnitude * 10 + static_cast<std::uint64_t>(d);
    });
    if (digits == 0)
        return false;
    if (bNegative) {
        nValue = (bSaturated || nMagnitude > static_cast<std::uint64_t>(INT64_MAX))
                     ? INT64_MIN
                     : -static_cast<std::int64_t>(nMagnitude);
    } else {
        nValue = (bSaturated || nMagnitude > static_cast<std::uint64_t>(INT64_MAX))
                     ? INT64_MAX
                     : static_cast<std::int64_t>(nMagnitude);
    }
    return true;
}

} // namespace vantoro
