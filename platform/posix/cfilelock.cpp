#include "platform/cfilelock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vantoro {

CFileLock::CFileLock(const std::string& strPath, bool bCreate) {
    // Read-only is enough for flock, and a FIFO put where the lock file goes must not block.
    const int nFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | (bCreate ? O_CREAT : 0);
    int fd;
    do {
        fd = ::open(strPath.c_str(), nFlags, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return;
    m_nHandle = fd;
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    m_bHeld = rc == 0;
}

CFileLock::~CFileLock() {
    if (m_nHandle >= 0)
        ::close(static_cast<int>(m_nHandle)); // releases the lock
}

} // namespace vantoro
