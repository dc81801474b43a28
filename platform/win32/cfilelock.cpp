#include "platform/cfilelock.h"

#include "platform/win32/widetext.h"

#include <functional>

#include <windows.h>

namespace vantoro {

namespace {

// Windows locks byte ranges of files, not folders. Programs that lock a folder meet at a named
// mutex instead, named after the folder's full path as Windows compares paths (any case).
HANDLE LockFolder(const std::wstring& strFolder, DWORD nWaitMs, bool& bHeldElsewhere) {
    const DWORD nAttributes = ::GetFileAttributesW(strFolder.c_str());
    if (nAttributes == INVALID_FILE_ATTRIBUTES || (nAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return nullptr;
    wchar_t szFull[MAX_PATH * 4];
    const DWORD nFull = ::GetFullPathNameW(strFolder.c_str(), MAX_PATH * 4, szFull, nullptr);
    if (nFull == 0 || nFull >= MAX_PATH * 4)
        return nullptr;
    DWORD nPath = nFull;
    while (nPath > 0 && (szFull[nPath - 1] == L'\\' || szFull[nPath - 1] == L'/'))
        --nPath;
    std::wstring strKey(nPath, L'\0');
    const int nKey = static_cast<int>(nPath);
    if (nKey > 0 && ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, szFull, nKey,
                                    strKey.data(), nKey, nullptr, nullptr, 0) != nKey)
        return nullptr;
    for (wchar_t& c : strKey) {
        if (c == L'\\' || c == L'/')
            c = L'!'; // a backslash would name a namespace
    }
    const std::wstring strName =
        L"Local\\vantoro-folder-lock-" + std::to_wstring(std::hash<std::wstring>()(strKey));
    HANDLE hMutex = ::CreateMutexW(nullptr, FALSE, strName.c_str());
    if (hMutex == nullptr)
        return nullptr;
    // An owner that died without releasing leaves the mutex abandoned: it is ours then.
    const DWORD nWait = ::WaitForSingleObject(hMutex, nWaitMs);
    if (nWait != WAIT_OBJECT_0 && nWait != WAIT_ABANDONED) {
        bHeldElsewhere = nWait == WAIT_TIMEOUT;
        ::CloseHandle(hMutex);
        return nullptr;
    }
    return hMutex;
}

HANDLE LockFile(const std::wstring& strPath, DWORD nWaitMs, bool& bHeldElsewhere) {
    HANDLE hFile = ::CreateFileW(strPath.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return nullptr;
    if (::GetFileType(hFile) != FILE_TYPE_DISK) {
        ::CloseHandle(hFile);
        return nullptr;
    }
    // Polled rather than blocking: a blocking LockFileEx cannot be given a time limit.
    const ULONGLONG nDeadline = ::GetTickCount64() + nWaitMs;
    for (;;) {
        OVERLAPPED whole{};
        if (::LockFileEx(hFile, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                         MAXDWORD, &whole))
            return hFile;
        if (::GetLastError() != ERROR_LOCK_VIOLATION || ::GetTickCount64() >= nDeadline)
            break;
        ::Sleep(20);
    }
    bHeldElsewhere = ::GetLastError() == ERROR_LOCK_VIOLATION;
    ::CloseHandle(hFile);
    return nullptr;
}

} // namespace

CFileLock::CFileLock(const std::string& strPath, bool bCreate, int nWaitMs) {
    const std::wstring strWide = WideText(strPath);
    const DWORD nWait = static_cast<DWORD>(nWaitMs < 0 ? 0 : nWaitMs);
    HANDLE hLock = bCreate ? LockFile(strWide, nWait, m_bHeldElsewhere)
                           : LockFolder(strWide, nWait, m_bHeldElsewhere);
    if (hLock == nullptr) {
        m_strProblem = m_bHeldElsewhere
                           ? "another program has held the lock " + strPath + " for over " +
                                 std::to_string((nWaitMs + 500) / 1000) + " s"
                           : "cannot take the lock " + strPath;
        return;
    }
    m_nHandle = reinterpret_cast<std::intptr_t>(hLock);
    m_bHeld = true;
}

CFileLock::~CFileLock() {
    if (!m_bHeld)
        return;
    HANDLE hLock = reinterpret_cast<HANDLE>(m_nHandle);
    if (::GetFileType(hLock) == FILE_TYPE_DISK) {
        OVERLAPPED whole{};
        ::UnlockFileEx(hLock, 0, MAXDWORD, MAXDWORD, &whole);
    } else {
        ::ReleaseMutex(hLock);
    }
    ::CloseHandle(hLock);
}

} // namespace vantoro
