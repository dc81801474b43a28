#pragma once

#include "platform/cregularfile.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace vantoro {

// The code file of one update: a text file read as records, one per line, in text mode (a
// carriage return before a line feed is dropped, Ctrl-Z ends the file). It is counted once at
// open and then streamed a record at a time, and a record longer than a send's piece is read in
// pieces, so memory never grows with the length of a line.
// A file that is changed, truncated, replaced or deleted after it was opened reads as an error
// from then on, so a record of another version can never follow one of the first: every record
// checks the file's identity (file number, size, modification and change times), the path is
// looked at again at least every 250 ms that it still names the file, and every block read while
// sending must hash as the same block did while counting, which catches even an edit that kept
// the size and fell within one timestamp tick.
class CCodeFile {
public:
    enum ReadResult { Record, EndOfFile, ReadError };

    CCodeFile();

    // Opens, counts the records and rewinds. False when the file cannot be opened or read;
    // records total and sent are then 0.
    bool OpenAndCount(const std::string& strPath);

    // Reads the next record into strLine (without its line ending), however long it is.
    ReadResult ReadRecord(std::string& strLine);
    // Reads at most about nMost bytes of the current record into strPart, so that a line of any
    // length can be sent piece by piece; bComplete is set when the record's end was reached.
    // Record while a record (or a piece of one) was read, EndOfFile when none was left.
    ReadResult ReadRecordPart(std::string& strPart, std::size_t nMost, bool& bComplete);

    void CloseIfOpen();
    bool IsOpen() const { return m_bOpen; }

    int GetRecordsTotal() const { return m_nRecordsTotal; }
    int GetRecordsSent() const { return m_nRecordsSent; }
    void AddRecordSent() { ++m_nRecordsSent; }

private:
    bool Rewind();
    bool FillBuffer();
    // bLookAtPath asks whether the path still names the file even if it was looked at lately.
    bool IsUnchanged(bool bLookAtPath);
    bool MatchesCountedBlock();

    CRegularFile m_file;
    std::string m_strPath;
    CFileIdentity m_identity;
    std::chrono::steady_clock::time_point m_lastPathLook;
    bool m_bOpen = false;
    bool m_bEnded = false;     // Ctrl-Z or the end of the file was reached
    bool m_bFailed = false;    // a read error or a change was seen: every further read fails
    bool m_bCounted = false;   // from then on every record checks the file is still the same
    bool m_bInRecord = false;  // part of the current record has been read
    bool m_bPendingCr = false; // a carriage return whose next byte decides whether it is kept
    std::vector<char> m_buffer;
    struct Block {
        std::size_t nLength;
        std::size_t nHash;
    };
    std::vector<Block> m_blocks; // one per buffer fill while counting: a few bytes per 64 KiB
    std::size_t m_nBlock = 0;    // next block expected while sending
    std::size_t m_nBufferPos = 0;
    std::size_t m_nBufferLen = 0;
    int m_nRecordsTotal = 0;
    int m_nRecordsSent = 0;
};

} // namespace vantoro
