#include "platform/installregistry.h"

#include "platform/cinstallpath.h"
#include "platform/win32/widetext.h"

#include <vector>

#include <windows.h>

namespace vantoro {

const char kInstallIniPath[] = "HKEY_LOCAL_MACHINE\\Software\\Quentar\\Proms\\Install";

namespace {

// The first string of the data when its type and terminator are right, else empty: REG_SZ and
// REG_EXPAND_SZ (not expanded) end with one NUL, REG_MULTI_SZ with two.
std::wstring StringOfValue(DWORD nType, const std::vector<wchar_t>& data) {
    const std::size_t n = data.size();
    if ((nType == REG_SZ || nType == REG_EXPAND_SZ) && n >= 1 && data[n - 1] == L'\0')
        return std::wstring(data.data());
    if (nType == REG_MULTI_SZ && n >= 2 && data[n - 1] == L'\0' && data[n - 2] == L'\0')
        return std::wstring(data.data());
    return std::wstring();
}

} // namespace

bool ReadInstallRegistry(const std::string& strSource, std::string& strValue) {
    if (strSource != kInstallIniPath)
        return false;
    strValue.clear();
    // Read access is enough: users without administrator rights get the install path too.
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Quentar\\Proms\\Install", 0, KEY_READ,
                        &hKey) != ERROR_SUCCESS)
        return true;
    DWORD nType = 0;
    DWORD nBytes = 0;
    if (::RegQueryValueExW(hKey, L"Prom_Path", nullptr, &nType, nullptr, &nBytes) ==
            ERROR_SUCCESS &&
        nBytes >= sizeof(wchar_t)) {
        std::vector<wchar_t> data(nBytes / sizeof(wchar_t));
        nBytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        if (::RegQueryValueExW(hKey, L"Prom_Path", nullptr, &nType,
                               reinterpret_cast<BYTE*>(data.data()), &nBytes) == ERROR_SUCCESS) {
            data.resize(nBytes / sizeof(wchar_t));
            strValue = Utf8Text(StringOfValue(nType, data), true);
        }
    }
    ::RegCloseKey(hKey);
    return true;
}

} // namespace vantoro
