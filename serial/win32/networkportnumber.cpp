// Windows keeps a network port's number in the settings file: "COMn=name" in [NetworkPorts],
// the section the user writes such numbers in by hand.
#include "serial/networkportnumber.h"
#include "serial/networkportname.h"

#include "platform/cfilelock.h"
#include "platform/cprofilefile.h"
#include "platform/profilefileio.h"
#include "serial/comportnames.h"

#include <set>

namespace vantoro {

namespace {

constexpr const char kSection[] = "NetworkPorts";

} // namespace

int LinkNetworkPort(const std::string& strName, const std::vector<int>& listed,
                    std::string& strError) {
    const std::string strFile = GetNetworkPortsFile();
    if (strFile.empty()) {
        strError = "no settings file to keep its [NetworkPorts] number in";
        return -1;
    }
    // The lock every save of the file takes: the section is read, judged and written by one
    // program at a time, so two command lines never give one number to two names. The save
    // below takes the same lock again, which the thread that holds it is granted at once.
    const CFileLock lock(FolderOf(SaveTarget(strFile)), false);
    if (lock.IsHeldElsewhere()) {
        strError = lock.Problem();
        return -1;
    }
    std::set<int> taken(listed.begin(), listed.end());
    for (const auto& [strKey, strValue] : GetPrivateProfileSection(kSection, strFile)) {
        const int nPort = ComNumberFromName(strKey);
        if (nPort <= 0)
            continue;
        if (strValue == strName || IsSameNetworkPort(strValue, strName))
            return nPort;
        taken.insert(nPort); // whatever it names, the number is the user's
    }
    int nPort = kFirstLinkedComPort;
    while (taken.count(nPort))
        ++nPort;
    if (!WritePrivateProfileString(kSection, "COM" + std::to_string(nPort), strName, strFile)) {
        strError = ProfileFileNotWritableReason(strFile);
        if (strError.empty())
            strError = ProfileSaveLockProblem();
        if (strError.empty())
            strError = "cannot write " + strFile;
        return -1;
    }
    return nPort;
}

} // namespace vantoro
