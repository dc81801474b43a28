#include "platform/cappendfile.h"

#include "platform/filekind.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantoro {

bool CAppendFile::Open(const std::string& strPath, std::string& strWhy, bool* pbCreated) {
    Close();
    // Whether the file is new is known for certain: an existing one is opened, else one is
    // created exclusively, and a race between the two is tried once more.
    for (int nTry = 0; nTry < 2; ++nTry) {
        int fd = OpenRegularFile(strPath, O_RDWR | O_APPEND, strWhy);
        bool bCreated = false;
        if (fd < 0 && errno == ENOENT) {
            fd = OpenRegularFile(strPath, O_RDWR | O_APPEND | O_CREAT | O_EXCL, strWhy);
            bCreated = fd >= 0;
            if (fd < 0 && errno == EEXIST)
                continue;
        }
        if (fd < 0)
            return false;
        m_nHandle = fd;
        if (pbCreated)
            *pbCreated = bCreated;
        return true;
    }
    return false;
}

void CAppendFile::Close() {
    if (m_nHandle != -1)
        ::close(static_cast<int>(m_nHandle));
    m_nHandle = -1;
}

void CAppendFile::Lock() {
    while (::flock(static_cast<int>(m_nHandle), LOCK_EX) != 0 && errno == EINTR) {
    }
}

void CAppendFile::Unlock() {
    ::flock(static_cast<int>(m_nHandle), LOCK_UN);
}

bool CAppendFile::GetSize(std::int64_t& nSize) const {
    struct stat info {};
    if (::fstat(static_cast<int>(m_nHandle), &info) != 0)
        return false;
    nSize = static_cast<std::int64_t>(info.st_size);
    return true;
}

std::ptrdiff_t CAppendFile::ReadAt(std::int64_t nOffset, char* pBuffer, std::size_t nSize) const {
    ssize_t n;
    do {
        n = ::pread(static_cast<int>(m_nHandle), pBuffer, nSize, static_cast<off_t>(nOffset));
    } while (n < 0 && errno == EINTR);
    return n;
}

bool CAppendFile::Append(const std::string& strData) {
    for (std::size_t done = 0; done < strData.size();) {
        const ssize_t n =
            ::write(static_cast<int>(m_nHandle), strData.data() + done, strData.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool CAppendFile::IsRemoved() const {
    struct stat info {};
    return ::fstat(static_cast<int>(m_nHandle), &info) == 0 && info.st_nlink == 0;
}

bool CAppendFile::Truncate(std::int64_t nSize) {
    int rc;
    do {
        rc = ::ftruncate(static_cast<int>(m_nHandle), static_cast<off_t>(nSize));
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

} // namespace vantoro
