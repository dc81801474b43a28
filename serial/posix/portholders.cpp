#include "serial/posix/portholders.h"

#include <cctype>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace vantoro {

namespace {

bool IsNumber(const char* pszName) {
    if (!*pszName)
        return false;
    for (; *pszName; ++pszName) {
        if (!std::isdigit(static_cast<unsigned char>(*pszName)))
            return false;
    }
    return true;
}

bool HasDeviceOpen(const std::string& strFdFolder, dev_t device) {
    DIR* pFolder = ::opendir(strFdFolder.c_str());
    if (!pFolder)
        return false; // another user's process, or gone meanwhile
    bool bFound = false;
    while (const dirent* pEntry = ::readdir(pFolder)) {
        struct stat st {};
        // stat follows the descriptor's link to the device it has open.
        if (IsNumber(pEntry->d_name) &&
            ::stat((strFdFolder + "/" + pEntry->d_name).c_str(), &st) == 0 && S_ISCHR(st.st_mode) &&
            st.st_rdev == device) {
            bFound = true;
            break;
        }
    }
    ::closedir(pFolder);
    return bFound;
}

} // namespace

std::vector<PortHolder> FindOtherOpeners(const std::string& strNode,
                                         const std::string& strProcFolder) {
    std::vector<PortHolder> holders;
    struct stat node {};
    if (::stat(strNode.c_str(), &node) != 0 || !S_ISCHR(node.st_mode))
        return holders;
    DIR* pProc = ::opendir(strProcFolder.c_str());
    if (!pProc)
        return holders;
    const int nSelf = static_cast<int>(::getpid());
    while (const dirent* pEntry = ::readdir(pProc)) {
        if (!IsNumber(pEntry->d_name))
            continue;
        const int nPid = std::atoi(pEntry->d_name);
        if (nPid != nSelf &&
            HasDeviceOpen(strProcFolder + "/" + pEntry->d_name + "/fd", node.st_rdev))
            holders.push_back({nPid, ProgramNameOf(nPid, strProcFolder)});
    }
    ::closedir(pProc);
    return holders;
}

std::string ProgramNameOf(int nPid, const std::string& strProcFolder) {
    std::ifstream comm(strProcFolder + "/" + std::to_string(nPid) + "/comm");
    std::string strName;
    std::getline(comm, strName);
    return strName.empty() ? std::string("process") : strName;
}

std::string PortHoldersText(const std::vector<PortHolder>& holders) {
    std::string strText;
    for (const PortHolder& holder : holders) {
        if (!strText.empty())
            strText += ", ";
        strText += holder.strProgram + " (process " + std::to_string(holder.nPid) + ")";
    }
    return strText;
}

} // namespace vantoro
