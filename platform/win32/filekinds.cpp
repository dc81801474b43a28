#include "platform/win32/filekinds.h"

#include "platform/win32/widetext.h"

#include <cerrno>
#include <cstring>

namespace vantoro {

int ErrnoOf(DWORD nError) {
    switch (nError) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    default:
        return EIO;
    }
}

std::string ReasonOf(DWORD nError) {
    errno = ErrnoOf(nError);
    return errno == EIO ? SystemErrorText(nError) : std::string(std::strerror(errno));
}

HANDLE OpenRegularFileHandle(const std::string& strPath, DWORD nAccess, DWORD nDisposition,
                             std::string& strWhy) {
    const std::wstring strWide = WideText(strPath);
    const DWORD nAttributes = ::GetFileAttributesW(strWide.c_str());
    if (nAttributes != INVALID_FILE_ATTRIBUTES && (nAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        errno = EISDIR;
        strWhy = "it is a directory";
        return INVALID_HANDLE_VALUE;
    }
    HANDLE hFile = ::CreateFileW(strWide.c_str(), nAccess,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 nDisposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        strWhy = ReasonOf(::GetLastError());
        return INVALID_HANDLE_VALUE;
    }
    const DWORD nType = ::GetFileType(hFile);
    if (nType == FILE_TYPE_DISK)
        return hFile;
    ::CloseHandle(hFile);
    errno = EISDIR;
    strWhy = nType == FILE_TYPE_CHAR   ? "it is a character device"
             : nType == FILE_TYPE_PIPE ? "it is a pipe"
                                       : "it is not a regular file";
    return INVALID_HANDLE_VALUE;
}

} // namespace vantoro
