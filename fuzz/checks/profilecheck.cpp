#include "fuzz/checks/profilecheck.h"

#include "fuzz/checks/cfuzzinput.h"
#include "fuzz/checks/cscratchfolder.h"
#include "platform/cprofilefile.h"

#include <charconv>
#include <climits>
#include <string_view>
#include <vector>

namespace vantoro {

namespace {

constexpr std::size_t kMaxHarvested = 12;
// Never a value the writer can produce from a single line, so a missing key is told apart.
const std::string kMissing = "\n<missing>\n";

const char* const kSections[] = {"APP", "PLATFORM_SALTIR", "platform_verrin", "New Section"};
const char* const kKeys[] = {"PORT", "QVR Series", "log_flags", "WORKING_DIRECTORY", "Fresh Key"};

struct NamePair {
    std::string strSection;
    std::string strKey;
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

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char ca = (a[i] >= 'A' && a[i] <= 'Z') ? static_cast<char>(a[i] + 32) : a[i];
        const char cb = (b[i] >= 'A' && b[i] <= 'Z') ? static_cast<char>(b[i] + 32) : b[i];
        if (ca != cb)
            return false;
    }
    return true;
}

// A name the program could use: printable, not blank at either end, and free of the characters
// that end a section name or a key name.
bool IsUsableName(std::string_view name, std::string_view forbidden) {
    if (name.empty() || IsBlank(name.front()) || IsBlank(name.back()))
        return false;
    for (char c : name) {
        if (c < 0x20 || c > 0x7E || forbidden.find(c) != std::string_view::npos)
            return false;
    }
    return true;
}

std::vector<std::string> SplitRawLines(const std::string& strContent) {
    std::vector<std::string> lines;
    std::size_t nPos = 0;
    while (nPos < strContent.size()) {
        std::size_t nEnd = strContent.find('\n', nPos);
        if (nEnd == std::string::npos)
            nEnd = strContent.size();
        std::string strLine = strContent.substr(nPos, nEnd - nPos);
        if (!strLine.empty() && strLine.back() == '\r')
            strLine.pop_back();
        lines.push_back(std::move(strLine));
        nPos = nEnd + 1;
    }
    return lines;
}

// The (section, key) pairs the file itself holds, as far as usable names go.
std::vector<NamePair> HarvestPairs(const std::string& strContent) {
    std::vector<NamePair> pairs;
    std::string strSection;
    bool bSectionUsable = false;
    for (const std::string& strLine : SplitRawLines(strContent)) {
        const std::string_view text = Trim(strLine);
        if (text.empty() || text.front() == ';')
            continue;
        if (text.front() == '[') {
            const std::size_t nClose = text.find(']');
            const std::string_view name = Trim(
                nClose == std::string_view::npos ? text.substr(1) : text.substr(1, nClose - 1));
            bSectionUsable = IsUsableName(name, "]");
            strSection.assign(name);
            continue;
        }
        const std::size_t nEqual = text.find('=');
        if (!bSectionUsable || nEqual == std::string_view::npos)
            continue;
        const std::string_view key = Trim(text.substr(0, nEqual));
        if (IsUsableName(key, "=") && key.front() != '[' && pairs.size() < kMaxHarvested)
            pairs.push_back({strSection, std::string(key)});
    }
    return pairs;
}

std::string ChooseName(std::uint8_t nChoice, const char* const* pFixed, std::size_t nFixed,
                       const std::vector<NamePair>& harvested, bool bSection) {
    const std::size_t nIndex = nChoice % (nFixed + harvested.size());
    if (nIndex < nFixed)
        return pFixed[nIndex];
    const NamePair& pair = harvested[nIndex - nFixed];
    return bSection ? pair.strSection : pair.strKey;
}

// What a read gives back after the writer stored strValue.
std::string ExpectedReadBack(const std::string& strValue) {
    std::string_view value(strValue);
    value = value.substr(0, value.find_first_of("\r\n"));
    std::string strExpected(Trim(value));
    if (strExpected.size() > kProfileBufferSize - 1)
        strExpected.resize(kProfileBufferSize - 1);
    return strExpected;
}

// scanf("%d") read into 64 bits, saturating: the reference for the number scanners.
bool ReferenceScan(const std::string& strText, std::int64_t& nValue) {
    std::size_t i = 0;
    while (i < strText.size() && (strText[i] == ' ' || (strText[i] >= '\t' && strText[i] <= '\r')))
        ++i;
    bool bNegative = false;
    if (i < strText.size() && (strText[i] == '+' || strText[i] == '-'))
        bNegative = strText[i++] == '-';
    std::size_t nDigitsEnd = i;
    while (nDigitsEnd < strText.size() && strText[nDigitsEnd] >= '0' && strText[nDigitsEnd] <= '9')
        ++nDigitsEnd;
    if (nDigitsEnd == i)
        return false;
    const std::string strNumber = (bNegative ? "-" : "") + strText.substr(i, nDigitsEnd - i);
    const auto result =
        std::from_chars(strNumber.data(), strNumber.data() + strNumber.size(), nValue);
    if (result.ec == std::errc::result_out_of_range)
        nValue = bNegative ? INT64_MIN : INT64_MAX;
    return true;
}

std::string CheckNumberScan(const std::string& strText) {
    std::int64_t nExpected = 0;
    std::int64_t nActual = 12345;
    const bool bExpected = ReferenceScan(strText, nExpected);
    if (ScanDecimalInt64(strText, nActual) != bExpected || (bExpected && nActual != nExpected))
        return "ScanDecimalInt64 disagrees with scanf rules for \"" + strText + "\"";
    int nInt = 777;
    const bool bFits = bExpected && nExpected >= INT_MIN && nExpected <= INT_MAX;
    if (ScanDecimalInt(strText, nInt) != bFits || (bFits && nInt != nExpected) ||
        (!bFits && nInt != 777))
        return "ScanDecimalInt wrong for \"" + strText + "\"";
    return "";
}

// A write replaces at most one line and adds at most three (a blank line, a section header and
// the key); every other line of the old file is still there, unchanged and in order.
std::string CheckLinesKept(const std::string& strOld, const std::string& strNew) {
    const std::vector<std::string> oldLines = SplitRawLines(strOld);
    const std::vector<std::string> newLines = SplitRawLines(strNew);
    std::size_t nPrefix = 0;
    while (nPrefix < oldLines.size() && nPrefix < newLines.size() &&
           oldLines[nPrefix] == newLines[nPrefix])
        ++nPrefix;
    std::size_t nSuffix = 0;
    while (nSuffix < oldLines.size() - nPrefix && nSuffix < newLines.size() - nPrefix &&
           oldLines[oldLines.size() - 1 - nSuffix] == newLines[newLines.size() - 1 - nSuffix])
        ++nSuffix;
    const std::size_t nOldChanged = oldLines.size() - nPrefix - nSuffix;
    const std::size_t nNewChanged = newLines.size() - nPrefix - nSuffix;
    if (nOldChanged > 1)
        return "a write changed " + std::to_string(nOldChanged) + " lines of the file";
    if (nNewChanged > nOldChanged + 3)
        return "a write added " + std::to_string(nNewChanged - nOldChanged) + " lines";
    return "";
}

struct WriteRequest {
    std::string strSection;
    std::string strKey;
    std::string strValue;
    bool bNumber = false;
    std::int32_t nNumber = 0;
};

std::vector<WriteRequest> TakeWrites(CFuzzInput& input) {
    const int nWrites = input.TakeByte() % 4 + 1;
    std::vector<WriteRequest> writes(static_cast<std::size_t>(nWrites));
    for (WriteRequest& write : writes) {
        // Names are chosen later, once the file's own names are known.
        write.strSection.assign(1, static_cast<char>(input.TakeByte()));
        const std::uint8_t nShape = input.TakeByte();
        if (nShape & 0x80) {
            write.bNumber = true;
            write.nNumber = static_cast<std::int32_t>(input.TakeUint32());
            write.strValue = std::to_string(write.nNumber);
        } else if ((nShape & 0x7F) == 0x7F) {
            // A long value, beyond the read buffer: a short pattern repeated.
            const std::size_t nLength = static_cast<std::size_t>(input.TakeByte()) * 64 + 1;
            const std::string strPattern = input.TakeText(8) + "x";
            while (write.strValue.size() < nLength)
                write.strValue += strPattern;
        } else {
            write.strValue = input.TakeText(nShape & 0x7F);
        }
    }
    return writes;
}

std::string CheckOneWrite(const std::string& strFile, const WriteRequest& write,
                          const std::vector<NamePair>& tracked) {
    std::vector<std::string> before;
    for (const NamePair& pair : tracked)
        before.push_back(GetPrivateProfileString(pair.strSection, pair.strKey, kMissing, strFile));
    std::string strOld;
    CScratchFolder::ReadFile(strFile, strOld);

    if (!WritePrivateProfileString(write.strSection, write.strKey, write.strValue, strFile))
        return "WritePrivateProfileString failed on a writable file";
    const std::string strWhere = "[" + write.strSection + "] " + write.strKey;
    const std::string strRead =
        GetPrivateProfileString(write.strSection, write.strKey, kMissing, strFile);
    if (strRead == kMissing)
        return "written key " + strWhere + " cannot be read back: it is missing";
    if (strRead != ExpectedReadBack(write.strValue))
        return "written value of " + strWhere + " reads back as \"" + strRead + "\"";
    if (write.bNumber) {
        const std::uint32_t nRead =
            GetPrivateProfileInt(write.strSection, write.strKey, 7, strFile);
        if (nRead != static_cast<std::uint32_t>(write.nNumber))
            return "written number of " + strWhere + " reads back as " + std::to_string(nRead);
    }
    for (std::size_t i = 0; i < tracked.size(); ++i) {
        const NamePair& pair = tracked[i];
        if (EqualNoCase(pair.strSection, write.strSection) &&
            EqualNoCase(pair.strKey, write.strKey))
            continue;
        const std::string strAfter =
            GetPrivateProfileString(pair.strSection, pair.strKey, kMissing, strFile);
        if (strAfter != before[i])
            return "writing " + strWhere + " changed [" + pair.strSection + "] " + pair.strKey;
    }
    std::string strNew;
    CScratchFolder::ReadFile(strFile, strNew);
    return CheckLinesKept(strOld, strNew);
}

} // namespace

std::string CheckProfileInput(const std::uint8_t* pData, std::size_t nSize) {
    CFuzzInput input(pData, nSize);
    std::vector<WriteRequest> writes = TakeWrites(input);
    const std::string strContent = input.TakeRest();

    static CScratchFolder folder("profile");
    const std::string strFile = folder.FilePath("fuzz.INI");
    if (!CScratchFolder::WriteFile(strFile, strContent))
        return "cannot write the scratch settings file";

    std::vector<NamePair> tracked = HarvestPairs(strContent);
    const std::vector<NamePair> harvested = tracked;
    for (WriteRequest& write : writes) {
        const auto nChoice = static_cast<std::uint8_t>(write.strSection[0]);
        write.strSection =
            ChooseName(nChoice & 0x0F, kSections, std::size(kSections), harvested, true);
        write.strKey = ChooseName(nChoice >> 4, kKeys, std::size(kKeys), harvested, false);
        tracked.push_back({write.strSection, write.strKey});
    }
    // Reads of whatever the file holds must not fail or misbehave, whichever name is asked for.
    for (const NamePair& pair : tracked) {
        GetPrivateProfileInt(pair.strSection, pair.strKey, -1, strFile);
    }
    for (const WriteRequest& write : writes) {
        std::string strWhy = CheckNumberScan(write.strValue);
        if (strWhy.empty())
            strWhy = CheckOneWrite(strFile, write, tracked);
        if (!strWhy.empty())
            return strWhy;
    }
    if (!folder.HoldsOnly("fuzz.INI"))
        return "a write left a temporary file behind";
    return "";
}

} // namespace vantoro
