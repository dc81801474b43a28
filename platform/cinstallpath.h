#pragma once

#include <string>

// The maker's install path, the Linux stand-in for the registry value
// HKEY_LOCAL_MACHINE\Software\Quentar\Proms\Install "Prom_Path" (DESIGN.md "Install path").
namespace vantoro {

// Where the installer leaves its note: section [Install], key Prom_Path.
inline constexpr const char kInstallIniPath[] = "/etc/Quentar/Proms/Install.ini";

// Reads Prom_Path from [Install] of strIniFile. Returns true and sets strPromPath to the value
// as stored when the file and a non-empty value exist; returns false and leaves strPromPath
// unchanged otherwise. Never reports anything and never throws.
bool LookupInstallPath(std::string& strPromPath, const std::string& strIniFile = kInstallIniPath);

} // namespace vantoro
