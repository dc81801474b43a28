// Opening, configuring and closing CSerialLine over the Win32 communications calls.
#include "serial/cserialline.h"

#include "platform/win32/widetext.h"
#include "serial/cnetworkline.h"
#include "serial/comportnames.h"
#include "serial/lineformat.h"
#include "serial/networkportname.h"

#include <cwctype>

#include "serial/win32/windowsapi.h" // last: see there

namespace vantoro {

namespace {

// The driver's queue sizes; the write queue of this class holds whatever does not fit.
constexpr DWORD kDriverQueueSize = 128;

HANDLE Port(SystemHandle hPort) {
    return static_cast<HANDLE>(hPort);
}

HANDLE OpenDevice(const std::string& strNode, bool bOverlapped) {
    return ::CreateFileW(WideText(strNode).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                         OPEN_EXISTING, bOverlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr);
}

// Windows refuses a second open of a port by itself; Wine does not, so two programs in one Wine
// prefix could share a port. A named object per port, held while it is open, makes every open
// here refuse a port that another one holds, wherever it runs.
std::wstring ClaimName(const std::string& strNode) {
    std::wstring name = L"Local\\Vantoro.Port.";
    for (wchar_t c : WideText(strNode))
        name.push_back(c == L'\\' ? L'_' : static_cast<wchar_t>(std::towupper(c)));
    return name;
}

HANDLE ClaimPort(const std::string& strNode) {
    HANDLE hClaim = ::CreateMutexW(nullptr, FALSE, ClaimName(strNode).c_str());
    if (hClaim && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(hClaim);
        return nullptr;
    }
    return hClaim;
}

bool IsClaimed(const std::string& strNode) {
    HANDLE hClaim = ::OpenMutexW(SYNCHRONIZE, FALSE, ClaimName(strNode).c_str());
    if (hClaim)
        ::CloseHandle(hClaim);
    return hClaim != nullptr;
}

bool ReadState(HANDLE hPort, DCB& dcb) {
    dcb = DCB{};
    dcb.DCBlength = sizeof dcb;
    return ::GetCommState(hPort, &dcb) != 0;
}

// The same rule as on every system: rate 0 would hang up the line, and one and a half stop
// bits are refused, so a setting works on every port or on none.
bool IsValidFormat(std::uint32_t nBaudRate, int nDataBits, int nParity, int nStopBits) {
    return nBaudRate != 0 && nDataBits >= 5 && nDataBits <= 8 && nParity >= NOPARITY &&
           nParity <= SPACEPARITY && (nStopBits == ONESTOPBIT || nStopBits == TWOSTOPBITS);
}

int HandshakeOf(const DCB& dcb) {
    if (dcb.fDtrControl == DTR_CONTROL_HANDSHAKE && dcb.fRtsControl == RTS_CONTROL_HANDSHAKE)
        return HandshakeHardware;
    return dcb.fOutX && dcb.fInX ? HandshakeSoftware : HandshakeOff;
}

void ApplyHandshake(DCB& dcb, int nMode) {
    const bool bHardware = nMode == HandshakeHardware;
    const bool bSoftware = nMode == HandshakeSoftware;
    dcb.fOutxCtsFlow = bHardware;
    dcb.fOutxDsrFlow = bHardware;
    dcb.fDtrControl = bHardware ? DTR_CONTROL_HANDSHAKE : DTR_CONTROL_DISABLE;
    dcb.fRtsControl = bHardware ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_DISABLE;
    dcb.fOutX = bSoftware;
    dcb.fInX = bSoftware;
}

} // namespace

CSerialLine::CSerialLine() = default;

CSerialLine::~CSerialLine() {
    AbandonPendingOperations();
    CloseHandles();
}

std::uint32_t CSerialLine::OpenPort(const char* pszDevice, bool bOverlapped) {
    Store(0);
    if (HasPort())
        return Store(kErrorAlreadyInitialized);
    const std::string node = ResolveComDevice(pszDevice ? pszDevice : "");
    if (LooksLikeNetworkPortName(node))
        return OpenNetworkPort(node, bOverlapped);
    if (!m_ioEvent.IsValid() || !m_wakeup.IsValid() || !m_writeDone.IsValid())
        return Store(kErrorNotEnoughMemory);
    HANDLE hClaim = ClaimPort(node);
    if (!hClaim)
        return Store(kErrorAccessDenied);
    HANDLE hPort = OpenDevice(node, bOverlapped);
    if (hPort == INVALID_HANDLE_VALUE) {
        const DWORD nError = ::GetLastError();
        ::CloseHandle(hClaim);
        return Store(nError);
    }
    m_hPort = hPort;
    m_hClaim = hClaim;
    if (std::uint32_t code = ConfigureOpenedPort()) {
        CloseHandles();
        return Store(code);
    }
    ResetOpenState(bOverlapped, node);
    // The configuration Windows keeps for the port (set in Device Manager) comes last, as the
    // documented open does; ConfigureLine follows it.
    COMMCONFIG config{};
    DWORD nSize = sizeof config;
    config.dwSize = nSize;
    if (::GetDefaultCommConfigW(WideText(node).c_str(), &config, &nSize))
        ::SetCommConfig(hPort, &config, nSize);
    return GetLastError();
}

// Driver queues, and a binary line that drops nothing and never stops on an error: the
// listener clears errors at every wake-up and reports them.
std::uint32_t CSerialLine::ConfigureOpenedPort() {
    if (!::SetupComm(Port(m_hPort), kDriverQueueSize, kDriverQueueSize))
        return ::GetLastError();
    DCB dcb;
    if (!ReadState(Port(m_hPort), dcb))
        return ::GetLastError();
    dcb.fBinary = TRUE;
    dcb.fNull = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fAbortOnError = FALSE;
    if (!::SetCommState(Port(m_hPort), &dcb))
        return ::GetLastError();
    DWORD errors = 0;
    ::ClearCommError(Port(m_hPort), &errors, nullptr);
    return 0;
}

// The connection is made and negotiated before the port counts as open. Winsock signals the
// listener's event for arriving bytes and for the end of the connection.
std::uint32_t CSerialLine::OpenNetworkPort(const std::string& strName, bool bOverlapped) {
    if (!m_socketEvent.IsValid() || !m_wakeup.IsValid())
        return Store(kErrorNotEnoughMemory);
    CNetworkLine::Outcome outcome;
    std::unique_ptr<CNetworkLine> pNetwork = CNetworkLine::Open(strName, outcome);
    if (!pNetwork)
        return Store(outcome.nError);
    m_socketEvent.Reset();
    if (::WSAEventSelect(static_cast<SOCKET>(pNetwork->Fd()),
                         static_cast<WSAEVENT>(m_socketEvent.Native()),
                         FD_READ | FD_WRITE | FD_CLOSE) != 0)
        return Store(static_cast<std::uint32_t>(::WSAGetLastError()));
    m_pNetwork = std::move(pNetwork);
    ResetOpenState(bOverlapped, strName);
    // Bytes taken in while connecting count as an arrival for the first wait.
    m_bArrivalAtOpen = m_pNetwork->HasPendingData();
    m_bNetworkRecordUnread = false;
    return GetLastError();
}

void CSerialLine::ResetOpenState(bool bOverlapped, const std::string& strNode) {
    m_bOverlapped = bOverlapped;
    m_strDeviceNode = strNode;
    m_cEventChar = 0;
    m_nReadTimeoutMode = ReadTimeoutNonBlocking;
    m_nReceivedEvents.store(0);
    m_bHungUp.store(false);
    m_nSeenErrors.store(0);
    m_nLastQueued.store(0);
    m_bQueueWatchOnly = false;
    m_nEventMask.store(0);
    SetEventMask(kDefaultEventMask);
    SetReadTimeouts(ReadTimeoutNonBlocking);
    // Nobody waited yet, so the wake-up of applying the first mask is not kept for later.
    m_wakeup.Reset();
}

std::uint32_t CSerialLine::ClosePort() {
    Store(0);
    if (!HasPort())
        return 0;
    AbandonPendingOperations();
    CloseHandles();
    return 0;
}

void CSerialLine::CloseHandles() {
    {
        std::lock_guard<std::mutex> lock(m_outputMutex);
        // What the device never took is dropped: a stalled line must not hold the close.
        m_output.clear();
        if (m_bWriteInFlight && m_hPort) {
            ::PurgeComm(Port(m_hPort), PURGE_TXABORT | PURGE_TXCLEAR);
            PushQueuedLocked(true); // the aborted write is over before its buffer goes
        }
        m_inFlight.clear();
        m_bWriteInFlight = false;
    }
    if (m_hPort)
        ::CloseHandle(Port(m_hPort));
    if (m_hClaim)
        ::CloseHandle(Port(m_hClaim));
    m_hPort = nullptr;
    m_hClaim = nullptr;
    m_pNetwork.reset();
    m_strDeviceNode.clear();
    m_bOverlapped = false;
}

std::uint32_t CSerialLine::ConfigureLine(std::uint32_t nBaudRate, int nDataBits, int nParity,
                                         int nStopBits) {
    LineFormat current;
    if (!ReadFormatOfOpenPort(current))
        return GetLastError();
    if (!IsValidFormat(nBaudRate, nDataBits, nParity, nStopBits))
        return Store(kErrorInvalidParameter);
    if (m_pNetwork)
        return Store(m_pNetwork->SetLineFormat(nBaudRate, nDataBits, nParity, nStopBits));
    DCB dcb;
    if (!ReadState(Port(m_hPort), dcb))
        return Store(::GetLastError());
    dcb.BaudRate = nBaudRate;
    dcb.ByteSize = static_cast<BYTE>(nDataBits);
    dcb.Parity = static_cast<BYTE>(nParity);
    dcb.StopBits = static_cast<BYTE>(nStopBits);
    dcb.fParity = nParity != NOPARITY;
    if (!::SetCommState(Port(m_hPort), &dcb))
        return Store(::GetLastError());
    return 0;
}

std::uint32_t CSerialLine::SetEventCharacter(char cEvent, bool bEnableRxFlag) {
    LineFormat current;
    if (!ReadFormatOfOpenPort(current))
        return GetLastError();
    DCB dcb;
    if (m_hPort && !ReadState(Port(m_hPort), dcb))
        return Store(::GetLastError());
    m_cEventChar = cEvent;
    if (bEnableRxFlag)
        SetEventMask(QueryEventMask() | EV_RXFLAG);
    const std::uint32_t code = GetLastError();
    if (m_hPort) {
        dcb.EvtChar = cEvent;
        if (!::SetCommState(Port(m_hPort), &dcb))
            return Store(::GetLastError());
    }
    return Store(code);
}

std::uint32_t CSerialLine::SetEventMask(std::uint32_t nMask) {
    Store(0);
    if (!HasPort())
        return Store(kErrorInvalidHandle);
    // Only the driver's own bits go to it; the rest is this layer's.
    if (m_hPort && !::SetCommMask(Port(m_hPort), nMask & 0xFFFF))
        return Store(::GetLastError());
    m_nEventMask.store(nMask);
    // Applying a mask ends a pending event wait at once, with no event bits; the driver does so
    // for its own wait, the event below for the rest of the wait (and for a network port).
    WakeEventWait();
    return 0;
}

void CSerialLine::WakeEventWait() {
    m_wakeup.Set();
}

std::uint32_t CSerialLine::SetHandshaking(HandshakeMode eMode) {
    LineFormat current;
    if (!ReadFormatOfOpenPort(current))
        return GetLastError();
    if (eMode != HandshakeOff && eMode != HandshakeHardware && eMode != HandshakeSoftware)
        return Store(kEInvalidArg);
    if (m_pNetwork)
        return Store(m_pNetwork->SetFlowControl(eMode));
    DCB dcb;
    if (!ReadState(Port(m_hPort), dcb))
        return Store(::GetLastError());
    ApplyHandshake(dcb, eMode);
    if (!::SetCommState(Port(m_hPort), &dcb))
        return Store(::GetLastError());
    // Off and software hold DTR and RTS inactive now, not only from the driver's next change;
    // ports without modem lines refuse, harmlessly.
    if (eMode != HandshakeHardware) {
        ::EscapeCommFunction(Port(m_hPort), CLRDTR);
        ::EscapeCommFunction(Port(m_hPort), CLRRTS);
    }
    return 0;
}

// The driver's read time-outs do what the mode says: MAXDWORD interval returns at once with
// what is there, all zero waits until the whole request has arrived.
std::uint32_t CSerialLine::SetReadTimeouts(ReadTimeoutMode eMode) {
    LineFormat current;
    if (!ReadFormatOfOpenPort(current))
        return GetLastError();
    COMMTIMEOUTS timeouts{};
    if (m_hPort && !::GetCommTimeouts(Port(m_hPort), &timeouts))
        return Store(::GetLastError());
    if (eMode != ReadTimeoutNonBlocking && eMode != ReadTimeoutBlocking)
        return Store(kEInvalidArg);
    timeouts.ReadIntervalTimeout = eMode == ReadTimeoutNonBlocking ? MAXDWORD : 0;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    if (m_hPort && !::SetCommTimeouts(Port(m_hPort), &timeouts))
        return Store(::GetLastError());
    m_nReadTimeoutMode = eMode;
    return 0;
}

// The Query operations share their failures: a closed port gives 6, a driver error its code.
bool CSerialLine::ReadFormatOfOpenPort(LineFormat& format) {
    Store(0);
    if (!HasPort())
        return Store(kErrorInvalidHandle), false;
    if (m_pNetwork) {
        format = m_pNetwork->Format();
        return true;
    }
    DCB dcb;
    if (!ReadState(Port(m_hPort), dcb))
        return Store(::GetLastError()), false;
    format.nBaudRate = dcb.BaudRate;
    format.nDataBits = dcb.ByteSize;
    format.nParity = dcb.fParity ? dcb.Parity : NOPARITY;
    format.nStopBits = dcb.StopBits;
    format.nHandshake = HandshakeOf(dcb);
    return true;
}

char CSerialLine::QueryEventCharacter() {
    LineFormat format;
    return ReadFormatOfOpenPort(format) ? m_cEventChar : 0;
}

std::uint32_t CSerialLine::PurgeBuffers() {
    Store(0);
    if (!HasPort())
        return Store(kErrorInvalidHandle);
    if (m_pNetwork)
        return Store(m_pNetwork->Purge());
    if (!::PurgeComm(Port(m_hPort), PURGE_TXCLEAR | PURGE_RXCLEAR))
        return Store(::GetLastError());
    return 0;
}

std::uint32_t CSerialLine::ClearLineErrors(std::uint32_t* pnErrors) {
    DWORD errors = 0;
    std::uint32_t code = 0;
    if (!HasPort())
        code = Store(kErrorInvalidHandle);
    else if (m_hPort && !::ClearCommError(Port(m_hPort), &errors, nullptr))
        code = Store(::GetLastError());
    if (pnErrors)
        *pnErrors = (errors | m_nSeenErrors.exchange(0)) & 0xFFFF;
    return code;
}

int CSerialLine::ProbePort(const char* pszDevice, std::uint32_t* pnError, std::string* pstrCause) {
    std::uint32_t unused = 0;
    std::uint32_t& error = pnError ? *pnError : unused;
    error = 0;
    const std::string node = ResolveComDevice(pszDevice ? pszDevice : "");
    if (LooksLikeNetworkPortName(node))
        return CNetworkLine::Probe(node, pnError, pstrCause);
    if (IsClaimed(node)) {
        error = kErrorAccessDenied;
        return PortInUse;
    }
    HANDLE hPort = OpenDevice(node, false);
    if (hPort != INVALID_HANDLE_VALUE) {
        ::CloseHandle(hPort);
        return PortAvailable;
    }
    error = ::GetLastError();
    if (error == kErrorFileNotFound || error == ERROR_PATH_NOT_FOUND) {
        error = kErrorFileNotFound;
        return PortUnavailable;
    }
    if (error == kErrorAccessDenied)
        return PortInUse;
    if (pstrCause)
        *pstrCause = SystemErrorText(error) + " opening " + node;
    return PortUnknown;
}

} // namespace vantoro
