#include "platform/filekind.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantoro {

std::string FileKindText(mode_t nMode) {
    if (S_ISREG(nMode))
        return "a regular file";
    if (S_ISDIR(nMode))
        return "a directory";
    if (S_ISFIFO(nMode))
        return "a FIFO";
    if (S_ISCHR(nMode))
        return "a character device";
    if (S_ISBLK(nMode))
        return "a block device";
    if (S_ISSOCK(nMode))
        return "a socket";
    if (S_ISLNK(nMode))
        return "a symbolic link";
    return "not a regular file";
}

int OpenRegularFile(const std::string& strPath, int nFlags, std::string& strWhy,
                    mode_t nCreateMode) {
    int fd;
    do {
        fd = ::open(strPath.c_str(), nFlags | O_NONBLOCK | O_CLOEXEC, nCreateMode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        // Opening a directory for writing says EISDIR; the kind reads better.
        struct stat info {};
        if (errno == EISDIR || (errno == ENXIO && ::stat(strPath.c_str(), &info) == 0)) {
            if (::stat(strPath.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
                strWhy = "it is " + FileKindText(info.st_mode);
                errno = EISDIR;
                return -1;
            }
        }
        strWhy = std::strerror(errno);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int err = errno;
        strWhy = S_ISREG(info.st_mode) ? std::strerror(err) : "it is " + FileKindText(info.st_mode);
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

} // namespace vantoro
