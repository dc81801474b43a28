#include "serial/networkportnumber.h"

#include "serial/ccomportnumbering.h"
#include "serial/comportnames.h"

namespace vantoro {

int LinkNetworkPort(const std::string& strName, const std::vector<int>& listed,
                    std::string& strError) {
    return CComPortNumbering(GetDosDevicesFolder(), "").LinkNetworkPort(strName, listed, strError);
}

} // namespace vantoro
