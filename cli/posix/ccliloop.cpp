#include "cli/ccliloop.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace vantoro {

namespace {

bool IsIgnored(int nSignal) {
    struct sigaction action {};
    return ::sigaction(nSignal, nullptr, &action) == 0 && action.sa_handler == SIG_IGN;
}

// A signal ignored when the program started (nohup, a script's background job) stays ignored:
// whoever started the run meant it to outlive that signal.
sigset_t InterruptingSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (const int nSignal : {SIGINT, SIGTERM, SIGHUP}) {
        if (!IsIgnored(nSignal))
            sigaddset(&signals, nSignal);
    }
    return signals;
}

} // namespace

CCliLoop::CCliLoop() : m_nWakeFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    const sigset_t signals = InterruptingSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    m_nSignalFd = ::signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
}

CCliLoop::~CCliLoop() {
    // A signal that came after the last wait is not lost: it stays pending and acts once the
    // mask is lifted, as it would have without the loop.
    if (m_nSignalFd >= 0)
        ::close(m_nSignalFd);
    if (m_nWakeFd >= 0)
        ::close(m_nWakeFd);
    const sigset_t signals = InterruptingSignals();
    pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
}

void CCliLoop::Post(int nUnit, std::uintptr_t wParam, std::intptr_t lParam) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back({nUnit, wParam, lParam});
    }
    const std::uint64_t nOne = 1;
    ssize_t n;
    do {
        n = ::write(m_nWakeFd, &nOne, sizeof(nOne));
    } while (n < 0 && errno == EINTR);
}

bool CCliLoop::Wait(int nMillis, std::vector<Notification>& out) {
    pollfd fds[2] = {{m_nWakeFd, POLLIN, 0}, {m_nSignalFd, POLLIN, 0}};
    bool bQueued = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        bQueued = !m_queue.empty();
    }
    if (::poll(fds, 2, bQueued ? 0 : nMillis) > 0) {
        std::uint64_t nCount = 0;
        if ((fds[0].revents & POLLIN) != 0)
            (void)::read(m_nWakeFd, &nCount, sizeof(nCount));
        signalfd_siginfo info{};
        while ((fds[1].revents & POLLIN) != 0 &&
               ::read(m_nSignalFd, &info, sizeof(info)) == static_cast<ssize_t>(sizeof(info))) {
            if (m_nSignal == 0)
                m_nSignal = static_cast<int>(info.ssi_signo);
        }
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    out.insert(out.end(), m_queue.begin(), m_queue.end());
    m_queue.clear();
    return m_nSignal != 0;
}

} // namespace vantoro
