#include "platform/profilefileio.h"

#include "platform/filekind.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantoro {

// The file a save replaces: the target of a symbolic link rather than the link itself.
std::string SaveTarget(const std::string& strFile) {
    std::error_code ec;
    if (std::filesystem::is_symlink(strFile, ec)) {
        std::filesystem::path resolved = std::filesystem::weakly_canonical(strFile, ec);
        if (!ec)
            return resolved.string();
    }
    return strFile;
}

std::string FolderOf(const std::string& strPath) {
    std::string strFolder = std::filesystem::path(strPath).parent_path().string();
    return strFolder.empty() ? "." : strFolder;
}

namespace {

bool WriteAll(int fd, const std::string& strContent) {
    std::size_t done = 0;
    while (done < strContent.size()) {
        ssize_t n = ::write(fd, strContent.data() + done, strContent.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes strContent to strFile through a temporary file in the same folder, fsync and rename.
// A file without a name in the folder, or -1 where the file system cannot make one.
int OpenUnnamedFileIn(const std::string& strFolder) {
#ifdef O_TMPFILE
    int fd;
    do {
        fd = ::open(strFolder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
    return fd;
#else
    (void)strFolder;
    return -1;
#endif
}

// Links an unnamed file under a fresh name beside the target, ready for the rename.
bool NameUnnamedFile(int fd, const std::string& strTarget, std::string& strTemp) {
    const std::string strSelf = "/proc/self/fd/" + std::to_string(fd);
    for (int nTry = 0; nTry < 100; ++nTry) {
        strTemp = strTarget + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(nTry);
        if (::linkat(AT_FDCWD, strSelf.c_str(), AT_FDCWD, strTemp.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST)
            break;
    }
    strTemp.clear();
    return false;
}

// The owner and group of the file replaced go with its mode, so a save by root through a link
// to a user's file leaves that user's file, not a root-owned one.
struct FileOwnership {
    mode_t mode = 0644;
    bool bKnown = false;
    uid_t uid = 0;
    gid_t gid = 0;
};

bool WriteAndSync(int fd, const std::string& strContent, const FileOwnership& owner) {
    if (owner.bKnown && ::fchown(fd, owner.uid, owner.gid) != 0 && errno != EPERM)
        return false;
    return WriteAll(fd, strContent) && ::fchmod(fd, owner.mode) == 0 && ::fsync(fd) == 0;
}

// The new content goes first into an unnamed file, so a save killed half-way leaves nothing
// behind; it gets its temporary name only for the instant before the rename.
bool WriteUnnamedThenName(const std::string& strFolder, const std::string& strTarget,
                          const std::string& strContent, const FileOwnership& mode,
                          std::string& strTemp) {
    int fd = OpenUnnamedFileIn(strFolder);
    if (fd < 0)
        return false;
    bool bOk = WriteAndSync(fd, strContent, mode) && NameUnnamedFile(fd, strTarget, strTemp);
    if (::close(fd) != 0)
        bOk = false;
    if (!bOk && !strTemp.empty())
        ::unlink(strTemp.c_str());
    return bOk;
}

// Where the file system has no unnamed files: a named temporary beside the target.
bool WriteNamedTemporary(const std::string& strTarget, const std::string& strContent,
                         const FileOwnership& mode, std::string& strTemp) {
    strTemp = strTarget + ".tmpXXXXXX";
    std::vector<char> name(strTemp.begin(), strTemp.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        strTemp.clear();
        return false;
    }
    strTemp.assign(name.data());
    bool bOk = WriteAndSync(fd, strContent, mode);
    if (::close(fd) != 0)
        bOk = false;
    return bOk;
}

// A save killed in the instant between naming its file and the rename leaves that name
// behind; the next save removes the ones whose process has gone. Names of live processes stay:
// they may be saves running right now.
void RemoveStaleTemporaries(const std::string& strTarget) {
    const std::filesystem::path target(strTarget);
    const std::string strPrefix = target.filename().string() + ".tmp";
    std::error_code ec;
    std::filesystem::directory_iterator it(
        target.parent_path().empty() ? "." : target.parent_path(), ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::string strName = it->path().filename().string();
        if (strName.rfind(strPrefix, 0) != 0)
            continue;
        char* pEnd = nullptr;
        const long nPid = std::strtol(strName.c_str() + strPrefix.size(), &pEnd, 10);
        if (nPid <= 0 || pEnd == nullptr || *pEnd != '-')
            continue;
        if (::kill(static_cast<pid_t>(nPid), 0) != 0 && errno == ESRCH)
            ::unlink(it->path().c_str());
    }
}

} // namespace

bool ReplaceFileAtomically(const std::string& strTarget, const std::string& strContent) {
    FileOwnership mode;
    struct stat st {};
    if (::stat(strTarget.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return false;
        mode.mode = st.st_mode & 07777;
        mode.bKnown = true;
        mode.uid = st.st_uid;
        mode.gid = st.st_gid;
    }
    const std::string strFolder = FolderOf(strTarget);

    std::string strTemp;
    bool bOk = WriteUnnamedThenName(strFolder, strTarget, strContent, mode, strTemp) ||
               WriteNamedTemporary(strTarget, strContent, mode, strTemp);
    if (bOk && ::rename(strTemp.c_str(), strTarget.c_str()) != 0)
        bOk = false;
    if (!bOk) {
        if (!strTemp.empty())
            ::unlink(strTemp.c_str());
        return false;
    }

    RemoveStaleTemporaries(strTarget);
    // Make the rename itself durable; a failure here no longer endangers the old content.
    int dirFd = ::open(strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

std::string SaveRefusal(const std::string& strTarget, std::size_t nMost) {
    struct stat info {};
    if (::stat(strTarget.c_str(), &info) != 0)
        return {}; // a new file: the folder decides, and the save says so
    if (!S_ISREG(info.st_mode))
        return strTarget + " is not saved to: it is " + FileKindText(info.st_mode);
    // Root may write anything, so the mode bits are what the owner said.
    if ((info.st_mode & 0222) == 0 || ::access(strTarget.c_str(), W_OK) != 0)
        return strTarget + " is read-only: the choices made now are not saved";
    if (info.st_size > static_cast<off_t>(nMost))
        return strTarget + " is too large to be a settings file: it is not read and not saved to";
    return {};
}

} // namespace vantoro
