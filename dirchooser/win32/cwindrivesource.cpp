#include "dirchooser/win32/cwindrivesource.h"

#include "dirchooser/driveletters.h"

#include <windows.h>

namespace vantoro {

std::vector<SDriveEntry> CWinDriveSource::ListDrives() {
    return DrivesFromMask(GetLogicalDrives(), [](const std::string& strRoot) {
        // Drive roots are plain ASCII, so the narrow text widens letter by letter.
        const std::wstring strWide(strRoot.begin(), strRoot.end());
        return static_cast<int>(GetDriveTypeW(strWide.c_str()));
    });
}

} // namespace vantoro
