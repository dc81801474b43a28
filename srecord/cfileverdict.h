#pragma once

#include "srecord/caddressranges.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vantoro {

// One thing the check found, at a line of the file (1 for the first) or, with line 0, about the
// file as a whole.
struct FileFinding {
    std::uint64_t nLine = 0;
    std::string strText;

    // "line 12: ..." or the text alone for the whole file.
    std::string ToText() const;
};

// What the file check says about one code file: whether it may go to the equipment (errors),
// what a technician should know (warnings), and what it holds.
struct CFileVerdict {
    static constexpr std::size_t kMostKept = 100; // findings kept of each kind; all are counted

    std::vector<FileFinding> errors;
    std::vector<FileFinding> warnings;
    std::uint64_t nErrors = 0;
    std::uint64_t nWarnings = 0;

    std::uint64_t nRecords = 0; // lines, as the update counts and sends them
    std::uint64_t nDataBytes = 0;
    std::vector<AddressRange> ranges; // merged, lowest first
    bool bRangesIncomplete = false;
    bool bHasStart = false;
    std::uint32_t nStartAddress = 0;
    std::string strSha256; // of every byte of the file

    bool HasErrors() const { return nErrors > 0; }

    // One line, e.g. "1743 Records, 0x0000-0x6CDF, no errors".
    std::string Summary() const;
    // The ranges as "0x0000-0x6CDF, 0x8000-0x80FF", at most nMost of them and a count of the rest.
    std::string RangesText(std::size_t nMost) const;
    std::string StartText() const;
};

} // namespace vantoro
