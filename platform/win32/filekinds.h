#pragma once

#include <string>

#include <windows.h>

namespace vantoro {

// Opens strPath (UTF-8) with nAccess and nDisposition as CreateFileW takes them, sharing it with
// every other reader, writer and deleter, only when it is a file on disk: a folder, a pipe or a
// device gives INVALID_HANDLE_VALUE with strWhy saying what it is ("it is a directory"); any
// other failure gives the reason, in the words the C library uses for the common ones, with
// errno set to match.
HANDLE OpenRegularFileHandle(const std::string& strPath, DWORD nAccess, DWORD nDisposition,
                             std::string& strWhy);

// errno for a GetLastError code, and the reason as strerror words it where there is one.
int ErrnoOf(DWORD nError);
std::string ReasonOf(DWORD nError);

} // namespace vantoro
