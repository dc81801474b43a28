#include "srecord/cfileverdict.h"

#include <cstdio>

namespace vantoro {

namespace {

// Every address of a file shown with as many digits as its highest one needs, at least four.
int DigitsFor(std::uint64_t nHighest) {
    int nDigits = 4;
    while (nDigits < 16 && (nHighest >> (4 * nDigits)) != 0)
        nDigits += 2;
    return nDigits;
}

std::string Hex(std::uint64_t nValue, int nDigits) {
    char szText[24];
    std::snprintf(szText, sizeof szText, "0x%0*llX", nDigits,
                  static_cast<unsigned long long>(nValue));
    return szText;
}

std::string Plural(std::uint64_t nCount, const char* pszOne, const char* pszMany) {
    return std::to_string(nCount) + " " + (nCount == 1 ? pszOne : pszMany);
}

} // namespace

std::string FileFinding::ToText() const {
    return nLine == 0 ? strText : "line " + std::to_string(nLine) + ": " + strText;
}

std::string CFileVerdict::RangesText(std::size_t nMost) const {
    if (ranges.empty())
        return "no data";
    const int nDigits = DigitsFor(ranges.back().nLast);
    std::string strText;
    for (std::size_t i = 0; i < ranges.size() && i < nMost; ++i) {
        strText += (strText.empty() ? "" : ", ") + Hex(ranges[i].nFirst, nDigits) + "-" +
                   Hex(ranges[i].nLast, nDigits);
    }
    if (ranges.size() > nMost)
        strText += " and " + Plural(ranges.size() - nMost, "more range", "more ranges");
    if (bRangesIncomplete)
        strText += " (and more, not tracked)";
    return strText;
}

std::string CFileVerdict::StartText() const {
    return bHasStart ? Hex(nStartAddress, DigitsFor(nStartAddress)) : "none";
}

std::string CFileVerdict::Summary() const {
    std::string strText = std::to_string(nRecords) + " Records, " + RangesText(3) + ", ";
    if (HasErrors()) {
        strText += Plural(nErrors, "error", "errors");
        if (!errors.empty())
            strText += " (" + errors.front().ToText() + ")";
    } else {
        strText += "no errors";
    }
    if (nWarnings > 0)
        strText += ", " + Plural(nWarnings, "warning", "warnings");
    return strText;
}

} // namespace vantoro
