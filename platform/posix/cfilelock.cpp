#include "platform/cfilelock.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace vantoro {

namespace {

constexpr auto kRetryEvery = std::chrono::milliseconds(20);

} // namespace

CFileLock::CFileLock(const std::string& strPath, bool bCreate, int nWaitMs) {
    // Read-only is enough for flock, and a FIFO put where the lock file goes must not block.
    const int nFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | (bCreate ? O_CREAT : 0);
    int fd;
    do {
        fd = ::open(strPath.c_str(), nFlags, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        m_strProblem = "cannot open the lock " + strPath + ": " + std::strerror(errno);
        return;
    }
    m_nHandle = fd;
    // Polled rather than blocking: a blocking flock cannot be given a time limit.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nWaitMs);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            m_bHeld = true;
            return;
        }
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK) {
            m_strProblem = "cannot take the lock " + strPath + ": " + std::strerror(errno);
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(kRetryEvery);
    }
    m_bHeldElsewhere = true;
    m_strProblem = "another program has held the lock " + strPath + " for over " +
                   std::to_string((nWaitMs + 500) / 1000) +
                   " s (one stopped half-way, with Ctrl-Z for instance)";
}

CFileLock::~CFileLock() {
    if (m_nHandle >= 0)
        ::close(static_cast<int>(m_nHandle)); // releases the lock
}

} // namespace vantoro
