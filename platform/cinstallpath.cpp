#include "platform/cinstallpath.h"

#include "platform/cprofilefile.h"

namespace vantoro {

bool LookupInstallPath(std::string& strPromPath, const std::string& strIniFile) {
    std::string strValue = GetPrivateProfileString("Install", "Prom_Path", "", strIniFile);
    if (strValue.empty())
        return false;
    strPromPath = strValue;
    return true;
}

} // namespace vantoro
