#include "dirchooser/posix/cmounttable.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace vantoro {

namespace {

bool IsOctal(char c) {
    return c >= '0' && c <= '7';
}

bool IsSmbType(const std::string& strType) {
    return strType == "cifs" || strType == "smb3" || strType == "smbfs";
}

} // namespace

std::vector<SMountEntry> CMountTable::Parse(const std::string& strText) {
    std::vector<SMountEntry> entries;
    std::istringstream lines(strText);
    std::string strLine;
    while (std::getline(lines, strLine)) {
        std::istringstream fields(strLine);
        SMountEntry entry;
        if (!(fields >> entry.strDevice >> entry.strMountPoint >> entry.strType))
            continue;
        if (entry.strDevice[0] == '#')
            continue;
        entry.strDevice = Unescape(entry.strDevice);
        entry.strMountPoint = Unescape(entry.strMountPoint);
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool CMountTable::Read(const std::string& strPath, std::vector<SMountEntry>& entries) {
    std::ifstream file(strPath, std::ios::binary);
    if (!file)
        return false;
    // The kernel's tables report a size of 0, so read to the end instead of by size.
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad())
        return false;
    entries = Parse(text.str());
    return true;
}

std::string CMountTable::Unescape(const std::string& strField) {
    std::string strOut;
    strOut.reserve(strField.size());
    for (size_t i = 0; i < strField.size(); ++i) {
        if (strField[i] == '\\' && i + 3 < strField.size() && IsOctal(strField[i + 1]) &&
            IsOctal(strField[i + 2]) && IsOctal(strField[i + 3])) {
            const int nValue = (strField[i + 1] - '0') * 64 + (strField[i + 2] - '0') * 8 +
                               (strField[i + 3] - '0');
            strOut += static_cast<char>(nValue & 0xFF);
            i += 3;
        } else {
            strOut += strField[i];
        }
    }
    return strOut;
}

bool CMountTable::IsNetworkType(const std::string& strType) {
    return IsSmbType(strType) || strType == "nfs" || strType == "nfs4" || strType == "sshfs" ||
           strType == "fuse.sshfs";
}

bool CMountTable::SplitNetworkDevice(const std::string& strType, const std::string& strDevice,
                                     std::string& strServer, std::string& strPath) {
    if (IsSmbType(strType)) {
        std::string strUnc = strDevice;
        std::replace(strUnc.begin(), strUnc.end(), '\\', '/');
        if (strUnc.size() < 3 || strUnc.compare(0, 2, "//") != 0)
            return false;
        const size_t nSlash = strUnc.find('/', 2);
        strServer = strUnc.substr(2, nSlash == std::string::npos ? std::string::npos : nSlash - 2);
        strPath = nSlash == std::string::npos ? std::string() : strUnc.substr(nSlash + 1);
        return !strServer.empty();
    }
    if (!IsNetworkType(strType))
        return false;
    // host:path, where an IPv6 host is bracketed and an ssh host may carry "user@".
    size_t nColon = std::string::npos;
    if (!strDevice.empty() && strDevice[0] == '[') {
        const size_t nClose = strDevice.find(']');
        if (nClose != std::string::npos && nClose + 1 < strDevice.size() &&
            strDevice[nClose + 1] == ':')
            nColon = nClose + 1;
    } else {
        nColon = strDevice.find(':');
    }
    if (nColon == std::string::npos || nColon == 0)
        return false;
    strServer = strDevice.substr(0, nColon);
    const size_t nAt = strServer.rfind('@');
    if (nAt != std::string::npos)
        strServer.erase(0, nAt + 1);
    strPath = strDevice.substr(nColon + 1);
    return !strServer.empty();
}

} // namespace vantoro
