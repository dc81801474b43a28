#pragma once

#include <string>

#include "dirchooser/inetworksource.h"

namespace vantoro {

// The network as this machine sees it: the mounted network file systems (SMB/CIFS, NFS, SSHFS),
// grouped by server. The top level lists the servers; a server lists its shares, each of which
// carries its mount point as the local name so that it opens where it is mounted.
class CLinuxNetworkSource : public INetworkSource {
public:
    explicit CLinuxNetworkSource(std::string strMountsPath = "/proc/mounts");

    bool EnumerateNetwork(const SNetResource* pContainer,
                          std::vector<SNetResource>& entries) override;

    // The name a share of strPath on strServer is listed under: the path without its leading
    // '/', "/" for a server's root, "~" for an ssh login folder (empty path).
    static std::string ShareLabel(const std::string& strPath);

private:
    std::string m_strMountsPath;
};

} // namespace vantoro
