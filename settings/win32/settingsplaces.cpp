#include "settings/capppaths.h"

#include "platform/win32/widetext.h"

#include <cstdlib>
#include <string>

#include <windows.h>

namespace vantoro {

namespace {

bool IsAbsoluteWindowsPath(const std::string& strPath) {
    const bool bDrive =
        strPath.size() >= 3 && strPath[1] == ':' && (strPath[2] == '/' || strPath[2] == '\\');
    const bool bShare = strPath.size() >= 2 && (strPath[0] == '/' || strPath[0] == '\\') &&
                        (strPath[1] == '/' || strPath[1] == '\\');
    return bDrive || bShare;
}

} // namespace

std::string FallbackSettingsFolder(const EnvironmentLookup& getEnv) {
    std::string strValue;
    if (!getEnv || !getEnv("APPDATA", strValue) || !IsAbsoluteWindowsPath(strValue))
        return std::string();
    for (char& c : strValue) {
        if (c == '\\')
            c = '/';
    }
    if (strValue.back() != '/')
        strValue += '/';
    return strValue + "Vantoro/";
}

EnvironmentLookup ProcessEnvironment() {
    return [](const std::string& strName, std::string& strValue) {
        const wchar_t* pszValue = ::_wgetenv(WideText(strName).c_str());
        if (pszValue == nullptr)
            return false;
        strValue = Utf8Text(pszValue);
        return true;
    };
}

bool IsFolderWritable(const std::string& strFolder) {
    if (strFolder.empty())
        return false;
    // Rights on Windows come from access lists (and Program Files from an installer's
    // elevation), which no attribute tells: a file made and dropped there is the only answer.
    const std::wstring strProbe = WideText(strFolder) + L"vantoro-write-check-" +
                                  std::to_wstring(::GetCurrentProcessId()) + L".tmp";
    HANDLE hProbe = ::CreateFileW(strProbe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (hProbe == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(hProbe);
    return true;
}

std::string ReadExecutablePath(const std::string& strFallback) {
    std::wstring strPath(MAX_PATH, L'\0');
    for (;;) {
        const DWORD nLength =
            ::GetModuleFileNameW(nullptr, strPath.data(), static_cast<DWORD>(strPath.size()));
        if (nLength == 0)
            return strFallback;
        if (nLength < strPath.size()) {
            strPath.resize(nLength);
            return Utf8Text(strPath, true);
        }
        strPath.resize(strPath.size() * 2);
    }
}

} // namespace vantoro
