#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dirchooser/idrivesource.h"

namespace vantoro {

// Drive letters as Windows reports them, turned into the chooser's top-level places.

// The drives of a logical-drive mask (bit 0 is A:), in letter order, each named "C:" and with
// the type fnType gives for its root ("C:\"). Types the chooser has no picture for (unknown,
// no root folder) are left out.
std::vector<SDriveEntry> DrivesFromMask(std::uint32_t nMask,
                                        const std::function<int(const std::string&)>& fnType);

// A network name as the chooser handles it, "//server/share", from Windows' "\\server\share",
// and back.
std::string NetworkNameFromUnc(std::string strUnc);
std::string UncFromNetworkName(std::string strName);

} // namespace vantoro
