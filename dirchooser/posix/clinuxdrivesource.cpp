#include "dirchooser/posix/clinuxdrivesource.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

#include "dirchooser/posix/cmounttable.h"

namespace vantoro {

namespace {

std::string HomeFolder() {
    const char* pszHome = std::getenv("HOME");
    if (pszHome && *pszHome)
        return pszHome;
    const passwd* pEntry = getpwuid(getuid());
    return pEntry && pEntry->pw_dir ? pEntry->pw_dir : std::string();
}

std::string WithoutTrailingSlash(std::string strPath) {
    while (strPath.size() > 1 && strPath.back() == '/')
        strPath.pop_back();
    return strPath;
}

} // namespace

CLinuxDriveSource::CLinuxDriveSource(std::string strMountsPath, std::string strHome)
    : m_strMountsPath(std::move(strMountsPath)), m_strHome(std::move(strHome)) {}

int CLinuxDriveSource::MountDriveType(const std::string& strMountPoint,
                                      const std::string& strType) {
    static const char* const kParents[] = {"/media/", "/run/media/", "/mnt/"};
    const bool bBelowParent = std::any_of(std::begin(kParents), std::end(kParents), [&](auto psz) {
        const std::string strParent = psz;
        return strMountPoint.size() > strParent.size() &&
               strMountPoint.compare(0, strParent.size(), strParent) == 0;
    });
    if (!bBelowParent || CMountTable::IsNetworkType(strType))
        return 0;
    if (strType == "iso9660" || strType == "udf")
        return DriveCdrom;
    if (strType == "tmpfs" || strType == "ramfs")
        return DriveRamdisk;
    return DriveRemovable;
}

std::vector<SDriveEntry> CLinuxDriveSource::ListDrives() {
    std::vector<SDriveEntry> drives;
    drives.push_back({"/", DriveFixed});
    std::error_code ec;
    const std::string strHome = WithoutTrailingSlash(m_strHome.empty() ? HomeFolder() : m_strHome);
    if (!strHome.empty() && strHome != "/" && std::filesystem::is_directory(strHome, ec))
        drives.push_back({strHome, DriveFixed});

    std::vector<SMountEntry> mounts;
    std::vector<SDriveEntry> media;
    if (CMountTable::Read(m_strMountsPath, mounts)) {
        for (const SMountEntry& mount : mounts) {
            const std::string strRoot = WithoutTrailingSlash(mount.strMountPoint);
            const int nType = MountDriveType(strRoot, mount.strType);
            if (nType == 0)
                continue;
            // A folder mounted over twice is still one place.
            auto it = std::find_if(media.begin(), media.end(),
                                   [&](const SDriveEntry& d) { return d.strRoot == strRoot; });
            if (it == media.end())
                media.push_back({strRoot, nType});
            else
                it->nType = nType; // the later mount is the one visible
        }
    }
    std::sort(media.begin(), media.end(),
              [](const SDriveEntry& a, const SDriveEntry& b) { return a.strRoot < b.strRoot; });
    drives.insert(drives.end(), media.begin(), media.end());
    return drives;
}

} // namespace vantoro
