#include "dirchooser/driveletters.h"

#include <algorithm>

namespace vantoro {

std::vector<SDriveEntry> DrivesFromMask(std::uint32_t nMask,
                                        const std::function<int(const std::string&)>& fnType) {
    std::vector<SDriveEntry> drives;
    for (int nLetter = 0; nLetter < 26; ++nLetter) {
        if (!(nMask & (std::uint32_t{1} << nLetter)))
            continue;
        const std::string strName{static_cast<char>('A' + nLetter), ':'};
        const int nType = fnType(strName + "\\");
        if (nType >= DriveRemovable && nType <= DriveRamdisk)
            drives.push_back({strName, nType});
    }
    return drives;
}

std::string NetworkNameFromUnc(std::string strUnc) {
    std::replace(strUnc.begin(), strUnc.end(), '\\', '/');
    return strUnc;
}

std::string UncFromNetworkName(std::string strName) {
    std::replace(strName.begin(), strName.end(), '/', '\\');
    return strName;
}

} // namespace vantoro
