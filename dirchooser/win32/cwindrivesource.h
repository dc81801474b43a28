#pragma once

#include "dirchooser/idrivesource.h"

namespace vantoro {

// The drive letters Windows has, each with the type Windows gives its root.
class CWinDriveSource : public IDriveSource {
public:
    std::vector<SDriveEntry> ListDrives() override;
};

} // namespace vantoro
