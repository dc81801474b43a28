#pragma once

#include <vector>

#include "dirchooser/snetresource.h"

namespace vantoro {

// Lists what is inside a network place, so the directory chooser can browse servers and shares
// without knowing where they come from (mounted file systems here, a fixed set in tests).
class INetworkSource {
public:
    virtual ~INetworkSource() = default;

    // Appends the places inside pContainer to entries, or the top-level places when pContainer
    // is null. Returns false when the place cannot be listed; entries is then left unchanged.
    virtual bool EnumerateNetwork(const SNetResource* pContainer,
                                  std::vector<SNetResource>& entries) = 0;
};

} // namespace vantoro
