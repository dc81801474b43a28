#include "platform/cappendfile.h"

#include "platform/win32/filekinds.h"

#include <cerrno>

namespace vantoro {

namespace {

HANDLE HandleOf(std::intptr_t nHandle) {
    return reinterpret_cast<HANDLE>(nHandle);
}

} // namespace

bool CAppendFile::Open(const std::string& strPath, std::string& strWhy, bool* pbCreated) {
    Close();
    // Opened if it is there, else created only if still missing, so "created" is certain.
    HANDLE hFile =
        OpenRegularFileHandle(strPath, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, strWhy);
    bool bCreated = false;
    if (hFile == INVALID_HANDLE_VALUE && errno == ENOENT) {
        hFile = OpenRegularFileHandle(strPath, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, strWhy);
        bCreated = hFile != INVALID_HANDLE_VALUE;
    }
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    m_nHandle = reinterpret_cast<std::intptr_t>(hFile);
    if (pbCreated)
        *pbCreated = bCreated;
    return true;
}

void CAppendFile::Close() {
    if (m_nHandle != -1)
        ::CloseHandle(HandleOf(m_nHandle));
    m_nHandle = -1;
}

void CAppendFile::Lock() {
    OVERLAPPED whole{};
    ::LockFileEx(HandleOf(m_nHandle), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole);
}

void CAppendFile::Unlock() {
    OVERLAPPED whole{};
    ::UnlockFileEx(HandleOf(m_nHandle), 0, MAXDWORD, MAXDWORD, &whole);
}

bool CAppendFile::GetSize(std::int64_t& nSize) const {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(HandleOf(m_nHandle), &size))
        return false;
    nSize = size.QuadPart;
    return true;
}

std::ptrdiff_t CAppendFile::ReadAt(std::int64_t nOffset, char* pBuffer, std::size_t nSize) const {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(nOffset & 0xFFFFFFFF);
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(nOffset) >> 32);
    DWORD nRead = 0;
    if (!::ReadFile(HandleOf(m_nHandle), pBuffer, static_cast<DWORD>(nSize), &nRead, &at)) {
        if (::GetLastError() == ERROR_HANDLE_EOF)
            return 0;
        errno = ErrnoOf(::GetLastError());
        return -1;
    }
    return static_cast<std::ptrdiff_t>(nRead);
}

bool CAppendFile::Append(const std::string& strData) {
    // Offsets of all ones write at the end of the file, as one step: no other writer's line can
    // come between finding the end and writing there.
    for (std::size_t done = 0; done < strData.size();) {
        OVERLAPPED atEnd{};
        atEnd.Offset = 0xFFFFFFFF;
        atEnd.OffsetHigh = 0xFFFFFFFF;
        DWORD nWritten = 0;
        const DWORD nAsk = static_cast<DWORD>(strData.size() - done);
        if (!::WriteFile(HandleOf(m_nHandle), strData.data() + done, nAsk, &nWritten, &atEnd)) {
            errno = ErrnoOf(::GetLastError());
            return false;
        }
        if (nWritten == 0) {
            errno = ENOSPC;
            return false;
        }
        done += nWritten;
    }
    return true;
}

bool CAppendFile::IsRemoved() const {
    FILE_STANDARD_INFO info{};
    return ::GetFileInformationByHandleEx(HandleOf(m_nHandle), FileStandardInfo, &info,
                                          sizeof info) &&
           (info.DeletePending || info.NumberOfLinks == 0);
}

bool CAppendFile::Truncate(std::int64_t nSize) {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = nSize;
    return ::SetFileInformationByHandle(HandleOf(m_nHandle), FileEndOfFileInfo, &end, sizeof end);
}

} // namespace vantoro
