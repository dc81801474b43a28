#pragma once

#include "srecord/cfileverdict.h"

#include <string>

namespace vantoro {

// A file check's verdict as the command line shows it: findings as "FILE:LINE: error: text", the
// way compilers and editors name a place in a file, then the facts; or one JSON object.
class CVerdictOutput {
public:
    // Every kept finding, one per line, each line starting with strPrefix.
    static std::string FindingsText(const std::string& strFile, const CFileVerdict& verdict,
                                    const std::string& strPrefix = "");
    // The summary line and the facts, indented below it.
    static std::string FactsText(const std::string& strFile, const CFileVerdict& verdict);
    static std::string Json(const std::string& strFile, const CFileVerdict& verdict);
    // A file that could not be read at all.
    static std::string UnreadableJson(const std::string& strFile, const std::string& strReason);
};

} // namespace vantoro
