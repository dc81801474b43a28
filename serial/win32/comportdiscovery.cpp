#include "serial/comportdiscovery.h"

#include "platform/win32/widetext.h"
#include "serial/comportnames.h"

#include "serial/win32/windowsapi.h" // last: see there

namespace vantoro {

namespace {

// {86E0D1E0-8089-11D0-9CE4-08003E301F73}: devices that expose a COM port.
const GUID kComPortInterface = {
    0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};
// {4D36E978-E325-11CE-BFC1-08002BE10318}: the Ports (COM & LPT) device class.
const GUID kPortsClass = {
    0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

// SetupAPI brings about ten more libraries into the process; only a port listing needs it, so it
// is loaded at the first one, and from the system folder only.
struct SetupApi {
    decltype(&::SetupDiGetClassDevsW) pGetClassDevs = nullptr;
    decltype(&::SetupDiEnumDeviceInfo) pEnumDeviceInfo = nullptr;
    decltype(&::SetupDiGetDeviceRegistryPropertyW) pGetDeviceRegistryProperty = nullptr;
    decltype(&::SetupDiDestroyDeviceInfoList) pDestroyDeviceInfoList = nullptr;
};

template <typename Function>
void Resolve(HMODULE hModule, const char* pszName, Function& pFunction) {
    // Through the generic function type, which the compiler accepts as a go-between.
    pFunction = reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(::GetProcAddress(hModule, pszName)));
}

const SetupApi* LoadSetupApi() {
    static const SetupApi api = [] {
        SetupApi loaded;
        HMODULE hModule = ::LoadLibraryExW(L"setupapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (hModule == nullptr)
            return loaded;
        Resolve(hModule, "SetupDiGetClassDevsW", loaded.pGetClassDevs);
        Resolve(hModule, "SetupDiEnumDeviceInfo", loaded.pEnumDeviceInfo);
        Resolve(hModule, "SetupDiGetDeviceRegistryPropertyW", loaded.pGetDeviceRegistryProperty);
        Resolve(hModule, "SetupDiDestroyDeviceInfoList", loaded.pDestroyDeviceInfoList);
        return loaded;
    }();
    const bool bComplete = api.pGetClassDevs && api.pEnumDeviceInfo &&
                           api.pGetDeviceRegistryProperty && api.pDestroyDeviceInfoList;
    return bComplete ? &api : nullptr;
}

std::string FriendlyNameOf(const SetupApi& api, HDEVINFO devices, SP_DEVINFO_DATA& device) {
    std::wstring name(128, L'\0');
    DWORD nRequired = 0;
    for (;;) {
        const DWORD nBytes = static_cast<DWORD>(name.size() * sizeof(wchar_t));
        if (api.pGetDeviceRegistryProperty(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                           reinterpret_cast<BYTE*>(name.data()), nBytes,
                                           &nRequired))
            break;
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return {};
        name.assign(nRequired / sizeof(wchar_t) + 1, L'\0');
    }
    name.resize(wcsnlen(name.c_str(), name.size()));
    return Utf8Text(name);
}

// The Ports class also holds printer ports: only a "(COMn)" part names a serial one.
bool NamesComPort(const std::string& strName) {
    const std::size_t open = strName.rfind('(');
    return open != std::string::npos && strName.size() > open + 3 &&
           (strName.compare(open + 1, 3, "COM") == 0 || strName.compare(open + 1, 3, "com") == 0);
}

// Appends the present devices of one SetupAPI set; false when the set could not be had or the
// enumeration stopped on an error.
bool AddSetupApiPorts(const GUID& guid, DWORD nFlags, bool bCheckName,
                      std::vector<ComPortEntry>& entries) {
    const SetupApi* pApi = LoadSetupApi();
    if (pApi == nullptr)
        return false;
    HDEVINFO devices = pApi->pGetClassDevs(&guid, nullptr, nullptr, nFlags);
    if (devices == INVALID_HANDLE_VALUE)
        return false;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    DWORD nIndex = 0;
    for (; pApi->pEnumDeviceInfo(devices, nIndex, &device); ++nIndex) {
        const std::string name = FriendlyNameOf(*pApi, devices, device);
        int nPort = 0;
        if ((!bCheckName || NamesComPort(name)) && ComNumberFromFriendlyName(name, nPort))
            entries.push_back({nPort, name, SystemComDevice(nPort, name)});
    }
    const DWORD nError = ::GetLastError();
    pApi->pDestroyDeviceInfoList(devices);
    return nError == 0 || nError == ERROR_NO_MORE_ITEMS;
}

// The serial ports the drivers have announced, SetupAPI device or not (virtual port drivers,
// Wine's ports found when its prefix started): HKLM\HARDWARE\DEVICEMAP\SERIALCOMM.
std::vector<ComPortEntry> AnnouncedPorts() {
    std::vector<ComPortEntry> entries;
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ,
                        &hKey) != ERROR_SUCCESS)
        return entries;
    for (DWORD nIndex = 0;; ++nIndex) {
        wchar_t name[256];
        wchar_t value[64] = {};
        DWORD nName = 256;
        DWORD nValue = sizeof value - sizeof(wchar_t);
        DWORD nType = 0;
        if (::RegEnumValueW(hKey, nIndex, name, &nName, nullptr, &nType,
                            reinterpret_cast<BYTE*>(value), &nValue) != ERROR_SUCCESS)
            break;
        const int nPort = nType == REG_SZ ? ComNumberFromName(Utf8Text(value)) : -1;
        if (nPort > 0)
            entries.push_back({nPort, "Serial Port (COM" + std::to_string(nPort) + ")",
                               SystemComDevice(nPort, {})});
    }
    ::RegCloseKey(hKey);
    return entries;
}

bool DiscoverPorts(std::vector<ComPortEntry>& entries) {
    std::vector<ComPortEntry> found;
    const bool ok =
        AddSetupApiPorts(kComPortInterface, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE, false, found);
    AddSetupApiPorts(kPortsClass, DIGCF_PRESENT, true, found);
    const std::vector<ComPortEntry> devices = MergeComPortEntries(found, AnnouncedPorts());
    for (ComPortEntry& entry : MergeComPortEntries(NetworkComPortEntries(), devices))
        entries.push_back(std::move(entry));
    return ok;
}

} // namespace

bool DiscoverComPortEntries(std::vector<ComPortEntry>& entries,
                            std::vector<std::string>& /*logTexts*/) {
    return DiscoverPorts(entries);
}

bool DiscoverComPortEntries(std::vector<ComPortEntry>& entries) {
    return DiscoverPorts(entries);
}

} // namespace vantoro
