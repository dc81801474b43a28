#include "dirchooser/win32/cwinnetworksource.h"

#include "dirchooser/driveletters.h"

#include <QString>

#include <windows.h>

#include <winnetwk.h>

#include <memory>

namespace vantoro {

namespace {

// One batch of this size is read; a network with more places than fit shows the first ones.
constexpr DWORD kBufferBytes = 16384;

std::string Narrow(const wchar_t* pszText) {
    return pszText ? QString::fromWCharArray(pszText).toStdString() : std::string();
}

std::wstring Widen(const std::string& strText) {
    return QString::fromStdString(strText).toStdWString();
}

SNetResource FromNative(const NETRESOURCEW& native) {
    SNetResource resource;
    resource.nScope = static_cast<int>(native.dwScope);
    resource.nType = static_cast<int>(native.dwType);
    resource.nDisplayType = static_cast<int>(native.dwDisplayType);
    resource.nUsage = static_cast<int>(native.dwUsage);
    resource.strRemoteName = NetworkNameFromUnc(Narrow(native.lpRemoteName));
    resource.strComment = Narrow(native.lpComment);
    resource.strProvider = Narrow(native.lpProvider);
    resource.strLocalName = Narrow(native.lpLocalName);
    // An unmapped share is still reachable by its network name.
    if (resource.nDisplayType == NetDisplayShare && resource.strLocalName.empty())
        resource.strLocalName = resource.strRemoteName;
    return resource;
}

} // namespace

bool CWinNetworkSource::EnumerateNetwork(const SNetResource* pContainer,
                                         std::vector<SNetResource>& entries) {
    // The native record lives as long as the texts it points into.
    std::wstring strRemote, strProvider, strComment;
    NETRESOURCEW container{};
    if (pContainer) {
        strRemote = Widen(UncFromNetworkName(pContainer->strRemoteName));
        strProvider = Widen(pContainer->strProvider);
        strComment = Widen(pContainer->strComment);
        container.dwScope = static_cast<DWORD>(pContainer->nScope);
        container.dwType = static_cast<DWORD>(pContainer->nType);
        container.dwDisplayType = static_cast<DWORD>(pContainer->nDisplayType);
        container.dwUsage = static_cast<DWORD>(pContainer->nUsage);
        container.lpRemoteName = strRemote.empty() ? nullptr : strRemote.data();
        container.lpProvider = strProvider.empty() ? nullptr : strProvider.data();
        container.lpComment = strComment.empty() ? nullptr : strComment.data();
    }
    HANDLE hEnum = nullptr;
    if (WNetOpenEnumW(pContainer ? RESOURCE_GLOBALNET : RESOURCE_CONTEXT, RESOURCETYPE_ANY, 0,
                      pContainer ? &container : nullptr, &hEnum) != NO_ERROR)
        return false;
    // DWORD-sized storage keeps the records inside it aligned.
    auto buffer = std::make_unique<DWORD[]>(kBufferBytes / sizeof(DWORD));
    DWORD nCount = 0xFFFFFFFF;
    DWORD nSize = kBufferBytes;
    const DWORD nResult = WNetEnumResourceW(hEnum, &nCount, buffer.get(), &nSize);
    if (nResult == NO_ERROR) {
        const auto* pRecords = reinterpret_cast<const NETRESOURCEW*>(buffer.get());
        for (DWORD i = 0; i < nCount; ++i)
            entries.push_back(FromNative(pRecords[i]));
    }
    WNetCloseEnum(hEnum);
    return nResult == NO_ERROR;
}

} // namespace vantoro
