#include "serial/cnetsocket.h"

#include "platform/win32/widetext.h"
#include "serial/win32/socketwait.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <memory>

#include "serial/win32/windowsapi.h" // last: see there

namespace vantoro {

namespace {

using Clock = std::chrono::steady_clock;

long MillisLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<long>(std::max<long long>(0, left.count()));
}

// Winsock is started once per process and stays up until it ends.
bool StartWinsock() {
    static const bool bStarted = [] {
        WSADATA data{};
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return bStarted;
}

SOCKET Socket(NativeSocket nSocket) {
    return static_cast<SOCKET>(nSocket);
}

// Small writes go out at once; keep-alive finds a server that vanished without a word.
void TuneSocket(SOCKET socket) {
    BOOL on = TRUE;
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    tcp_keepalive keepAlive{1, 10000, 3000};
    DWORD nUnused = 0;
    ::WSAIoctl(socket, SIO_KEEPALIVE_VALS, &keepAlive, sizeof keepAlive, nullptr, 0, &nUnused,
               nullptr, nullptr);
}

// One address within the deadline: 0 connected, else the Winsock code of the failure.
int ConnectOne(SOCKET socket, const addrinfoW& address, Clock::time_point deadline,
               const std::atomic<bool>* pbAbandon) {
    if (::connect(socket, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0)
        return 0;
    const int nError = ::WSAGetLastError();
    if (nError != WSAEWOULDBLOCK)
        return nError;
    bool bFailed = false;
    int n = 0;
    // In short slices, so a caller that gives up is let go at once.
    for (;;) {
        if (pbAbandon && pbAbandon->load())
            return WSAECANCELLED;
        const int nLeft = MillisLeft(deadline);
        const int nSlice = std::min(nLeft, 50);
        n = SelectOne(static_cast<NativeSocket>(socket), true, nSlice, bFailed);
        if (n != 0 || nLeft <= nSlice)
            break;
    }
    if (n == SOCKET_ERROR)
        return ::WSAGetLastError();
    if (n == 0)
        return WSAETIMEDOUT;
    int nSocketError = 0;
    int nLength = sizeof nSocketError;
    ::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&nSocketError), &nLength);
    return bFailed && nSocketError == 0 ? WSAECONNREFUSED : nSocketError;
}

bool IsConnectionGone(int nError) {
    return nError == WSAECONNRESET || nError == WSAECONNABORTED || nError == WSAENETRESET ||
           nError == WSAESHUTDOWN || nError == WSAENOTCONN || nError == WSAETIMEDOUT;
}

} // namespace

int SelectOne(NativeSocket nSocket, bool bWrite, long nMillis, bool& bFailed) {
    const SOCKET socket = Socket(nSocket);
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(socket, &ready);
    FD_SET(socket, &failed);
    timeval limit{nMillis / 1000, (nMillis % 1000) * 1000};
    const int n = ::select(0, bWrite ? nullptr : &ready, bWrite ? &ready : nullptr, &failed,
                           nMillis < 0 ? nullptr : &limit);
    bFailed = n > 0 && FD_ISSET(socket, &failed);
    return n;
}

CNetSocket::~CNetSocket() {
    Close();
}

void CNetSocket::Close() {
    if (IsValid())
        ::closesocket(Socket(m_nSocket));
    m_nSocket = kNoSocket;
}

CNetSocket::Status CNetSocket::Connect(const std::string& strHost, const std::string& strService,
                                       int nLimitMs, const std::atomic<bool>* pbAbandon) {
    Close();
    if (!StartWinsock())
        return Fail(Status::Failed, ::WSAGetLastError());
    addrinfoW hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfoW* pList = nullptr;
    const int rc =
        ::GetAddrInfoW(WideText(strHost).c_str(), WideText(strService).c_str(), &hints, &pList);
    if (rc != 0) {
        const bool unknown = rc == WSAHOST_NOT_FOUND || rc == WSANO_DATA || rc == WSANO_RECOVERY;
        return Fail(unknown ? Status::UnknownHost : Status::Failed, rc);
    }
    std::unique_ptr<addrinfoW, decltype(&::FreeAddrInfoW)> list(pList, ::FreeAddrInfoW);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(nLimitMs);
    int lastError = WSAECONNREFUSED;
    for (addrinfoW* p = list.get(); p; p = p->ai_next) {
        SOCKET socket = ::WSASocketW(p->ai_family, p->ai_socktype, p->ai_protocol, nullptr, 0,
                                     WSA_FLAG_NO_HANDLE_INHERIT);
        if (socket == INVALID_SOCKET) {
            lastError = ::WSAGetLastError();
            continue;
        }
        u_long nonBlocking = 1;
        ::ioctlsocket(socket, FIONBIO, &nonBlocking);
        lastError = ConnectOne(socket, *p, deadline, pbAbandon);
        if (lastError == 0) {
            TuneSocket(socket);
            m_nSocket = static_cast<NativeSocket>(socket);
            return Status::Ok;
        }
        ::closesocket(socket);
        if (lastError == WSAETIMEDOUT || lastError == WSAECANCELLED)
            break; // the time allowed is spent, or the caller has gone
    }
    if (lastError == WSAECANCELLED)
        return Fail(Status::Abandoned, lastError);
    if (lastError == WSAECONNREFUSED)
        return Fail(Status::Refused, lastError);
    return Fail(lastError == WSAETIMEDOUT ? Status::TimedOut : Status::Failed, lastError);
}

CNetSocket::Status CNetSocket::Send(const void* pData, std::size_t nLength, std::size_t& nSent) {
    nSent = 0;
    const auto* data = static_cast<const char*>(pData);
    while (nSent < nLength) {
        const int nChunk = static_cast<int>(std::min<std::size_t>(nLength - nSent, INT_MAX));
        const int n = ::send(Socket(m_nSocket), data + nSent, nChunk, 0);
        if (n > 0) {
            nSent += static_cast<std::size_t>(n);
            continue;
        }
        const int nError = ::WSAGetLastError();
        if (nError == WSAEWOULDBLOCK)
            return Status::WouldBlock;
        return Fail(IsConnectionGone(nError) ? Status::Closed : Status::Failed, nError);
    }
    return Status::Ok;
}

CNetSocket::Status CNetSocket::Receive(void* pBuffer, std::size_t nCapacity,
                                       std::size_t& nReceived) {
    nReceived = 0;
    const int nChunk = static_cast<int>(std::min<std::size_t>(nCapacity, INT_MAX));
    const int n = ::recv(Socket(m_nSocket), static_cast<char*>(pBuffer), nChunk, 0);
    if (n > 0) {
        nReceived = static_cast<std::size_t>(n);
        return Status::Ok;
    }
    const int nError = n == 0 ? 0 : ::WSAGetLastError();
    if (nError == WSAEWOULDBLOCK)
        return Status::WouldBlock;
    // End of stream or a reset: the server or the link is gone.
    return Fail(Status::Closed, nError);
}

CNetSocket::Status CNetSocket::Wait(bool bWrite, int nMillis) {
    bool bFailed = false;
    const int n = SelectOne(m_nSocket, bWrite, nMillis, bFailed);
    if (n == SOCKET_ERROR)
        return Fail(Status::Failed, ::WSAGetLastError());
    if (n == 0)
        return Status::TimedOut;
    return bWrite && bFailed ? Status::Closed : Status::Ok;
}

// A peer that closed leaves the socket readable with nothing to read.
bool CNetSocket::IsStillConnected() const {
    bool bFailed = false;
    const SOCKET socket = Socket(m_nSocket);
    const int n = SelectOne(m_nSocket, false, 0, bFailed);
    if (n == 0)
        return true;
    char byte = 0;
    return n > 0 && !bFailed && ::recv(socket, &byte, 1, MSG_PEEK) > 0;
}

CNetSocket::Status CNetSocket::Fail(Status eStatus, int nError) {
    m_nSystemError = nError;
    m_strSystemError =
        nError ? vantoro::SystemErrorText(static_cast<unsigned long>(nError)) : "Connection closed";
    return eStatus;
}

} // namespace vantoro
