#include "platform/cinstallpath.h"

#include "platform/cprofilefile.h"
#include "platform/installregistry.h"

namespace vantoro {

bool LookupInstallPath(std::string& strPromPath, const std::string& strIniFile) {
    std::string strValue;
    if (!ReadInstallRegistry(strIniFile, strValue))
        strValue = GetPrivateProfileString("Install", "Prom_Path", "", strIniFile);
    if (strValue.empty())
        return false;
    strPromPath = strValue;
    return true;
}

} // namespace vantoro
