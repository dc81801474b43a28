#pragma once

#include <string>

namespace vantoro {

// The install path from the system's registry, where there is one: true when strSource names
// the registry key and the value was read (strValue may still be empty: nothing usable).
// False where strSource is a file to read instead.
bool ReadInstallRegistry(const std::string& strSource, std::string& strValue);

} // namespace vantoro
