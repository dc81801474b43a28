#pragma once

#include <string>

// The maker's install path: the registry value HKEY_LOCAL_MACHINE\Software\Quentar\Proms\Install
// "Prom_Path" on Windows, on Linux the same value in a file (DESIGN.md "Install path").
namespace vantoro {

// Where the installer leaves its note: on Linux the file /etc/Quentar/Proms/Install.ini, on
// Windows the registry key, named "HKEY_LOCAL_MACHINE\Software\Quentar\Proms\Install".
extern const char kInstallIniPath[];

// Reads Prom_Path from [Install] of strIniFile (or from the registry key when strIniFile is
// kInstallIniPath on Windows). Returns true and sets strPromPath to the value as stored when
// it exists and is not empty; returns false and leaves strPromPath unchanged otherwise. Never
// reports anything and never throws.
bool LookupInstallPath(std::string& strPromPath, const std::string& strIniFile = kInstallIniPath);

} // namespace vantoro
