#include "fuzz/checks/filecheckcheck.h"

#include "fuzz/checks/cfuzzinput.h"
#include "sim/csrecordchecker.h"
#include "srecord/cfilecheck.h"

#include <algorithm>
#include <set>
#include <vector>

namespace vantoro {

namespace {

CFileVerdict CheckInPieces(const std::string& strFile, std::size_t nPiece) {
    CFileCheck check;
    for (std::size_t i = 0; i < strFile.size(); i += nPiece)
        check.Feed(strFile.data() + i, std::min(nPiece, strFile.size() - i));
    return check.Finish();
}

// The lines the update sends, read here on their own: up to each line feed, a carriage return
// before it dropped, nothing after a Ctrl-Z.
std::vector<std::string> SentLines(const std::string& strFile) {
    std::vector<std::string> lines;
    std::string strLine;
    bool bOpen = false;
    for (std::size_t i = 0; i < strFile.size() && strFile[i] != 0x1A; ++i) {
        const char c = strFile[i];
        bOpen = true;
        if (c == '\n') {
            if (!strLine.empty() && strLine.back() == '\r')
                strLine.pop_back();
            lines.push_back(strLine);
            strLine.clear();
            bOpen = false;
        } else {
            strLine.push_back(c);
        }
    }
    if (bOpen)
        lines.push_back(strLine);
    return lines;
}

std::string CheckBounds(const CFileVerdict& verdict) {
    if (verdict.errors.size() > CFileVerdict::kMostKept ||
        verdict.warnings.size() > CFileVerdict::kMostKept)
        return "more findings kept than the limit";
    if (verdict.errors.size() > verdict.nErrors || verdict.warnings.size() > verdict.nWarnings)
        return "more findings kept than counted";
    if (verdict.ranges.size() > CAddressRanges::kMostRanges)
        return "more address ranges than the limit";
    for (std::size_t i = 1; i < verdict.ranges.size(); ++i) {
        if (verdict.ranges[i].nFirst <= verdict.ranges[i - 1].nLast + 1)
            return "address ranges not merged or not in order";
    }
    return "";
}

// A passed file, line by line through the boot loader's own checker.
std::string CheckAcceptedBySimulator(const std::string& strFile, const CFileVerdict& verdict) {
    const std::vector<std::string> lines = SentLines(strFile);
    if (lines.size() != verdict.nRecords)
        return "the record count is not the number of lines the update sends";
    std::set<std::uint64_t> warnedLines;
    for (const FileFinding& warning : verdict.warnings)
        warnedLines.insert(warning.nLine);
    const CSRecordChecker checker;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const char cReply = checker.Check(lines[i]).cReply;
        if (cReply == '+')
            return "";
        // An empty line is sent as a lone line feed, which no boot loader takes: the check lets
        // it through, but only with a warning at that line.
        if (lines[i].empty() &&
            (warnedLines.count(i + 1) || verdict.warnings.size() >= CFileVerdict::kMostKept))
            continue;
        if (cReply != 'C')
            return "line " + std::to_string(i + 1) +
                   " passed the check but the boot loader answers '" + std::string(1, cReply) + "'";
    }
    return "a file without a termination record passed the check";
}

} // namespace

std::string CheckFileCheckInput(const std::uint8_t* pData, std::size_t nSize) {
    CFuzzInput input(pData, nSize);
    const std::size_t nPiece = 1 + input.TakeByte();
    const std::string strFile = input.TakeRest();

    const CFileVerdict whole = CheckInPieces(strFile, strFile.size() + 1);
    const CFileVerdict pieces = CheckInPieces(strFile, nPiece);
    if (whole.Summary() != pieces.Summary() || whole.nErrors != pieces.nErrors ||
        whole.nWarnings != pieces.nWarnings || whole.strSha256 != pieces.strSha256)
        return "the verdict depends on the pieces the file is read in: " + whole.Summary() + " / " +
               pieces.Summary();
    if (SentLines(strFile).empty() && !whole.HasErrors())
        return "a file that sends no record passed the check";
    if (std::string strFault = CheckBounds(whole); !strFault.empty())
        return strFault;
    if (whole.HasErrors())
        return "";
    return CheckAcceptedBySimulator(strFile, whole);
}

} // namespace vantoro
