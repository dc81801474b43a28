#include "platform/cregularfile.h"

#include "platform/win32/filekinds.h"
#include "platform/win32/widetext.h"

#include <cerrno>

#include <windows.h>
#include <winternl.h>

namespace vantoro {

namespace {

HANDLE HandleOf(std::intptr_t nHandle) {
    return reinterpret_cast<HANDLE>(nHandle);
}

std::int64_t Ticks(const LARGE_INTEGER& time) {
    return static_cast<std::int64_t>(time.QuadPart) * 100; // 100 ns ticks
}

// The file number of the file behind hFile; ntdll is where Windows answers it alone.
bool FileNumberOf(HANDLE hFile, std::uint64_t& nNumber) {
    IO_STATUS_BLOCK status{};
    FILE_INTERNAL_INFORMATION internal{};
    if (::NtQueryInformationFile(hFile, &status, &internal, sizeof internal,
                                 FileInternalInformation) < 0)
        return false;
    nNumber = static_cast<std::uint64_t>(internal.IndexNumber.QuadPart);
    return true;
}

// The update looks at its code file once a record, so every question here is one the file
// system answers from the file alone. The volume's serial number would be a question to the
// mount manager each time (under Wine, a round trip to another process that doubled the time
// of a paced update); in its place the file's creation time tells a file with the same number
// on another volume apart, and a rename within a volume keeps both.
bool IdentityOfHandle(HANDLE hFile, CFileIdentity& identity) {
    FILE_STANDARD_INFO standard{};
    FILE_BASIC_INFO basic{};
    if (!FileNumberOf(hFile, identity.nIndex) ||
        !::GetFileInformationByHandleEx(hFile, FileStandardInfo, &standard, sizeof standard) ||
        !::GetFileInformationByHandleEx(hFile, FileBasicInfo, &basic, sizeof basic))
        return false;
    identity.nPlace = static_cast<std::uint64_t>(basic.CreationTime.QuadPart);
    identity.nSize = static_cast<std::int64_t>(standard.EndOfFile.QuadPart);
    identity.nModified = Ticks(basic.LastWriteTime);
    identity.nChanged = Ticks(basic.ChangeTime);
    return true;
}

} // namespace

bool CRegularFile::Open(const std::string& strPath, std::string& strWhy) {
    Close();
    // Others may write, rename or delete the file meanwhile, as on Linux: the identity check of
    // whoever reads it tells them.
    HANDLE hFile = OpenRegularFileHandle(strPath, GENERIC_READ, OPEN_EXISTING, strWhy);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    m_nHandle = reinterpret_cast<std::intptr_t>(hFile);
    return true;
}

void CRegularFile::Close() {
    if (m_nHandle != -1)
        ::CloseHandle(HandleOf(m_nHandle));
    m_nHandle = -1;
}

std::ptrdiff_t CRegularFile::Read(char* pBuffer, std::size_t nSize) {
    DWORD nRead = 0;
    const DWORD nAsk = nSize > 0x40000000 ? 0x40000000 : static_cast<DWORD>(nSize);
    if (!::ReadFile(HandleOf(m_nHandle), pBuffer, nAsk, &nRead, nullptr)) {
        errno = EIO;
        return -1;
    }
    return static_cast<std::ptrdiff_t>(nRead);
}

bool CRegularFile::Rewind() {
    LARGE_INTEGER start{};
    return ::SetFilePointerEx(HandleOf(m_nHandle), start, nullptr, FILE_BEGIN) != 0;
}

bool CRegularFile::GetIdentity(CFileIdentity& identity) const {
    return IdentityOfHandle(HandleOf(m_nHandle), identity);
}

bool CRegularFile::IdentityOfPath(const std::string& strPath, CFileIdentity& identity) {
    // No access asked for: only the file's facts are read, whoever holds it.
    HANDLE hFile = ::CreateFileW(WideText(strPath).c_str(), 0,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    const bool bOk = IdentityOfHandle(hFile, identity);
    ::CloseHandle(hFile);
    return bOk;
}

bool CRegularFile::IsReadable(const std::string& strPath, std::string& strWhy) {
    CRegularFile file;
    return file.Open(strPath, strWhy);
}

} // namespace vantoro
