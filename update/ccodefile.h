#pragma once

#include "serial/cfiledescriptor.h"

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vantoro {

// The code file of one update: a text file read as records, one per line, in text mode (a
// carriage return before a line feed is dropped, Ctrl-Z ends the file). It is counted once at
// open and then streamed a record at a time, so only the current record is ever in memory.
// A file that is changed, truncated, replaced or deleted after it was opened reads as an error
// from then on, so a record of another version can never follow one of the first: every record
// checks the file's identity (inode, size, modification and change times, and that the path still
// names it), and every block read while sending must hash as the same block did while counting,
// which catches even an edit that kept the size and fell within one timestamp tick.
class CCodeFile {
public:
    enum ReadResult { Record, EndOfFile, ReadError };

    CCodeFile();

    // Opens, counts the records and rewinds. False when the file cannot be opened or read;
    // records total and sent are then 0.
    bool OpenAndCount(const std::string& strPath);

    // Reads the next record into strLine (without its line ending).
    ReadResult ReadRecord(std::string& strLine);

    void CloseIfOpen();
    bool IsOpen() const { return m_bOpen; }

    int GetRecordsTotal() const { return m_nRecordsTotal; }
    int GetRecordsSent() const { return m_nRecordsSent; }
    void AddRecordSent() { ++m_nRecordsSent; }

private:
    struct Identity {
        dev_t nDevice = 0;
        ino_t nInode = 0;
        off_t nSize = 0;
        std::int64_t nModified = 0; // ns
        std::int64_t nChanged = 0;  // ns; any write or attribute change moves it
    };

    bool Rewind();
    bool FillBuffer();
    bool IsUnchanged() const;
    bool MatchesCountedBlock();
    static bool ReadIdentity(int nFd, Identity& identity);

    CFileDescriptor m_fd;
    std::string m_strPath;
    Identity m_identity;
    bool m_bOpen = false;
    bool m_bEnded = false;   // Ctrl-Z or the end of the file was reached
    bool m_bFailed = false;  // a read error or a change was seen: every further read fails
    bool m_bCounted = false; // from then on every record checks the file is still the same
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
