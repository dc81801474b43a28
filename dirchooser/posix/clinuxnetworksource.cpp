#include "dirchooser/posix/clinuxnetworksource.h"

#include <algorithm>

#include "dirchooser/posix/cmounttable.h"

namespace vantoro {

namespace {

// Values of the classic network-resource record, kept so that records read the familiar way.
constexpr int kScopeGlobalNet = 2;
constexpr int kTypeDisk = 1;
constexpr int kUsageConnectable = 1;
constexpr int kUsageContainer = 2;

struct SMountedShare {
    std::string strServer;
    std::string strLabel;
    std::string strMountPoint;
    std::string strType;
};

} // namespace

CLinuxNetworkSource::CLinuxNetworkSource(std::string strMountsPath)
    : m_strMountsPath(std::move(strMountsPath)) {}

std::string CLinuxNetworkSource::ShareLabel(const std::string& strPath) {
    if (strPath.empty())
        return "~";
    std::string strLabel = strPath;
    strLabel.erase(0, strLabel.find_first_not_of('/'));
    while (!strLabel.empty() && strLabel.back() == '/')
        strLabel.pop_back();
    return strLabel.empty() ? "/" : strLabel;
}

bool CLinuxNetworkSource::EnumerateNetwork(const SNetResource* pContainer,
                                           std::vector<SNetResource>& entries) {
    if (pContainer && pContainer->nDisplayType != NetDisplayServer)
        return false;
    std::vector<SMountEntry> mounts;
    if (!CMountTable::Read(m_strMountsPath, mounts))
        return false;

    std::vector<SMountedShare> shares;
    for (const SMountEntry& mount : mounts) {
        SMountedShare share;
        std::string strPath;
        if (!CMountTable::SplitNetworkDevice(mount.strType, mount.strDevice, share.strServer,
                                             strPath))
            continue;
        share.strLabel = ShareLabel(strPath);
        share.strMountPoint = mount.strMountPoint;
        share.strType = mount.strType;
        shares.push_back(std::move(share));
    }

    std::vector<SNetResource> found;
    if (!pContainer) {
        for (const SMountedShare& share : shares) {
            const std::string strRemote = "//" + share.strServer;
            if (std::any_of(found.begin(), found.end(),
                            [&](const SNetResource& r) { return r.strRemoteName == strRemote; }))
                continue;
            SNetResource server;
            server.nScope = kScopeGlobalNet;
            server.nType = kTypeDisk;
            server.nDisplayType = NetDisplayServer;
            server.nUsage = kUsageContainer;
            server.strRemoteName = strRemote;
            server.strProvider = share.strType;
            found.push_back(std::move(server));
        }
    } else {
        for (const SMountedShare& share : shares) {
            if ("//" + share.strServer != pContainer->strRemoteName)
                continue;
            SNetResource resource;
            resource.nScope = kScopeGlobalNet;
            resource.nType = kTypeDisk;
            resource.nDisplayType = NetDisplayShare;
            resource.nUsage = kUsageConnectable;
            resource.strLocalName = share.strMountPoint;
            resource.strRemoteName = "//" + share.strServer + "/" + share.strLabel;
            resource.strProvider = share.strType;
            found.push_back(std::move(resource));
        }
    }
    entries.insert(entries.end(), found.begin(), found.end());
    return true;
}

} // namespace vantoro
