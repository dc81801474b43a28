#include "platform/cfilelock.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace vantoro {

namespace {

constexpr auto kRetryEvery = std::chrono::milliseconds(20);
constexpr auto kRememberTimeout = std::chrono::seconds(10);

// Locks another program kept past the wait a moment ago: one run waits once for a holder, not
// once per file it saves or per port it numbers.
std::mutex& TimedOutMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<std::string, std::chrono::steady_clock::time_point>& TimedOut() {
    static std::map<std::string, std::chrono::steady_clock::time_point> timedOut;
    return timedOut;
}

bool TimedOutLately(const std::string& strPath) {
    std::lock_guard<std::mutex> lock(TimedOutMutex());
    auto it = TimedOut().find(strPath);
    return it != TimedOut().end() &&
           std::chrono::steady_clock::now() - it->second < kRememberTimeout;
}

void RememberTimeout(const std::string& strPath) {
    std::lock_guard<std::mutex> lock(TimedOutMutex());
    TimedOut()[strPath] = std::chrono::steady_clock::now();
}

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
    if (TimedOutLately(strPath))
        nWaitMs = 0;
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
    RememberTimeout(strPath);
    m_strProblem = "another program has held the lock " + strPath + " for over " +
                   std::to_string((CFileLock::kDefaultWaitMs + 500) / 1000) +
                   " s (one stopped half-way, with Ctrl-Z for instance)";
}

CFileLock::~CFileLock() {
    if (m_nHandle >= 0)
        ::close(static_cast<int>(m_nHandle)); // releases the lock
}

} // namespace vantoro
