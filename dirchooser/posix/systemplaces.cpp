#include "dirchooser/systemplaces.h"

#include "dirchooser/posix/clinuxdrivesource.h"
#include "dirchooser/posix/clinuxnetworksource.h"

namespace vantoro {

std::unique_ptr<IDriveSource> CreateSystemDriveSource() {
    return std::make_unique<CLinuxDriveSource>();
}

std::unique_ptr<INetworkSource> CreateSystemNetworkSource() {
    return std::make_unique<CLinuxNetworkSource>();
}

} // namespace vantoro
