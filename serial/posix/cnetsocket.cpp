#include "serial/cnetsocket.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantoro {

namespace {

using Clock = std::chrono::steady_clock;

int MillisLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
}

// poll that retries EINTR with the time left; revents, 0 at the deadline, -1 on failure.
int PollUntil(int fd, short nEvents, Clock::time_point deadline) {
    for (;;) {
        pollfd pfd{fd, nEvents, 0};
        int n = ::poll(&pfd, 1, MillisLeft(deadline));
        if (n >= 0)
            return n == 0 ? 0 : pfd.revents;
        if (errno != EINTR)
            return -1;
    }
}

bool IsConnectionGone(int nErrno) {
    return nErrno == ECONNRESET || nErrno == EPIPE || nErrno == ETIMEDOUT ||
           nErrno == EHOSTUNREACH || nErrno == ENETUNREACH;
}

// Keep-alive finds a server that vanished without a word (a cable pulled in the dimmer room);
// the user time-out does the same for bytes it never acknowledges.
void TuneSocket(int fd) {
    int on = 1;
    int idle = 10, interval = 3, count = 3;
    unsigned userTimeout = 15000;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeout, sizeof userTimeout);
}

// One address within the deadline: 0 connected, else the errno of the failure.
int ConnectOne(int fd, const addrinfo& address, Clock::time_point deadline) {
    int err = ::connect(fd, address.ai_addr, address.ai_addrlen) == 0 ? 0 : errno;
    if (err != EINPROGRESS && err != EINTR)
        return err;
    int revents = PollUntil(fd, POLLOUT, deadline);
    socklen_t len = sizeof err;
    if (revents == 0)
        return ETIMEDOUT;
    if (revents < 0 || ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0)
        return errno;
    return err;
}

} // namespace

CNetSocket::~CNetSocket() {
    Close();
}

void CNetSocket::Close() {
    if (IsValid())
        ::close(static_cast<int>(m_nSocket)); // never retried, as every close here
    m_nSocket = kNoSocket;
}

CNetSocket::Status CNetSocket::Connect(const std::string& strHost, const std::string& strService,
                                       int nLimitMs) {
    Close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* pList = nullptr;
    // The resolver's own time-outs bound this; names in the hosts file answer at once.
    int rc = ::getaddrinfo(strHost.c_str(), strService.c_str(), &hints, &pList);
    if (rc != 0) {
        const bool unknown = rc == EAI_NONAME || rc == EAI_FAIL || rc == EAI_NODATA;
        m_nSystemError = rc;
        m_strSystemError = ::gai_strerror(rc);
        return unknown ? Status::UnknownHost : Status::Failed;
    }
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> list(pList, ::freeaddrinfo);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(nLimitMs);
    int lastError = ECONNREFUSED;
    for (addrinfo* p = list.get(); p; p = p->ai_next) {
        int fd =
            ::socket(p->ai_family, p->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, p->ai_protocol);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        lastError = ConnectOne(fd, *p, deadline);
        if (lastError == 0) {
            TuneSocket(fd);
            m_nSocket = fd;
            return Status::Ok;
        }
        ::close(fd);
        if (lastError == ETIMEDOUT)
            break; // the time allowed is spent
    }
    if (lastError == ECONNREFUSED)
        return Fail(Status::Refused, lastError);
    return Fail(lastError == ETIMEDOUT ? Status::TimedOut : Status::Failed, lastError);
}

// A server that has gone must fail the write, not end the program with SIGPIPE.
CNetSocket::Status CNetSocket::Send(const void* pData, std::size_t nLength, std::size_t& nSent) {
    nSent = 0;
    const auto* data = static_cast<const char*>(pData);
    while (nSent < nLength) {
        ssize_t n = ::send(static_cast<int>(m_nSocket), data + nSent, nLength - nSent,
                           MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n > 0) {
            nSent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return Status::WouldBlock;
        return Fail(IsConnectionGone(errno) ? Status::Closed : Status::Failed, errno);
    }
    return Status::Ok;
}

CNetSocket::Status CNetSocket::Receive(void* pBuffer, std::size_t nCapacity,
                                       std::size_t& nReceived) {
    nReceived = 0;
    for (;;) {
        ssize_t n = ::recv(static_cast<int>(m_nSocket), pBuffer, nCapacity, MSG_DONTWAIT);
        if (n > 0) {
            nReceived = static_cast<std::size_t>(n);
            return Status::Ok;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return Status::WouldBlock;
        // End of stream or a reset: the server or the link is gone.
        return Fail(Status::Closed, n == 0 ? 0 : errno);
    }
}

CNetSocket::Status CNetSocket::Wait(bool bWrite, int nMillis) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(nMillis);
    const int revents =
        PollUntil(static_cast<int>(m_nSocket), bWrite ? POLLOUT : POLLIN | POLLRDHUP, deadline);
    if (revents < 0)
        return Fail(Status::Failed, errno);
    if (revents == 0)
        return Status::TimedOut;
    if (bWrite && (revents & (POLLHUP | POLLERR)) && !(revents & POLLOUT))
        return Status::Closed;
    return Status::Ok;
}

// Dead peers keep their socket readable with an end of file, which poll shows at once.
bool CNetSocket::IsStillConnected() const {
    pollfd pfd{static_cast<int>(m_nSocket), POLLRDHUP, 0};
    int n;
    do {
        n = ::poll(&pfd, 1, 0);
    } while (n < 0 && errno == EINTR);
    return n == 0;
}

CNetSocket::Status CNetSocket::Fail(Status eStatus, int nError) {
    m_nSystemError = nError;
    m_strSystemError = nError ? std::strerror(nError) : "Connection closed";
    return eStatus;
}

} // namespace vantoro
