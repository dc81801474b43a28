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

struct ParkedConnection {
    std::string strName;
    std::unique_ptr<CNetworkLine> pLine;
    Clock::time_point when;
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

} // namespace

CNetworkLine::~CNetworkLine() = default;

std::unique_ptr<CNetworkLine> CNetworkLine::Connect(const std::string& strName, Outcome& outcome) {
    NetworkPortName name;
    std::string why;
    if (!ParseNetworkPortName(strName, name, &why)) {
        outcome = Failure(PortUnavailable, kErrorFileNotFound, strName + ": " + why);
        return nullptr;
    }
    std::unique_ptr<CNetworkLine> line(new CNetworkLine(name));
    if (!line->ConnectSocket(outcome) || !line->Negotiate(outcome))
        return nullptr;
    outcome = Outcome();
    return line;
}

int CNetworkLine::Probe(const std::string& strName, std::uint32_t* pnError,
                        std::string* pstrCause) {
    Outcome outcome;
    std::unique_ptr<CNetworkLine> line = Connect(strName, outcome);
    if (pnError)
        *pnError = outcome.nError;
    if (!line) {
        if (pstrCause)
            *pstrCause = outcome.strCause;
        return outcome.nCheck;
    }
    std::lock_guard<std::mutex> lock(ParkMutex());
    DropStaleParked();
    std::erase_if(Parked(), [&](const ParkedConnection& p) { return p.strName == strName; });
    Parked().push_back({strName, std::move(line), Clock::now()});
    return PortAvailable;
}

std::unique_ptr<CNetworkLine> CNetworkLine::Open(const std::string& strName, Outcome& outcome) {
    std::unique_ptr<CNetworkLine> parked;
    {
        std::lock_guard<std::mutex> lock(ParkMutex());
        DropStaleParked();
        auto it = std::find_if(Parked().begin(), Parked().end(),
                               [&](const ParkedConnection& p) { return p.strName == strName; });
        if (it != Parked().end()) {
            parked = std::move(it->pLine);
            Parked().erase(it);
        }
    }
    if (parked && parked->m_socket.IsStillConnected()) {
        outcome = Outcome();
        return parked;
    }
    parked.reset(); // closed first: the server may allow one client only
    return Connect(strName, outcome);
}

bool CNetworkLine::ConnectSocket(Outcome& outcome) {
    using S = CNetSocket::Status;
    const S status = m_socket.Connect(m_name.strHost, m_name.strService, kConnectLimitMs);
    const std::string where = Where(m_name);
    switch (status) {
    case S::Ok:
        return true;
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
    const std::string where = Where(m_name);
    if (m_name.bRfc2217) {
        SendRaw(CTelnetCodec::Negotiation(CTelnetCodec::kWill, kOptionBinary) +
                CTelnetCodec::Negotiation(CTelnetCodec::kDo, kOptionBinary) +
                CTelnetCodec::Negotiation(CTelnetCodec::kWill, kOptionComPort));
    }
    const int nLimit = m_name.bRfc2217 ? kNegotiationLimitMs : kRawRefusalWaitMs;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(nLimit);
    while (!m_name.bRfc2217 || !(m_bComPortAgreed && m_bBaudAnswered)) {
        if (m_bComPortRefused) {
            outcome = Failure(PortUnknown, kErrorGenFailure,
                              where + " does not offer RFC 2217 (COM-PORT-OPTION refused); " +
                                  "use socket:// for a raw TCP port");
            return false;
        }
        bool bReadable = false;
        if (!WaitForServer(MillisLeft(deadline), bReadable) || !bReadable)
            break;
        std::string data;
        const bool bOpen = ReadAvailable(data);
        m_strPending += data;
        m_bPending.store(!m_strPending.empty());
        for (char c : data) {
            if (m_strServerText.size() < kMaxServerText && c >= 0x20 && c < 0x7F)
                m_strServerText.push_back(c);
        }
        if (!bOpen) {
            outcome = Failure(PortInUse, kErrorAccessDenied,
                              where + " closed the connection" +
                                  (m_strServerText.empty() ? std::string(" (port in use?)")
                                                           : ": " + m_strServerText));
            return false;
        }
    }
    if (!m_name.bRfc2217 || (m_bComPortAgreed && m_bBaudAnswered))
        return true;
    outcome = Failure(PortUnknown, kErrorTimeout,
                      "No RFC 2217 answer from " + where + " within " +
                          std::to_string(kNegotiationLimitMs / 1000) + " seconds" +
                          (m_bComPortAgreed ? "" : "; is it a raw TCP port (socket://)?"));
    return false;
}

// False when the wait failed; bReadable false when the time ran out.
bool CNetworkLine::WaitForServer(int nMillis, bool& bReadable) {
    const CNetSocket::Status status = m_socket.Wait(false, nMillis);
    bReadable = status == CNetSocket::Status::Ok;
    return status != CNetSocket::Status::Failed;
}

// Whatever is waiting, commands answered; false once the server has closed.
bool CNetworkLine::ReadAvailable(std::string& data) {
    std::uint8_t buffer[512];
    for (;;) {
        std::size_t n = 0;
        const CNetSocket::Status status = m_socket.Receive(buffer, sizeof buffer, n);
        if (status == CNetSocket::Status::WouldBlock)
            return true;
        if (status != CNetSocket::Status::Ok) {
            m_bHungUp = true;
            return false;
        }
        if (!m_name.bRfc2217) {
            data.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
            continue;
        }
        std::vector<CTelnetCodec::Command> commands;
        m_codec.Decode(buffer, static_cast<std::size_t>(n), data, commands);
        for (const CTelnetCodec::Command& command : commands)
            HandleCommand(command);
    }
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
                SendRaw(C::Negotiation(C::kWill, option));
        } else {
            SendRaw(C::Negotiation(C::kWont, option));
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
            SendRaw(C::Negotiation(C::kDo, option));
        } else {
            // Echo included: the equipment's replies must come back as the equipment sent them.
            SendRaw(C::Negotiation(C::kDont, option));
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
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kWriteLimitMs);
    std::size_t done = 0;
    while (done < strBytes.size()) {
        std::size_t n = 0;
        S status = m_socket.Send(strBytes.data() + done, strBytes.size() - done, n);
        done += n;
        if (status == S::Ok)
            continue;
        if (status == S::WouldBlock)
            status = m_socket.Wait(true, MillisLeft(deadline));
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
    // buffer is filled while bytes are there, as a caller takes a short read for "no more".
    while (nRead < nCapacity) {
        std::uint8_t raw[512];
        const std::size_t nRoom = nCapacity - nRead;
        std::size_t n = 0;
        const CNetSocket::Status status = m_socket.Receive(raw, std::min(nRoom, sizeof raw), n);
        if (status == CNetSocket::Status::WouldBlock)
            return 0;
        if (status != CNetSocket::Status::Ok) {
            m_bHungUp = true; // end of stream or a reset: the server or the link is gone
            return kErrorGenFailure;
        }
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
