#pragma once

#include <string>

#include "dirchooser/idrivesource.h"

namespace vantoro {

// This machine's drives: "/" and the home folder as fixed drives, then every local file system
// mounted under /media, /run/media or /mnt (removable, CD-ROM or memory by its type).
// Network file systems are left to the network source.
class CLinuxDriveSource : public IDriveSource {
public:
    // An empty strHome takes $HOME, or the password database's entry when that is unset.
    explicit CLinuxDriveSource(std::string strMountsPath = "/proc/mounts",
                               std::string strHome = std::string());

    std::vector<SDriveEntry> ListDrives() override;

    // The drive type a mount gets in the chooser, or 0 when it is not shown as a drive.
    static int MountDriveType(const std::string& strMountPoint, const std::string& strType);

private:
    std::string m_strMountsPath;
    std::string m_strHome;
};

} // namespace vantoro
