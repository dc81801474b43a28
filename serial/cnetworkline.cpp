#include "serial/cnetworkline.h"

#include "serial/serialtypes.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <vector>

namespace vantoro {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kConnectLimitMs = 5000;
constexpr int kNegotiationLimitMs = 3000;
// A server that refuses a raw client (the port is someone else's) says so and closes at once.
constexpr int kRawRefusalWaitMs = 250;
constexpr int kWriteLimitMs = 5000;
constexpr std::size_t kMaxServerText = 200;
constexpr auto kParkLimit = std::chrono::seconds(10);
// More than the fastest serial line (921600 baud) carries in the whole negotiation: whatever
// sends this much before the port is open is flooding, not relaying equipment.
constexpr std::size_t kMaxSetUpBytes = 384 * 1024;
// Equipment bytes kept for the first read; the newest, as a detection text comes last.
constexpr std::size_t kMaxPendingBytes = 4096;
// What one read of the socket takes at most, so a flood never keeps a loop from its deadline.
constexpr std::size_t kMaxReadSlice = 16 * 1024;
// How often a wait looks whether its caller gave up.
constexpr int kAbandonSliceMs = 50;

// Telnet options, and the COM-PORT-OPTION commands (a server answers each with its code + 100).
constexpr std::uint8_t kOptionBinary = 0;
constexpr std::uint8_t kOptionEcho = 1;
constexpr std::uint8_t kOptionSuppressGoAhead = 3;
constexpr std::uint8_t kOptionComPort = 44;
constexpr std::uint8_t kSetBaudRate = 1;
constexpr std::uint8_t kSetDataSize = 2;
constexpr std::uint8_t kSetParity = 3;
constexpr std::uint8_t kSetStopSize = 4;
constexpr std::uint8_t kSetControl = 5;
constexpr std::uint8_t kPurgeData = 12;
constexpr std::uint8_t kServerOffset = 100;

std::string BigEndian32(std::uint32_t nValue) {
    return {static_cast<char>(nValue >> 24), static_cast<char>(nValue >> 16),
            static_cast<char>(nValue >> 8), static_cast<char>(nValue)};
}

int MillisLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
}

std::string Where(const NetworkPortName& name) {
    return name.strHost + ":" + name.strService;
}

CNetworkLine::Outcome Failure(int nCheck, std::uint32_t nError, std::string strCause) {
    return {nCheck, nError, std::move(strCause)};
}

// A kept connection, or (pLine empty) what a check on another thread found instead.
struct ParkedConnection {
    std::string strName;
    std::unique_ptr<CNetworkLine> pLine;
    Clock::time_point when;
    CNetworkLine::Outcome outcome = {};
};

std::mutex& ParkMutex() {
    static std::mutex mutex;
    return mutex;
}

std::vector<ParkedConnection>& Parked() {
    static std::vector<ParkedConnection> parked;
    return parked;
}

// Under the park's lock: connections nobody took in time are let go, so a server is not held.
void DropStaleParked() {
    const Clock::time_point now = Clock::now();
    std::erase_if(Parked(), [&](const ParkedConnection& p) { return now - p.when > kParkLimit; });
}

// Takes out of the park what was kept for this name: a live connection, or a failure.
bool TakeParked(const std::string& strName, std::unique_ptr<CNetworkLine>& pLine,
                CNetworkLine::Outcome& outcome) {
    std::lock_guard<std::mutex> lock(ParkMutex());
    DropStaleParked();
    auto it = std::find_if(Parked().begin(), Parked().end(),
                           [&](const ParkedConnection& p) { return p.strName == strName; });
    if (it == Parked().end())
        return false;
    pLine = std::move(it->pLine);
    outcome = it->outcome;
    Parked().erase(it);
    return true;
}

void Park(const std::string& strName, std::unique_ptr<CNetworkLine> pLine,
          const CNetworkLine::Outcome& outcome) {
    std::lock_guard<std::mutex> lock(ParkMutex());
    DropStaleParked();
    std::erase_if(Parked(), [&](const ParkedConnection& p) { return p.strName == strName; });
    Parked().push_back({strName, std::move(pLine), Clock::now(), outcome});
}

} // namespace

CNetworkLine::~CNetworkLine() = default;

std::unique_ptr<CNetworkLine> CNetworkLine::Connect(const std::string& strName, Outcome& outcome,
                                                    const std::atomic<bool>* pbAbandon) {
    NetworkPortName name;
    std::string why;
    if (!ParseNetworkPortName(strName, name, &why)) {
        outcome = Failure(PortUnavailable, kErrorFileNotFound, strName + ": " + why);
        return nullptr;
    }
    std::unique_ptr<CNetworkLine> line(new CNetworkLine(name));
    line->m_pbAbandon = pbAbandon;
    if (!line->ConnectSocket(outcome) || !line->Negotiate(outcome))
        return nullptr;
    line->m_pbAbandon = nullptr;
    outcome = Outcome();
    return line;
}

int CNetworkLine::Probe(const std::string& strName, std::uint32_t* pnError, std::string* pstrCause,
                        const std::atomic<bool>* pbAbandon) {
    // One rule for whatever a check on another thread left (the cli's connecting threads, the
    // window's connector): a kept connection still up answers and is kept again for the open;
    // a kept failure answers as it is; a connection the server closed since is asked anew.
    Outcome outcome;
    std::unique_ptr<CNetworkLine> line;
    const bool bParked = TakeParked(strName, line, outcome);
    if (bParked && line && !line->m_socket.IsStillConnected())
        line.reset(); // the server went since: ask it again
    if (!bParked || (!line && outcome.nCheck == PortAvailable))
        line = Connect(strName, outcome, pbAbandon);
    if (line && pbAbandon && pbAbandon->load()) {
        line.reset(); // nobody will open it: the server is not held for nothing
        outcome = Failure(PortUnknown, kErrorAbandoned, "Checking " + strName + " was given up");
    }
    if (pnError)
        *pnError = outcome.nError;
    if (!line) {
        if (pstrCause)
            *pstrCause = outcome.strCause;
        return outcome.nCheck;
    }
    Park(strName, std::move(line), Outcome());
    return PortAvailable;
}

std::unique_ptr<CNetworkLine> CNetworkLine::Open(const std::string& strName, Outcome& outcome,
                                                 const std::atomic<bool>* pbAbandon) {
    std::unique_ptr<CNetworkLine> parked;
    if (TakeParked(strName, parked, outcome)) {
        if (parked && parked->m_socket.IsStillConnected()) {
            outcome = Outcome();
            return parked;
        }
        if (!parked && outcome.nCheck != PortAvailable)
            return nullptr;
    }
    parked.reset(); // closed first: the server may allow one client only
    return Connect(strName, outcome, pbAbandon);
}

void CNetworkLine::ParkFailure(const std::string& strName, const Outcome& outcome) {
    Park(strName, nullptr, outcome);
}

bool CNetworkLine::ConnectSocket(Outcome& outcome) {
    using S = CNetSocket::Status;
    const S status =
        m_socket.Connect(m_name.strHost, m_name.strService, kConnectLimitMs, m_pbAbandon);
    const std::string where = Where(m_name);
    switch (status) {
    case S::Ok:
        return true;
    case S::Abandoned:
        outcome = Failure(PortUnknown, kErrorAbandoned, "Connecting to " + where + " was given up");
        return false;
    case S::UnknownHost:
        outcome = Failure(PortUnavailable, kErrorFileNotFound,
                          "Cannot find network host " + m_name.strHost + ": " +
                              m_socket.SystemErrorText());
        return false;
    case S::Refused:
        outcome = Failure(PortUnavailable, kErrorFileNotFound,
                          "Connection refused by " + where + ": no serial server listens there");
        return false;
    case S::TimedOut:
        outcome = Failure(PortUnknown, kErrorTimeout,
                          "No answer from " + where + " within " +
                              std::to_string(kConnectLimitMs / 1000) + " seconds");
        return false;
    default:
        outcome = Failure(PortUnknown, static_cast<std::uint32_t>(m_socket.SystemError()),
                          m_socket.SystemErrorText() + " connecting to " + where);
        return false;
    }
}

// A server that has given the port to someone else still accepts the connection, then tells
// so and closes; only a server that answers a line command serves this client.
bool CNetworkLine::Negotiate(Outcome& outcome) {
    const int nLimit = m_name.bRfc2217 ? kNegotiationLimitMs : kRawRefusalWaitMs;
    m_setUpDeadline = Clock::now() + std::chrono::milliseconds(nLimit);
    m_bSettingUp = true;
    if (m_name.bRfc2217) {
        SendRaw(CTelnetCodec::Negotiation(CTelnetCodec::kWill, kOptionBinary) +
                CTelnetCodec::Negotiation(CTelnetCodec::kDo, kOptionBinary) +
                CTelnetCodec::Negotiation(CTelnetCodec::kWill, kOptionComPort));
    }
    const bool bDone = NegotiateUntil(m_setUpDeadline, outcome);
    m_bSettingUp = false;
    return bDone;
}

bool CNetworkLine::NegotiateUntil(Clock::time_point deadline, Outcome& outcome) {
    const std::string where = Where(m_name);
    while (!IsNegotiated()) {
        if (m_bComPortRefused) {
            outcome = Failure(PortUnknown, kErrorGenFailure,
                              where + " does not offer RFC 2217 (COM-PORT-OPTION refused); " +
                                  "use socket:// for a raw TCP port");
            return false;
        }
        if (m_nSetUpBytes > kMaxSetUpBytes || m_codec.HasOverlongSubnegotiation()) {
            outcome = Failure(PortUnknown, kErrorGenFailure,
                              where + " floods the connection while it is set up (" +
                                  (m_nSetUpBytes > kMaxSetUpBytes
                                       ? "more bytes than a serial line carries"
                                       : "a telnet subnegotiation without end") +
                                  "); it is not a serial port server that can be used");
            return false;
        }
        if (IsAbandoned() || Clock::now() >= deadline)
            break;
        bool bReadable = false;
        if (!WaitForServer(deadline, bReadable))
            break;
        if (!bReadable)
            continue;
        std::string data;
        const bool bOpen = ReadAvailable(data);
        KeepPending(data);
        if (!bOpen) {
            outcome = Failure(PortInUse, kErrorAccessDenied,
                              where + " closed the connection" +
                                  (m_strServerText.empty() ? std::string(" (port in use?)")
                                                           : ": " + m_strServerText));
            return false;
        }
    }
    if (IsAbandoned()) {
        outcome = Failure(PortUnknown, kErrorAbandoned,
                          "Setting up the connection to " + where + " was given up");
        return false;
    }
    if (!m_name.bRfc2217 || IsNegotiated())
        return true;
    outcome = Failure(PortUnknown, kErrorTimeout,
                      "No RFC 2217 answer from " + where + " within " +
                          std::to_string(kNegotiationLimitMs / 1000) + " seconds" +
                          (m_bComPortAgreed ? "" : "; is it a raw TCP port (socket://)?"));
    return false;
}

bool CNetworkLine::IsNegotiated() const {
    return m_name.bRfc2217 && m_bComPortAgreed && m_bBaudAnswered;
}

bool CNetworkLine::IsAbandoned() const {
    return m_pbAbandon && m_pbAbandon->load();
}

void CNetworkLine::KeepPending(const std::string& strData) {
    for (char c : strData) {
        if (m_strServerText.size() < kMaxServerText && c >= 0x20 && c < 0x7F)
            m_strServerText.push_back(c);
    }
    m_strPending += strData;
    if (m_strPending.size() > kMaxPendingBytes)
        m_strPending.erase(0, m_strPending.size() - kMaxPendingBytes);
    m_bPending.store(!m_strPending.empty());
}

// Waits for the server within the deadline in short slices, so a caller that gives up is let go
// at once: Ok, TimedOut (also when given up), Closed or Failed.
CNetSocket::Status CNetworkLine::WaitSliced(bool bWrite, Clock::time_point deadline) {
    for (;;) {
        if (IsAbandoned())
            return CNetSocket::Status::TimedOut;
        const int nLeft = MillisLeft(deadline);
        const int nSlice = m_pbAbandon ? std::min(nLeft, kAbandonSliceMs) : nLeft;
        const CNetSocket::Status status = m_socket.Wait(bWrite, nSlice);
        if (status != CNetSocket::Status::TimedOut || nLeft <= nSlice)
            return status;
    }
}

// False when the wait failed; bReadable false when the time ran out or the caller gave up.
bool CNetworkLine::WaitForServer(Clock::time_point deadline, bool& bReadable) {
    const CNetSocket::Status status = WaitSliced(false, deadline);
    bReadable = status == CNetSocket::Status::Ok;
    return status != CNetSocket::Status::Failed;
}

// What is waiting, up to one slice, commands answered; false once the server has closed.
bool CNetworkLine::ReadAvailable(std::string& data) {
    std::uint8_t buffer[512];
    for (std::size_t nTaken = 0; nTaken < kMaxReadSlice;) {
        std::size_t n = 0;
        const CNetSocket::Status status = m_socket.Receive(buffer, sizeof buffer, n);
        if (status == CNetSocket::Status::WouldBlock)
            return true;
        if (status != CNetSocket::Status::Ok) {
            m_bHungUp = true;
            return false;
        }
        nTaken += static_cast<std::size_t>(n);
        if (m_bSettingUp)
            m_nSetUpBytes += static_cast<std::size_t>(n);
        if (!m_name.bRfc2217) {
            data.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
            continue;
        }
        std::vector<CTelnetCodec::Command> commands;
        m_codec.Decode(buffer, static_cast<std::size_t>(n), data, commands);
        for (const CTelnetCodec::Command& command : commands)
            HandleCommand(command);
    }
    return true;
}

// Agrees to binary transfer both ways and to suppressing go-ahead, takes the COM-PORT
// agreement, and refuses everything else once, so the exchange cannot loop.
void CNetworkLine::HandleCommand(const CTelnetCodec::Command& command) {
    using C = CTelnetCodec;
    const std::uint8_t option = command.nOption;
    switch (command.nVerb) {
    case C::kDo:
        if (option == kOptionComPort) {
            if (!m_bComPortAgreed) {
                m_bComPortAgreed = true;
                SendComPort(kSetBaudRate, BigEndian32(0)); // 0 asks for the current rate
            }
        } else if (option == kOptionBinary || option == kOptionSuppressGoAhead) {
            if (option == kOptionBinary && !m_bLocalBinary)
                m_bLocalBinary = true; // the answer to our WILL
            else if (option == kOptionSuppressGoAhead)
                Answer(C::kWill, option);
        } else {
            Answer(C::kWont, option);
        }
        return;
    case C::kDont:
        if (option == kOptionComPort)
            m_bComPortRefused = true;
        else if (option == kOptionBinary && m_bLocalBinary) {
            m_bLocalBinary = false;
            SendRaw(C::Negotiation(C::kWont, option));
        }
        return;
    case C::kWill:
        if (option == kOptionBinary) {
            m_bRemoteBinary = true; // the answer to our DO
        } else if (option == kOptionSuppressGoAhead) {
            Answer(C::kDo, option);
        } else {
            // Echo included: the equipment's replies must come back as the equipment sent them.
            Answer(C::kDont, option);
        }
        return;
    case C::kWont:
        if (option == kOptionBinary && m_bRemoteBinary) {
            m_bRemoteBinary = false;
            SendRaw(C::Negotiation(C::kDont, option));
        }
        return;
    case C::kSb:
        if (option == kOptionComPort)
            HandleComPortAnswer(command.strData);
        return;
    default:
        return;
    }
}

void CNetworkLine::Answer(std::uint8_t nVerb, std::uint8_t nOption) {
    const std::size_t nIndex =
        static_cast<std::size_t>(nVerb - CTelnetCodec::kWill) * 256 + nOption;
    if (m_answered.test(nIndex))
        return;
    m_answered.set(nIndex);
    SendRaw(CTelnetCodec::Negotiation(nVerb, nOption));
}

void CNetworkLine::HandleComPortAnswer(const std::string& strData) {
    if (strData.size() < 5 || static_cast<std::uint8_t>(strData[0]) != kServerOffset + kSetBaudRate)
        return; // line and modem state reports and the other answers change nothing here
    std::uint32_t value = 0;
    for (int i = 1; i <= 4; ++i)
        value = value << 8 | static_cast<std::uint8_t>(strData[i]);
    m_bBaudAnswered = true;
    if (m_format.nBaudRate == 0)
        m_format.nBaudRate = value;
}

std::uint32_t CNetworkLine::SendComPort(std::uint8_t nCommand, const std::string& strValue) {
    return SendRaw(CTelnetCodec::Subnegotiation(
        kOptionComPort, std::string(1, static_cast<char>(nCommand)) + strValue));
}

std::uint32_t CNetworkLine::SendRaw(const std::string& strBytes) {
    using S = CNetSocket::Status;
    // While setting up, a server that takes nothing holds this side no longer than set-up lasts.
    const Clock::time_point deadline =
        m_bSettingUp ? m_setUpDeadline : Clock::now() + std::chrono::milliseconds(kWriteLimitMs);
    std::size_t done = 0;
    while (done < strBytes.size()) {
        std::size_t n = 0;
        S status = m_socket.Send(strBytes.data() + done, strBytes.size() - done, n);
        done += n;
        if (status == S::Ok)
            continue;
        if (status == S::WouldBlock)
            status = WaitSliced(true, deadline);
        if (status == S::Ok)
            continue;
        if (status == S::TimedOut)
            return kErrorTimeout; // the server takes nothing: the update ends as a silent unit
        if (status == S::Closed)
            m_bHungUp = true;
        return kErrorGenFailure;
    }
    return 0;
}

std::uint32_t CNetworkLine::SetLineFormat(std::uint32_t nBaudRate, int nDataBits, int nParity,
                                          int nStopBits) {
    m_format.nBaudRate = nBaudRate;
    m_format.nDataBits = nDataBits;
    m_format.nParity = nParity;
    m_format.nStopBits = nStopBits;
    if (!m_name.bRfc2217)
        return 0; // the server's own configuration sets a raw port's line
    const std::uint8_t stopSize = nStopBits == TWOSTOPBITS ? 2 : nStopBits == ONE5STOPBITS ? 3 : 1;
    std::string commands = CTelnetCodec::Subnegotiation(
        kOptionComPort, std::string(1, static_cast<char>(kSetBaudRate)) + BigEndian32(nBaudRate));
    const std::uint8_t settings[][2] = {{kSetDataSize, static_cast<std::uint8_t>(nDataBits)},
                                        {kSetParity, static_cast<std::uint8_t>(nParity + 1)},
                                        {kSetStopSize, stopSize}};
    for (const auto& setting : settings) {
        commands += CTelnetCodec::Subnegotiation(
            kOptionComPort,
            std::string{static_cast<char>(setting[0]), static_cast<char>(setting[1])});
    }
    return SendRaw(commands);
}

std::uint32_t CNetworkLine::SetFlowControl(int nMode) {
    m_format.nHandshake = nMode;
    if (!m_name.bRfc2217)
        return 0;
    // 1 none, 2 XON/XOFF, 3 hardware: the protocol's own numbering.
    const std::uint8_t value = nMode == HandshakeHardware ? 3 : nMode == HandshakeSoftware ? 2 : 1;
    return SendComPort(kSetControl, std::string(1, static_cast<char>(value)));
}

std::uint32_t CNetworkLine::Purge() {
    std::uint32_t code = 0;
    if (m_name.bRfc2217)
        code = SendComPort(kPurgeData, std::string(1, '\3')); // both directions
    m_strPending.clear();
    m_bPending.store(false);
    std::string dropped;
    if (!ReadAvailable(dropped))
        return kErrorGenFailure;
    return code;
}

std::string CNetworkLine::EncodeData(const std::uint8_t* pData, std::size_t nLength) const {
    std::string bytes;
    if (m_name.bRfc2217)
        CTelnetCodec::AppendEscaped(pData, nLength, bytes);
    else
        bytes.assign(reinterpret_cast<const char*>(pData), nLength);
    return bytes;
}

std::size_t CNetworkLine::SourceBytesIn(const std::uint8_t* pEncoded, std::size_t nSent,
                                        std::size_t nSource) const {
    if (!m_name.bRfc2217)
        return std::min(nSent, nSource);
    std::size_t count = 0;
    for (std::size_t i = 0; i < nSent; ++i, ++count) {
        if (pEncoded[i] == CTelnetCodec::kIac && ++i == nSent)
            break; // half of a doubled 0xFF
    }
    return std::min(count, nSource);
}

std::uint32_t CNetworkLine::Read(std::uint8_t* pBuffer, std::size_t nCapacity,
                                 std::uint32_t& nRead) {
    nRead = 0;
    if (!m_strPending.empty()) {
        nRead = static_cast<std::uint32_t>(std::min(nCapacity, m_strPending.size()));
        std::memcpy(pBuffer, m_strPending.data(), nRead);
        m_strPending.erase(0, nRead);
        m_bPending.store(!m_strPending.empty());
    }
    // No more is taken from the socket than fits: decoding only ever shortens the stream. The
    // buffer is filled while bytes are there, as a caller takes a short read for "no more". A
    // receive that came back short has emptied the connection: asking again would only hear
    // "nothing" (under Wine a round trip to its server, once a reply).
    bool bDrained = false;
    while (nRead < nCapacity && !bDrained) {
        std::uint8_t raw[512];
        const std::size_t nAsk = std::min(nCapacity - nRead, sizeof raw);
        std::size_t n = 0;
        const CNetSocket::Status status = m_socket.Receive(raw, nAsk, n);
        if (status == CNetSocket::Status::WouldBlock)
            return 0;
        if (status != CNetSocket::Status::Ok) {
            m_bHungUp = true; // end of stream or a reset: the server or the link is gone
            return kErrorGenFailure;
        }
        bDrained = n < nAsk;
        std::string data;
        if (m_name.bRfc2217) {
            std::vector<CTelnetCodec::Command> commands;
            m_codec.Decode(raw, static_cast<std::size_t>(n), data, commands);
            for (const CTelnetCodec::Command& command : commands)
                HandleCommand(command);
        } else {
            data.assign(reinterpret_cast<const char*>(raw), static_cast<std::size_t>(n));
        }
        std::memcpy(pBuffer + nRead, data.data(), data.size());
        nRead += static_cast<std::uint32_t>(data.size());
    }
    return 0;
}

} // namespace vantoro
