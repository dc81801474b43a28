#pragma once

#include <memory>

#include "dirchooser/idrivesource.h"
#include "dirchooser/inetworksource.h"

namespace vantoro {

// The drives and the network of the system built for, which the chooser shows when its
// caller gives it none of its own.
std::unique_ptr<IDriveSource> CreateSystemDriveSource();
std::unique_ptr<INetworkSource> CreateSystemNetworkSource();

} // namespace vantoro
