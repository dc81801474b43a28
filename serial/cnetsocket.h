#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantoro {

// The system's handle of a socket: a descriptor on Linux, a SOCKET on Windows. Both fit here,
// and both systems' "no socket" reads as -1.
using NativeSocket = std::intptr_t;
constexpr NativeSocket kNoSocket = -1;

// A non-blocking TCP connection with the few calls the network line needs, in terms both
// systems share; every wait has a bound given by the caller.
class CNetSocket {
public:
    enum class Status {
        Ok,
        WouldBlock,  // nothing to take or no room now
        Closed,      // end of stream, a reset, or a peer that went away
        Refused,     // nobody listens there
        TimedOut,    // the time allowed ran out
        UnknownHost, // the name does not resolve
        Failed,      // anything else; SystemError() tells what
    };

    CNetSocket() = default;
    ~CNetSocket();
    CNetSocket(const CNetSocket&) = delete;
    CNetSocket& operator=(const CNetSocket&) = delete;

    bool IsValid() const { return m_nSocket != kNoSocket; }
    NativeSocket Native() const { return m_nSocket; }

    // Resolves the host and connects to the first address that answers within nLimitMs; the
    // connection then carries small writes at once and notices a server that vanished.
    Status Connect(const std::string& strHost, const std::string& strService, int nLimitMs);
    // Hands over what the connection takes now (nSent may be short: then WouldBlock).
    Status Send(const void* pData, std::size_t nLength, std::size_t& nSent);
    // Takes what has arrived, up to nCapacity; Ok always with at least one byte.
    Status Receive(void* pBuffer, std::size_t nCapacity, std::size_t& nReceived);
    // Waits up to nMillis for bytes or the end of the stream (bWrite false), or for room to
    // send (true): Ok, TimedOut, Closed (only when writing is impossible) or Failed.
    Status Wait(bool bWrite, int nMillis);
    // False once the peer has closed or reset the connection; nothing is consumed.
    bool IsStillConnected() const;

    // The system's code and text of the last failure (errno or a Winsock code).
    int SystemError() const { return m_nSystemError; }
    const std::string& SystemErrorText() const { return m_strSystemError; }

private:
    void Close();
    Status Fail(Status eStatus, int nError);

    NativeSocket m_nSocket = kNoSocket;
    int m_nSystemError = 0;
    std::string m_strSystemError;
};

} // namespace vantoro
