#include "platform/cfilelock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vantoro {

CFileLock::CFileLock(const std::string& strPath, bool bCreate) {
    // Read-only is enough for flock, and a FIFO put where the lock file goes must not block.
    const int nFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | (bCreate ? O_CREAT : 0);
    do {
        m_fd = ::open(strPath.c_str(), nFlags, 0644);
    } while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0)
        return;
    int rc;
    do {
        rc = ::flock(m_fd, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    m_bHeld = rc == 0;
}

CFileLock::~CFileLock() {
    if (m_fd >= 0)
        ::close(m_fd); // releases the lock
}

} // namespace vantoro
