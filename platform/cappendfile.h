#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantoro {

// A regular file that grows by whole writes at its end (a record several programs add to):
// created when missing, never a FIFO or a device, with an exclusive lock the writers take in
// turns around each read-decide-write.
class CAppendFile {
public:
    CAppendFile() = default;
    ~CAppendFile() { Close(); }
    CAppendFile(const CAppendFile&) = delete;
    CAppendFile& operator=(const CAppendFile&) = delete;

    // False with strWhy saying what the path is instead ("it is ..."), or the system's reason.
    // pbCreated tells whether this open made the file, so a failed start removes only its own.
    bool Open(const std::string& strPath, std::string& strWhy, bool* pbCreated = nullptr);
    bool IsOpen() const { return m_nHandle != -1; }
    void Close();

    // Waits for the lock; every holder releases it by Unlock or by closing.
    void Lock();
    void Unlock();

    bool GetSize(std::int64_t& nSize) const;
    // Bytes read at nOffset, -1 on an error.
    std::ptrdiff_t ReadAt(std::int64_t nOffset, char* pBuffer, std::size_t nSize) const;
    // Every byte at the end of the file, or false with errno saying why.
    bool Append(const std::string& strData);
    bool Truncate(std::int64_t nSize);
    // Whether the file (or its folder) was removed while open: what is written now is lost.
    bool IsRemoved() const;

private:
    std::intptr_t m_nHandle = -1; // a descriptor, or a Windows handle
};

} // namespace vantoro
