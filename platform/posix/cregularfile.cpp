#include "platform/cregularfile.h"

#include "platform/filekind.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantoro {

namespace {

std::int64_t Nanoseconds(const timespec& ts) {
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

void IdentityOf(const struct stat& st, CFileIdentity& identity) {
    identity.nPlace = static_cast<std::uint64_t>(st.st_dev);
    identity.nIndex = static_cast<std::uint64_t>(st.st_ino);
    identity.nSize = static_cast<std::int64_t>(st.st_size);
    identity.nModified = Nanoseconds(st.st_mtim);
    identity.nChanged = Nanoseconds(st.st_ctim);
}

} // namespace

bool CRegularFile::Open(const std::string& strPath, std::string& strWhy) {
    Close();
    const int fd = OpenRegularFile(strPath, O_RDONLY | O_NOCTTY, strWhy);
    if (fd < 0)
        return false;
    m_nHandle = fd;
    return true;
}

void CRegularFile::Close() {
    if (m_nHandle != -1)
        ::close(static_cast<int>(m_nHandle)); // never retried: the descriptor is gone anyway
    m_nHandle = -1;
}

std::ptrdiff_t CRegularFile::Read(char* pBuffer, std::size_t nSize) {
    ssize_t n;
    do {
        n = ::read(static_cast<int>(m_nHandle), pBuffer, nSize);
    } while (n < 0 && errno == EINTR);
    return n;
}

bool CRegularFile::Rewind() {
    return ::lseek(static_cast<int>(m_nHandle), 0, SEEK_SET) == 0;
}

bool CRegularFile::GetIdentity(CFileIdentity& identity) const {
    struct stat st {};
    if (::fstat(static_cast<int>(m_nHandle), &st) != 0)
        return false;
    IdentityOf(st, identity);
    return true;
}

bool CRegularFile::IdentityOfPath(const std::string& strPath, CFileIdentity& identity) {
    struct stat st {};
    if (::stat(strPath.c_str(), &st) != 0)
        return false;
    IdentityOf(st, identity);
    return true;
}

bool CRegularFile::IsReadable(const std::string& strPath, std::string& strWhy) {
    CRegularFile file;
    return file.Open(strPath, strWhy);
}

} // namespace vantoro
