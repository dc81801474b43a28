// Transfers, event waits and caller-owned overlapped operations of CSerialLine.
#include "serial/cserialline.h"

#include "serial/cnetworkline.h"
#include "serial/serialcontract.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace vantoro {

namespace {

constexpr std::uint32_t kErrorIoIncomplete = 996;

// Transfer failures: a device that went away reads as a failing device, as with an unplugged
// adapter; anything else keeps its errno.
std::uint32_t TransferErrorCode(int nErrno) {
    switch (nErrno) {
    case EIO:
    case ENXIO:
    case ENODEV:
        return kErrorGenFailure;
    default:
        return static_cast<std::uint32_t>(nErrno);
    }
}

// poll that retries EINTR; returns the revents, 0 on time-out, -1 with errno on failure.
int PollOne(int fd, short nEvents, int nTimeout) {
    pollfd pfd{fd, nEvents, 0};
    for (;;) {
        int n = ::poll(&pfd, 1, nTimeout);
        if (n >= 0)
            return n == 0 ? 0 : pfd.revents;
        if (errno != EINTR)
            return -1;
    }
}

} // namespace

std::uint32_t CSerialLine::SendToDevice(const std::uint8_t* pData, std::size_t nLength,
                                        std::uint32_t& nWritten, bool bQueued) {
    const std::uint32_t code =
        bQueued ? WriteQueued(pData, nLength, nWritten) : WriteAll(pData, nLength, nWritten);
    if (code == 0 && nLength != 0)
        m_bTxPending.store(true); // the listener reports the line empty again, as asked
    return code;
}

// A socket whose server has gone must fail the write, not end the program with SIGPIPE.
ssize_t CSerialLine::WriteToPort(const std::uint8_t* pData, std::size_t nLength) {
    if (m_pNetwork)
        return ::send(PortFd(), pData, nLength, MSG_DONTWAIT | MSG_NOSIGNAL);
    return ::write(PortFd(), pData, nLength);
}

std::uint32_t CSerialLine::WriteQueued(const std::uint8_t* pData, std::size_t nLength,
                                       std::uint32_t& nWritten) {
    std::lock_guard<std::mutex> lock(m_outputMutex);
    std::size_t taken = 0;
    // Bytes still queued go first, so nothing overtakes them.
    if (m_output.empty()) {
        if (std::uint32_t code = WriteAvailable(pData, nLength, taken))
            return code;
        nWritten = static_cast<std::uint32_t>(taken);
    }
    if (taken < nLength) {
        m_output.insert(m_output.end(), pData + taken, pData + nLength);
        WatchForOutputRoom();
    }
    return 0;
}

// As much as the device takes now; nTaken may stay short of nLength without an error.
std::uint32_t CSerialLine::WriteAvailable(const std::uint8_t* pData, std::size_t nLength,
                                          std::size_t& nTaken) {
    nTaken = 0;
    while (nTaken < nLength) {
        ssize_t n = WriteToPort(pData + nTaken, nLength - nTaken);
        if (n > 0) {
            nTaken += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || errno == EAGAIN)
            return 0;
        return TransferErrorCode(errno);
    }
    return 0;
}

std::uint32_t CSerialLine::PushQueuedLocked() {
    if (m_output.empty())
        return 0;
    std::size_t taken = 0;
    std::uint32_t code =
        WriteAvailable(m_output.data() + m_nOutputDone, m_output.size() - m_nOutputDone, taken);
    m_nOutputDone += taken;
    if (code != 0 || m_nOutputDone == m_output.size()) {
        m_output.clear();
        m_nOutputDone = 0;
        return code;
    }
    WatchForOutputRoom();
    return 0;
}

// One-shot, so a device that stays full wakes nobody until it has room again.
void CSerialLine::WatchForOutputRoom() {
    epoll_event event{};
    event.events = EPOLLOUT | EPOLLONESHOT;
    event.data.fd = m_outWatch.Get();
    if (::epoll_ctl(m_epoll.Get(), EPOLL_CTL_MOD, m_outWatch.Get(), &event) != 0 && errno == ENOENT)
        ::epoll_ctl(m_epoll.Get(), EPOLL_CTL_ADD, m_outWatch.Get(), &event);
}

std::size_t CSerialLine::QueuedOutput() {
    std::lock_guard<std::mutex> lock(m_outputMutex);
    return m_output.size() - m_nOutputDone;
}

std::uint32_t CSerialLine::ContinueWrite() {
    Store(0);
    if (!HasPort())
        return Store(kErrorInvalidHandle);
    std::lock_guard<std::mutex> lock(m_outputMutex);
    return Store(PushQueuedLocked());
}

std::uint32_t CSerialLine::WriteAll(const std::uint8_t* pData, std::size_t nLength,
                                    std::uint32_t& nWritten) {
    std::lock_guard<std::mutex> lock(m_outputMutex);
    // Queued bytes go first; a waiting write finishes them too.
    if (!m_output.empty()) {
        m_output.insert(m_output.end(), pData, pData + nLength);
        for (;;) {
            if (std::uint32_t code = PushQueuedLocked())
                return code;
            if (m_output.empty())
                break;
            if (PollOne(PortFd(), POLLOUT, -1) < 0)
                return static_cast<std::uint32_t>(errno);
        }
        nWritten = static_cast<std::uint32_t>(nLength);
        return 0;
    }
    std::size_t done = 0;
    while (done < nLength) {
        ssize_t n = WriteToPort(pData + done, nLength - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            nWritten = static_cast<std::uint32_t>(done);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return TransferErrorCode(errno);
        int revents = PollOne(PortFd(), POLLOUT, -1);
        if (revents < 0)
            return static_cast<std::uint32_t>(errno);
        if ((revents & (POLLHUP | POLLERR | POLLNVAL)) && !(revents & POLLOUT))
            return kErrorGenFailure;
    }
    return 0;
}

std::uint32_t CSerialLine::ReadWhole(std::uint8_t* pBuffer, std::size_t nCapacity,
                                     std::uint32_t& nRead, std::uint32_t nTimeout) {
    if (nTimeout == 0) {
        // Nothing is consumed unless the whole request can be met, so a read that does not
        // finish leaves no bytes behind in a buffer the caller has given up.
        int waiting = 0;
        if (BytesWaitingToRead(PortFd(), waiting) != 0 ||
            static_cast<std::size_t>(waiting) < nCapacity)
            return kErrorTimeout;
    }
    return ReadUntilFull(pBuffer, nCapacity, nRead, -1);
}

std::uint32_t CSerialLine::ReadAvailable(std::uint8_t* pBuffer, std::size_t nCapacity,
                                         std::uint32_t& nRead) {
    if (nCapacity == 0)
        return 0;
    if (m_pNetwork) {
        std::uint32_t got = 0;
        std::uint32_t code = m_pNetwork->Read(pBuffer, nCapacity, got);
        nRead += got;
        if (m_pNetwork->HasHungUp())
            m_bHungUp.store(true);
        return code;
    }
    for (;;) {
        ssize_t n = ::read(PortFd(), pBuffer, nCapacity);
        if (n > 0) {
            nRead += static_cast<std::uint32_t>(n);
            return 0;
        }
        if (n == 0) {
            m_bHungUp.store(true); // end of file on a terminal: the other side is gone
            return kErrorGenFailure;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN)
            return 0;
        return TransferErrorCode(errno);
    }
}

// Reads until nCapacity bytes are in; a poll time-out of 0 gives 996 while short.
std::uint32_t CSerialLine::ReadUntilFull(std::uint8_t* pBuffer, std::size_t nCapacity,
                                         std::uint32_t& nRead, int nPollTimeout) {
    while (nRead < nCapacity) {
        if (std::uint32_t code = ReadAvailable(pBuffer + nRead, nCapacity - nRead, nRead))
            return code;
        if (nRead == nCapacity)
            break;
        int revents = PollOne(PortFd(), POLLIN, nPollTimeout);
        if (revents < 0)
            return static_cast<std::uint32_t>(errno);
        if (revents == 0)
            return kErrorIoIncomplete;
        // On hang-up the next read drains what is left and then reports the failure.
    }
    return 0;
}

std::uint32_t CSerialLine::WaitForEvent(COverlapped* pOverlapped, std::uint32_t nTimeout) {
    CheckTimeoutContract(nTimeout);
    Store(0);
    if (std::uint32_t code = CheckTransfer(pOverlapped, nTimeout))
        return Store(code);
    if (!pOverlapped)
        return Store(WaitForLineEvents(nTimeout == INFINITE ? -1 : 0));
    std::uint32_t code = WaitForLineEvents(0);
    if (code == 0) {
        pOverlapped->m_event.Set();
        return 0;
    }
    if (code != kErrorTimeout)
        return Store(code);
    pOverlapped->m_pending = COverlapped::PendingKind::Wait;
    pOverlapped->m_pLine = this;
    m_pendingOperations.push_back(pOverlapped);
    return 0;
}

// One wake-up: new bytes (the edge of the port's readiness), a re-applied mask, or the end of
// the device. Stale readiness never wakes it again, so unread bytes cause no busy loop.
std::uint32_t CSerialLine::WaitForLineEvents(int nPollTimeout) {
    for (;;) {
        if (m_bHungUp.load())
            return kErrorGenFailure;
        const std::uint32_t deferred = std::exchange(m_nDeferredPortEvents, 0);
        epoll_event events[4];
        int n = ::epoll_wait(m_epoll.Get(), events, 4, deferred ? 0 : nPollTimeout);
        if (n < 0 && errno == EINTR) {
            m_nDeferredPortEvents = deferred;
            continue;
        }
        if (n < 0)
            return static_cast<std::uint32_t>(errno);
        if (n == 0 && !deferred)
            return kErrorTimeout;
        bool woken = false;
        std::uint32_t portEvents = deferred;
        for (int i = 0; i < n; ++i) {
            if (events[i].data.fd == m_wakeup.Get()) {
                std::uint64_t value = 0;
                while (::read(m_wakeup.Get(), &value, sizeof value) < 0 && errno == EINTR) {
                }
                woken = true;
            } else if (events[i].data.fd == m_outWatch.Get()) {
                // Room for queued output: the waiting thread hands it over, so a listening
                // port finishes a write nobody waits for.
                std::lock_guard<std::mutex> lock(m_outputMutex);
                if (PushQueuedLocked() != 0)
                    portEvents |= EPOLLERR;
            } else {
                portEvents |= events[i].events;
            }
        }
        if (portEvents & (EPOLLHUP | EPOLLERR | EPOLLRDHUP)) {
            m_bHungUp.store(true);
            return kErrorGenFailure;
        }
        if (woken) {
            m_nDeferredPortEvents = portEvents;
            m_nReceivedEvents.store(0);
            return 0;
        }
        std::uint32_t bits = CollectEvents(portEvents);
        if (bits & m_nEventMask.load()) {
            m_nReceivedEvents.store(bits);
            return 0;
        }
    }
}

std::uint32_t CSerialLine::CollectEvents(std::uint32_t nEpollEvents) {
    std::uint32_t bits = 0;
    // Line set-up also wakes the port's waiters; only bytes that are there count as arrived.
    int waiting = 0;
    if ((nEpollEvents & EPOLLIN) && (BytesWaitingToRead(PortFd(), waiting) != 0 || waiting > 0 ||
                                     (m_pNetwork && m_pNetwork->HasPendingData())))
        bits |= EV_RXCHAR;
    if (nEpollEvents & EPOLLOUT) {
        int pending = 0;
        if (m_bTxPending.load() && QueuedOutput() == 0 &&
            BytesWaitingToSend(PortFd(), pending) == 0 && pending == 0) {
            m_bTxPending.store(false);
            bits |= EV_TXEMPTY;
        }
    }
    LineErrorCounters now;
    if (m_bHaveCounters && ReadErrorCounters(PortFd(), now) == 0) {
        bits |= LineErrorEvents(m_eventCounters, now);
        m_eventCounters = now;
    }
    return bits;
}

std::uint32_t CSerialLine::GetOverlappedResult(COverlapped& overlapped, std::uint32_t* pnCount,
                                               bool bWait) {
    Store(0);
    if (overlapped.IsPending()) {
        if (overlapped.m_pLine != this)
            return Store(kEInvalidArg);
        std::uint32_t code = CompletePending(overlapped, bWait ? -1 : 0);
        if (code == kErrorIoIncomplete || code == kErrorTimeout)
            return Store(kErrorIoIncomplete);
        ForgetPending(&overlapped);
        overlapped.m_nResult = code;
        overlapped.m_event.Set();
    }
    if (pnCount)
        *pnCount = overlapped.m_nBytes;
    return Store(overlapped.m_nResult);
}

std::uint32_t CSerialLine::CompletePending(COverlapped& overlapped, int nPollTimeout) {
    if (overlapped.m_pending == COverlapped::PendingKind::Wait)
        return WaitForLineEvents(nPollTimeout);
    return ReadUntilFull(overlapped.m_pBuffer, overlapped.m_nCapacity, overlapped.m_nBytes,
                         nPollTimeout);
}

} // namespace vantoro
