#include "platform/profilefileio.h"

#include "platform/win32/widetext.h"

#include <cstdint>
#include <cwchar>
#include <string>

#include <windows.h>

namespace vantoro {

namespace {

std::wstring TemporaryName(const std::wstring& strTarget, DWORD nPid, int nTry) {
    return strTarget + L".tmp" + std::to_wstring(nPid) + L"-" + std::to_wstring(nTry);
}

bool WriteAllAndFlush(HANDLE hFile, const std::string& strContent) {
    for (std::size_t done = 0; done < strContent.size();) {
        DWORD nWritten = 0;
        const DWORD nAsk = static_cast<DWORD>(strContent.size() - done);
        if (!::WriteFile(hFile, strContent.data() + done, nAsk, &nWritten, nullptr) ||
            nWritten == 0)
            return false;
        done += nWritten;
    }
    return ::FlushFileBuffers(hFile) != 0;
}

// A new file of its own beside the target, holding the content on disk; its name in strTemp.
bool WriteTemporary(const std::wstring& strTarget, const std::string& strContent,
                    std::wstring& strTemp) {
    const DWORD nPid = ::GetCurrentProcessId();
    for (int nTry = 0; nTry < 100; ++nTry) {
        strTemp = TemporaryName(strTarget, nPid, nTry);
        HANDLE hFile = ::CreateFileW(strTemp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hFile == INVALID_HANDLE_VALUE) {
            if (::GetLastError() == ERROR_FILE_EXISTS)
                continue;
            break;
        }
        const bool bOk = WriteAllAndFlush(hFile, strContent);
        ::CloseHandle(hFile);
        if (bOk)
            return true;
        ::DeleteFileW(strTemp.c_str());
        break;
    }
    strTemp.clear();
    return false;
}

bool IsProcessGone(DWORD nPid) {
    HANDLE hProcess = ::OpenProcess(SYNCHRONIZE, FALSE, nPid);
    if (hProcess == nullptr)
        return ::GetLastError() == ERROR_INVALID_PARAMETER;
    const bool bGone = ::WaitForSingleObject(hProcess, 0) == WAIT_OBJECT_0;
    ::CloseHandle(hProcess);
    return bGone;
}

// A save killed between writing its temporary file and the replacement leaves that file
// behind; the next save removes the ones whose process has gone.
void RemoveStaleTemporaries(const std::wstring& strTarget) {
    WIN32_FIND_DATAW found{};
    HANDLE hFind = ::FindFirstFileW((strTarget + L".tmp*").c_str(), &found);
    if (hFind == INVALID_HANDLE_VALUE)
        return;
    const std::size_t nSlash = strTarget.find_last_of(L"/\\");
    const std::wstring strFolder =
        nSlash == std::wstring::npos ? std::wstring() : strTarget.substr(0, nSlash + 1);
    const std::wstring strPrefix = strTarget.substr(nSlash + 1) + L".tmp";
    do {
        const std::wstring strName = found.cFileName;
        wchar_t* pEnd = nullptr;
        const unsigned long nPid = std::wcstoul(strName.c_str() + strPrefix.size(), &pEnd, 10);
        if (strName.size() > strPrefix.size() && nPid != 0 && pEnd != nullptr && *pEnd == L'-' &&
            IsProcessGone(nPid))
            ::DeleteFileW((strFolder + strName).c_str());
    } while (::FindNextFileW(hFind, &found));
    ::FindClose(hFind);
}

constexpr int kReplaceTries = 50;
constexpr DWORD kReplacePauseMs = 20;

// ReplaceFileW keeps the old file's attributes and security; a new file is simply moved in.
bool ReplaceOnce(const std::wstring& strTarget, const std::wstring& strTemp) {
    const bool bExists = ::GetFileAttributesW(strTarget.c_str()) != INVALID_FILE_ATTRIBUTES;
    return (bExists && ::ReplaceFileW(strTarget.c_str(), strTemp.c_str(), nullptr,
                                      REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) ||
           ::MoveFileExW(strTemp.c_str(), strTarget.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

} // namespace

std::string SaveTarget(const std::string& strFile) {
    return strFile;
}

std::string FolderOf(const std::string& strPath) {
    const std::size_t nSlash = strPath.find_last_of("/\\");
    if (nSlash == std::string::npos)
        return strPath.size() >= 2 && strPath[1] == ':' ? strPath.substr(0, 2) + "." : ".";
    // "C:/x" lies in "C:/", not in "C:" (which is the drive's current folder).
    const bool bRoot = nSlash == 0 || (nSlash == 2 && strPath[1] == ':');
    return strPath.substr(0, bRoot ? nSlash + 1 : nSlash);
}

bool ReplaceFileAtomically(const std::string& strTarget, const std::string& strContent) {
    const std::wstring strWideTarget = WideText(strTarget);
    std::wstring strTemp;
    if (!WriteTemporary(strWideTarget, strContent, strTemp))
        return false;
    // Windows refuses to replace a file another program is reading at this instant (a reader
    // outside the lock): the replacement is tried again for a short, bounded while.
    bool bOk = false;
    for (int nTry = 0; nTry < kReplaceTries && !bOk; ++nTry) {
        if (nTry > 0)
            ::Sleep(kReplacePauseMs);
        bOk = ReplaceOnce(strWideTarget, strTemp);
    }
    if (!bOk) {
        ::DeleteFileW(strTemp.c_str());
        return false;
    }
    RemoveStaleTemporaries(strWideTarget);
    return true;
}

std::string SaveRefusal(const std::string& strTarget, std::size_t nMost) {
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (!::GetFileAttributesExW(WideText(strTarget).c_str(), GetFileExInfoStandard, &info))
        return {}; // a new file: the folder decides, and the save says so
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return strTarget + " is not saved to: it is a directory";
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0)
        return strTarget + " is read-only: the choices made now are not saved";
    const std::uint64_t nSize =
        (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (nSize > nMost)
        return strTarget + " is too large to be a settings file: it is not read and not saved to";
    return {};
}

} // namespace vantoro
