#pragma once

#include "srecord/caddressranges.h"
#include "srecord/cfileverdict.h"
#include "srecord/csha256.h"
#include "srecord/csrecordline.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vantoro {

// Checks a code file before any of it reaches the equipment: the bytes are fed in pieces of any
// size and read as the update reads them (a carriage return before a line feed is dropped, Ctrl-Z
// ends the file), each line must be a Motorola S-record, and the file must end in exactly the
// way the equipment expects. Memory stays the same whatever the file holds: a line is kept only
// up to the longest record, and findings and address ranges are capped.
class CFileCheck {
public:
    void Feed(const char* pData, std::size_t nLength);
    // The verdict on everything fed; the check is spent afterwards.
    CFileVerdict Finish();

    // Reads the file once and checks it. False, with the reason, when it cannot be read; a
    // directory, device or pipe is never a code file.
    static bool CheckFile(const std::string& strPath, CFileVerdict& verdict, std::string& strError);

    // Told the bytes read so far and the file's size as the check goes; returning false stops
    // it, and CheckFile then returns false with kStoppedReason.
    using ProgressFunction = std::function<bool(std::uint64_t nRead, std::uint64_t nSize)>;
    static constexpr const char* kStoppedReason = "the check was stopped";
    static bool CheckFile(const std::string& strPath, CFileVerdict& verdict, std::string& strError,
                          const ProgressFunction& progress);

private:
    void TakeLineByte(char c);
    void TakeLineBytes(const char* pBytes, std::size_t nCount);
    void EndLine();
    void CheckRecord(const SRecordFields& fields);
    void CheckData(const SRecordFields& fields);
    void AddError(std::uint64_t nLine, std::string strText);
    void AddWarning(std::uint64_t nLine, std::string strText);

    CFileVerdict m_verdict;
    CSha256 m_sha;
    CAddressRanges m_ranges;

    std::string m_strLine;              // the current line, up to one byte past the longest record
    std::uint64_t m_nLineLength = 0;    // its full length, however long
    std::uint64_t m_nBadByteColumn = 0; // first byte that is not printable text, 1-based
    unsigned char m_cBadByte = 0;
    bool m_bLineOpen = false; // bytes of a line have been seen since the last line feed
    bool m_bPendingCr = false;
    bool m_bEnded = false;         // Ctrl-Z was read
    std::uint64_t m_nAfterEnd = 0; // bytes after the Ctrl-Z, never read by the update
    std::uint64_t m_nEndLine = 0;  // line that held the Ctrl-Z

    std::uint64_t m_nLine = 0; // lines completed
    std::uint64_t m_nDataRecords = 0;
    std::uint64_t m_nTerminationLine = 0; // 0 until S7, S8 or S9
    bool m_bHeader = false;
};

} // namespace vantoro
