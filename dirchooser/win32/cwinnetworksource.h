#pragma once

#include "dirchooser/inetworksource.h"

namespace vantoro {

// The Windows network as its network providers show it (domains, servers, shares), read
// through the WNet enumeration. A share carries its UNC path as its local name, so it opens
// without a drive letter mapped to it.
class CWinNetworkSource : public INetworkSource {
public:
    bool EnumerateNetwork(const SNetResource* pContainer,
                          std::vector<SNetResource>& entries) override;
};

} // namespace vantoro
