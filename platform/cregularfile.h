#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantoro {

// What tells one version of a file from another: which file it is (its number, and what tells
// equal numbers apart) and its size and times. Two reads that see the same identity saw the same
// file, unchanged.
struct CFileIdentity {
    // With the file number, what tells the file from others: its device on Linux, its creation
    // time on Windows (the volume would be a question to the mount manager at every look).
    std::uint64_t nPlace = 0;
    std::uint64_t nIndex = 0;
    std::int64_t nSize = 0;
    std::int64_t nModified = 0; // ns
    std::int64_t nChanged = 0;  // ns; any write or attribute change moves it

    bool IsSameFile(const CFileIdentity& other) const {
        return nPlace == other.nPlace && nIndex == other.nIndex;
    }
    bool IsSameContent(const CFileIdentity& other) const {
        return nSize == other.nSize && nModified == other.nModified && nChanged == other.nChanged;
    }
};

// A regular file opened for reading by its UTF-8 path. A FIFO, a device or a folder given
// instead is refused without waiting on it (a FIFO would block the open, a device read without
// end); others may go on writing, renaming or deleting the file while it is open.
class CRegularFile {
public:
    CRegularFile() = default;
    ~CRegularFile() { Close(); }
    CRegularFile(const CRegularFile&) = delete;
    CRegularFile& operator=(const CRegularFile&) = delete;
    CRegularFile(CRegularFile&& other) noexcept : m_nHandle(other.m_nHandle) {
        other.m_nHandle = -1;
    }
    CRegularFile& operator=(CRegularFile&& other) noexcept {
        if (this != &other) {
            Close();
            m_nHandle = other.m_nHandle;
            other.m_nHandle = -1;
        }
        return *this;
    }

    // False with strWhy saying what the path is instead ("it is a directory") or the system's
    // reason ("No such file or directory").
    bool Open(const std::string& strPath, std::string& strWhy);
    bool IsOpen() const { return m_nHandle != -1; }
    void Close();

    // Bytes read into pBuffer, 0 at the end of the file, -1 on a read error.
    std::ptrdiff_t Read(char* pBuffer, std::size_t nSize);
    bool Rewind();
    bool GetIdentity(CFileIdentity& identity) const;

    // The identity of what strPath names now (a file renamed over it has another).
    static bool IdentityOfPath(const std::string& strPath, CFileIdentity& identity);
    // Whether strPath can be opened as a regular file for reading; strWhy as for Open.
    static bool IsReadable(const std::string& strPath, std::string& strWhy);

private:
    std::intptr_t m_nHandle = -1; // a descriptor, or a Windows handle
};

} // namespace vantoro
