#pragma once

#include "serial/cnetsocket.h"
#include "serial/ctelnetcodec.h"
#include "serial/lineformat.h"
#include "serial/networkportname.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vantoro {

// One connection to a serial device server, in the result codes of a local port. rfc2217://
// carries the line settings as telnet COM-PORT-OPTION commands and escapes 0xFF; socket://
// carries the bytes as they are and keeps the settings to itself. Every wait has a bound, and
// modem-control answers are never waited for: servers on lines without modem signals do not
// give them.
class CNetworkLine {
public:
    // What a connection attempt found, in the terms of a port check.
    struct Outcome {
        int nCheck = 0;           // PortCheckResult
        std::uint32_t nError = 0; // 2 refused or unknown host, 5 held by another client, ...
        std::string strCause;     // a log line for anything but success
    };

    ~CNetworkLine();
    CNetworkLine(const CNetworkLine&) = delete;
    CNetworkLine& operator=(const CNetworkLine&) = delete;

    // Connects and, for rfc2217://, finishes option negotiation before returning; nullptr with
    // the outcome filled when that fails.
    static std::unique_ptr<CNetworkLine> Connect(const std::string& strName, Outcome& outcome);
    // A port check that connects: the connection is kept for the Open that follows, since a
    // server that just saw its client leave may count it as present for a while.
    static int Probe(const std::string& strName, std::uint32_t* pnError, std::string* pstrCause);
    // The connection a Probe of this name kept, if it is still there; else a new one.
    static std::unique_ptr<CNetworkLine> Open(const std::string& strName, Outcome& outcome);

    NativeSocket Fd() const { return m_socket.Native(); }
    bool IsRfc2217() const { return m_name.bRfc2217; }
    bool HasHungUp() const { return m_bHungUp; }
    const LineFormat& Format() const { return m_format; }
    // Equipment bytes that came while the connection was being made, not read yet. Any thread.
    bool HasPendingData() const { return m_bPending.load(); }

    std::uint32_t SetLineFormat(std::uint32_t nBaudRate, int nDataBits, int nParity, int nStopBits);
    std::uint32_t SetFlowControl(int nMode);
    // Asks the server to empty its buffers and drops what has arrived here unread.
    std::uint32_t Purge();
    // Data as it goes on the connection: 0xFF doubled for rfc2217://, unchanged for socket://.
    std::string EncodeData(const std::uint8_t* pData, std::size_t nLength) const;
    // How many of nSource data bytes the first nSent bytes of their encoding carry whole.
    std::size_t SourceBytesIn(const std::uint8_t* pEncoded, std::size_t nSent,
                              std::size_t nSource) const;
    // Data bytes that are there now, up to nCapacity, counted from 0 in nRead (none is not an
    // error); 31 once the server has gone.
    std::uint32_t Read(std::uint8_t* pBuffer, std::size_t nCapacity, std::uint32_t& nRead);

private:
    explicit CNetworkLine(NetworkPortName name) : m_name(std::move(name)) {}

    bool ConnectSocket(Outcome& outcome);
    bool Negotiate(Outcome& outcome);
    bool WaitForServer(int nMillis, bool& bReadable);
    bool ReadAvailable(std::string& data);
    void HandleCommand(const CTelnetCodec::Command& command);
    void HandleComPortAnswer(const std::string& strData);
    std::uint32_t SendRaw(const std::string& strBytes);
    std::uint32_t SendComPort(std::uint8_t nCommand, const std::string& strValue);

    NetworkPortName m_name;
    CNetSocket m_socket;
    CTelnetCodec m_codec;
    LineFormat m_format;
    bool m_bHungUp = false;
    bool m_bComPortAgreed = false;  // the server said DO COM-PORT-OPTION
    bool m_bComPortRefused = false; // ... or DONT
    bool m_bBaudAnswered = false;   // it answered a baud-rate command: it serves this client
    bool m_bLocalBinary = false;
    bool m_bRemoteBinary = false;
    std::string m_strServerText; // printable data before the line was open: a refusal's words
    // The server opens the serial port as the client connects, so the equipment may already be
    // talking while the negotiation runs: what it said is kept for the first read.
    std::string m_strPending;
    std::atomic<bool> m_bPending{false};
};

} // namespace vantoro
