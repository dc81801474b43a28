#include "dirchooser/systemplaces.h"

#include "dirchooser/win32/cwindrivesource.h"
#include "dirchooser/win32/cwinnetworksource.h"

namespace vantoro {

std::unique_ptr<IDriveSource> CreateSystemDriveSource() {
    return std::make_unique<CWinDriveSource>();
}

std::unique_ptr<INetworkSource> CreateSystemNetworkSource() {
    return std::make_unique<CWinNetworkSource>();
}

} // namespace vantoro
