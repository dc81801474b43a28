#include "cli/cverdictoutput.h"

#include "cli/clitext.h"

namespace vantoro {

namespace {

std::string FindingLines(const std::string& strFile, const std::vector<FileFinding>& findings,
                         std::uint64_t nTotal, const char* pszKind, const std::string& strPrefix) {
    std::string strText;
    for (const FileFinding& finding : findings) {
        strText += strPrefix + strFile;
        if (finding.nLine != 0)
            strText += ":" + std::to_string(finding.nLine);
        strText += ": " + std::string(pszKind) + ": " + finding.strText + "\n";
    }
    if (nTotal > findings.size())
        strText += strPrefix + strFile + ": " + std::to_string(nTotal - findings.size()) +
                   " more " + pszKind + "s not shown\n";
    return strText;
}

std::string JsonFindings(const std::vector<FileFinding>& findings) {
    std::string strJson = "[";
    for (const FileFinding& finding : findings) {
        strJson += (strJson.size() > 1 ? ",{\"line\":" : "{\"line\":") +
                   std::to_string(finding.nLine) + ",\"text\":" + JsonString(finding.strText) + "}";
    }
    return strJson + "]";
}

} // namespace

std::string CVerdictOutput::FindingsText(const std::string& strFile, const CFileVerdict& verdict,
                                         const std::string& strPrefix) {
    return FindingLines(strFile, verdict.errors, verdict.nErrors, "error", strPrefix) +
           FindingLines(strFile, verdict.warnings, verdict.nWarnings, "warning", strPrefix);
}

std::string CVerdictOutput::FactsText(const std::string& strFile, const CFileVerdict& verdict) {
    return strFile + ": " + verdict.Summary() + "\n" +
           "  data bytes:     " + std::to_string(verdict.nDataBytes) + "\n" +
           "  address ranges: " + verdict.RangesText(CFileVerdict::kMostKept) + "\n" +
           "  start address:  " + verdict.StartText() + "\n" +
           "  sha256:         " + verdict.strSha256 + "\n";
}

std::string CVerdictOutput::Json(const std::string& strFile, const CFileVerdict& verdict) {
    std::string strRanges = "[";
    for (const AddressRange& range : verdict.ranges) {
        strRanges += (strRanges.size() > 1 ? ",[" : "[") + std::to_string(range.nFirst) + "," +
                     std::to_string(range.nLast) + "]";
    }
    strRanges += "]";
    return "{\"file\":" + JsonString(strFile) +
           ",\"ok\":" + (verdict.HasErrors() ? "false" : "true") +
           ",\"records\":" + std::to_string(verdict.nRecords) +
           ",\"data_bytes\":" + std::to_string(verdict.nDataBytes) + ",\"ranges\":" + strRanges +
           ",\"ranges_complete\":" + (verdict.bRangesIncomplete ? "false" : "true") +
           ",\"start\":" + (verdict.bHasStart ? std::to_string(verdict.nStartAddress) : "null") +
           ",\"sha256\":" + JsonString(verdict.strSha256) +
           ",\"error_count\":" + std::to_string(verdict.nErrors) +
           ",\"errors\":" + JsonFindings(verdict.errors) +
           ",\"warning_count\":" + std::to_string(verdict.nWarnings) +
           ",\"warnings\":" + JsonFindings(verdict.warnings) + "}\n";
}

std::string CVerdictOutput::UnreadableJson(const std::string& strFile,
                                           const std::string& strReason) {
    return "{\"file\":" + JsonString(strFile) +
           ",\"ok\":false,\"unreadable\":" + JsonString(strReason) + "}\n";
}

} // namespace vantoro
