#pragma once

#include <string>
#include <vector>

namespace vantoro {

// The COM number a network port name (rfc2217://, socket://) keeps from run to run, as an
// adapter keeps its own: the number the system's record already gives the name, else a new
// record of the first free number from kFirstLinkedComPort up, clear of the recorded ports and
// of listed. Linux records a comN link in the dosdevices folder; Windows a "COMn=name" key in
// the [NetworkPorts] section of the settings file (SetNetworkPortsFile). Programs numbering at
// once take turns. -1 with the reason in strError when nothing can be read or written: the
// caller then numbers the name for its own run (AddProcessComDevice).
int LinkNetworkPort(const std::string& strName, const std::vector<int>& listed,
                    std::string& strError);

} // namespace vantoro
