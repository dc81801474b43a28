#include "serial/posix/uucplock.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

namespace vantoro {

namespace {

// Both the ten-character text form and the old four-byte binary form are read.
int ReadLockPid(const std::string& strPath) {
    std::ifstream file(strPath, std::ios::binary);
    if (!file)
        return 0;
    std::string strContent((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    if (strContent.size() == sizeof(int)) {
        int nPid = 0;
        std::copy(strContent.begin(), strContent.end(), reinterpret_cast<char*>(&nPid));
        return nPid;
    }
    return std::atoi(strContent.c_str());
}

bool IsAlive(int nPid) {
    return nPid > 0 && (::kill(nPid, 0) == 0 || errno == EPERM);
}

std::string LockText() {
    char text[16];
    std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
    return text;
}

} // namespace

std::string UucpLockPath(const std::string& strNode, const std::string& strFolder) {
    const bool bInDev = strNode.rfind("/dev/", 0) == 0;
    std::string strName =
        bInDev ? strNode.substr(5) : strNode.substr(strNode.find_last_of('/') + 1);
    std::replace(strName.begin(), strName.end(), '/', '_');
    return strFolder + "/LCK.." + strName;
}

int UucpLockHolder(const std::string& strNode, const std::string& strFolder) {
    const std::string strPath = UucpLockPath(strNode, strFolder);
    const int nPid = ReadLockPid(strPath);
    if (nPid == static_cast<int>(::getpid()))
        return 0;
    if (IsAlive(nPid))
        return nPid;
    if (nPid > 0)
        ::unlink(strPath.c_str()); // stale: its owner is gone
    return 0;
}

bool TakeUucpLock(const std::string& strNode, const std::string& strFolder) {
    if (UucpLockHolder(strNode, strFolder) != 0)
        return false;
    const std::string strPath = UucpLockPath(strNode, strFolder);
    int fd;
    do {
        fd = ::open(strPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) // EEXIST: our own, or one written in between; else not ours to write
        return errno != EEXIST || ReadLockPid(strPath) == static_cast<int>(::getpid());
    const std::string strText = LockText();
    ssize_t nWritten;
    do {
        nWritten = ::write(fd, strText.data(), strText.size());
    } while (nWritten < 0 && errno == EINTR);
    ::close(fd);
    return true;
}

void ReleaseUucpLock(const std::string& strNode, const std::string& strFolder) {
    const std::string strPath = UucpLockPath(strNode, strFolder);
    if (ReadLockPid(strPath) == static_cast<int>(::getpid()))
        ::unlink(strPath.c_str());
}

} // namespace vantoro
