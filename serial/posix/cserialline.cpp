#include "serial/cserialline.h"

#include "platform/filekind.h"
#include "serial/posix/cmodemmanagercheck.h"
#include "serial/cnetworkline.h"
#include "serial/comportnames.h"
#include "serial/networkportname.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantoro {

namespace {

int OpenDevice(const std::string& strNode) {
    int fd;
    do {
        fd = ::open(strNode.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// flock works for root too, where the terminal's own exclusive mode is bypassed.
int LockDevice(int fd) {
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc < 0 && errno == EINTR);
    return rc < 0 ? errno : 0;
}

// Open failures in the codes the program reports: missing device 2, held by someone 5, a
// device that fails 31 (passed through, EIO would read as 5, "held by someone").
std::uint32_t OpenErrorCode(int nErrno) {
    switch (nErrno) {
    case EIO:
        return kErrorGenFailure;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
        return kErrorFileNotFound;
    case EBUSY:
    case EWOULDBLOCK:
    case EACCES:
    case EPERM:
        return kErrorAccessDenied;
    default:
        return static_cast<std::uint32_t>(nErrno);
    }
}

// A descriptor that is no terminal answers like a handle that is no communications device.
std::uint32_t LineErrorCode(int nErrno) {
    switch (nErrno) {
    case ENOTTY:
        return kErrorInvalidFunction;
    case EINVAL:
        return kErrorInvalidParameter;
    case EIO:
    case ENXIO:
    case ENODEV:
        return kErrorGenFailure;
    default:
        return static_cast<std::uint32_t>(nErrno);
    }
}

// The node behind dosdevices and by-id links, as the log should name it.
std::string CanonicalNode(const std::string& strNode) {
    char resolved[PATH_MAX];
    return ::realpath(strNode.c_str(), resolved) ? std::string(resolved) : strNode;
}

// A comN link may name anything; only a terminal can carry the conversation, and anything
// else would wait for a detection that cannot come. Empty when fd is a terminal.
std::string NotATerminalCause(int fd, const std::string& strNode) {
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISCHR(info.st_mode) && ::isatty(fd))
        return {};
    const std::string strKind = S_ISCHR(info.st_mode) ? "a character device that is no terminal"
                                                      : FileKindText(info.st_mode);
    return CanonicalNode(strNode) + " is not a serial port: it is " + strKind;
}

std::string PermissionCause(int nErrno, const std::string& strNode) {
    return std::string(nErrno == EPERM ? "Operation not permitted" : "Permission denied") +
           " opening " + strNode +
           ": add the user to the 'dialout' group (sudo usermod -aG dialout $USER) and log in "
           "again";
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
    std::string node = ResolveComDevice(pszDevice ? pszDevice : "");
    if (LooksLikeNetworkPortName(node))
        return OpenNetworkPort(node, bOverlapped);
    CFileDescriptor port(OpenDevice(node));
    if (!port.IsValid())
        return Store(OpenErrorCode(errno));
    if (int err = LockDevice(port.Get()))
        return Store(OpenErrorCode(err));
    if (!NotATerminalCause(port.Get(), node).empty())
        return Store(kErrorInvalidFunction);
    // Closing puts the line back as it was found, for whatever uses it next.
    SaveLineSettings(port.Get(), m_savedLine);
    SetExclusiveMode(port.Get(), true);
    std::uint32_t code = ConfigureOpenedPort(port.Get(), false);
    if (code != 0) {
        RestoreLineSettings(port.Get(), m_savedLine);
        SetExclusiveMode(port.Get(), false);
        return Store(code);
    }
    m_port = std::move(port);
    ResetOpenState(bOverlapped, node);
    return GetLastError();
}

// The connection is made and negotiated before the port counts as open; the line itself is
// the server's, so there is no terminal to make raw and no lock to take here.
std::uint32_t CSerialLine::OpenNetworkPort(const std::string& strName, bool bOverlapped) {
    CNetworkLine::Outcome outcome;
    std::unique_ptr<CNetworkLine> pNetwork = CNetworkLine::Open(strName, outcome);
    if (!pNetwork)
        return Store(outcome.nError);
    if (std::uint32_t code = ConfigureOpenedPort(pNetwork->Fd(), true))
        return Store(code);
    m_pNetwork = std::move(pNetwork);
    ResetOpenState(bOverlapped, strName);
    // Bytes taken in while connecting count as an arrival for the first wait.
    if (m_pNetwork->HasPendingData())
        m_nDeferredPortEvents = EPOLLIN;
    return GetLastError();
}

void CSerialLine::ResetOpenState(bool bOverlapped, const std::string& strNode) {
    m_bOverlapped = bOverlapped;
    m_strDeviceNode = strNode;
    m_cEventChar = 0;
    m_nReadTimeoutMode = ReadTimeoutNonBlocking;
    m_nReceivedEvents.store(0);
    m_bTxPending.store(false);
    m_bHungUp.store(false);
    m_bHaveCounters = ReadErrorCounters(PortFd(), m_eventCounters) == 0;
    m_errorCounters = m_eventCounters;

    m_nEventMask.store(0);
    SetEventMask(kDefaultEventMask);
    SetReadTimeouts(ReadTimeoutNonBlocking);
    // Nobody waited yet, so the wake-up of applying the first mask is not kept for later.
    std::uint64_t value = 0;
    while (::read(m_wakeup.Get(), &value, sizeof value) < 0 && errno == EINTR) {
    }
}

int CSerialLine::PortFd() const {
    return m_pNetwork ? m_pNetwork->Fd() : m_port.Get();
}

// Raw line, low latency where the driver has it, and the descriptors the event wait needs.
std::uint32_t CSerialLine::ConfigureOpenedPort(int fd, bool bNetwork) {
    if (!bNetwork) {
        if (int err = MakeLineRaw(fd))
            return LineErrorCode(err);
        RequestLowLatency(fd); // pseudo-terminals and some drivers do not have it
    }
    CFileDescriptor outWatch(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    CFileDescriptor epoll(::epoll_create1(EPOLL_CLOEXEC));
    CFileDescriptor wakeup(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!epoll.IsValid() || !wakeup.IsValid() || !outWatch.IsValid())
        return static_cast<std::uint32_t>(errno);
    epoll_event portEvent{};
    // A server that closes only half its side is gone all the same.
    portEvent.events = EPOLLIN | EPOLLET | (bNetwork ? static_cast<std::uint32_t>(EPOLLRDHUP) : 0u);
    portEvent.data.fd = fd;
    epoll_event wakeEvent{};
    wakeEvent.events = EPOLLIN;
    wakeEvent.data.fd = wakeup.Get();
    if (::epoll_ctl(epoll.Get(), EPOLL_CTL_ADD, fd, &portEvent) != 0 ||
        ::epoll_ctl(epoll.Get(), EPOLL_CTL_ADD, wakeup.Get(), &wakeEvent) != 0)
        return static_cast<std::uint32_t>(errno);
    m_epoll = std::move(epoll);
    m_wakeup = std::move(wakeup);
    m_outWatch = std::move(outWatch);
    return 0;
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
        // What the device never took is dropped, and with it anything the driver still holds:
        // a serial driver's close would otherwise wait for a stalled line to drain.
        if (!m_output.empty() && m_port.IsValid())
            DiscardOutput(m_port.Get());
        m_output.clear();
        m_nOutputDone = 0;
    }
    if (m_port.IsValid()) {
        RestoreLineSettings(m_port.Get(), m_savedLine);
        SetExclusiveMode(m_port.Get(), false);
    }
    m_savedLine = SavedLineSettings();
    m_epoll.Reset();
    m_wakeup.Reset();
    m_txWatch.Reset();
    m_outWatch.Reset();
    m_nDeferredPortEvents = 0;
    m_port.Reset(); // also releases the lock
    m_pNetwork.reset();
    m_strDeviceNode.clear();
    m_bOverlapped = false;
}

std::uint32_t CSerialLine::ConfigureLine(std::uint32_t nBaudRate, int nDataBits, int nParity,
                                         int nStopBits) {
    Store(0);
    if (!HasPort())
        return Store(kErrorInvalidHandle);
    LineFormat current;
    if (int err = ReadCurrentFormat(current))
        return Store(LineErrorCode(err));
    // One and a half stop bits cannot be set on this system's lines; rate 0 would hang up.
    bool valid = nBaudRate != 0 && nDataBits >= 5 && nDataBits <= 8 && nParity >= NOPARITY &&
                 nParity <= SPACEPARITY && (nStopBits == ONESTOPBIT || nStopBits == TWOSTOPBITS);
    if (!valid)
        return Store(kErrorInvalidParameter);
    if (m_pNetwork)
        return Store(m_pNetwork->SetLineFormat(nBaudRate, nDataBits, nParity, nStopBits));
    if (int err = ApplyLineFormat(PortFd(), nBaudRate, nDataBits, nParity, nStopBits))
        return Store(LineErrorCode(err));
    // Some drivers quietly keep what they cannot do (a pseudo-terminal always runs 8 bits
    // without parity): a format the line did not take is refused and the old one restored.
    LineFormat now;
    if (int err = ReadCurrentFormat(now))
        return Store(LineErrorCode(err));
    if (now.nDataBits != nDataBits || now.nParity != nParity || now.nStopBits != nStopBits) {
        ApplyLineFormat(PortFd(), current.nBaudRate, current.nDataBits, current.nParity,
                        current.nStopBits);
        return Store(kErrorInvalidParameter);
    }
    return 0;
}

std::uint32_t CSerialLine::SetEventCharacter(char cEvent, bool bEnableRxFlag) {
    Store(0);
    if (!HasPort())
        return Store(kErrorInvalidHandle);
    LineFormat current;
    if (int err = ReadCurrentFormat(current))
        return Store(LineErrorCode(err));
    m_cEventChar = cEvent;
    if (bEnableRxFlag)
        SetEventMask(QueryEventMask() | EV_RXFLAG);
    return GetLastError();
}

std::uint32_t CSerialLine::SetEventMask(std::uint32_t nMask) {
    Store(0);
    if (!HasPort())
        return Store(kErrorInvalidHandle);
    // Output readiness has a watch of its own on a second descriptor of the port: changing the
    // port's own watch would re-arm it and report bytes already waiting as a new arrival.
    const bool bWantTxEmpty = (nMask & EV_TXEMPTY) != 0;
    if (bWantTxEmpty != m_txWatch.IsValid()) {
        if (bWantTxEmpty) {
            CFileDescriptor txWatch(::fcntl(PortFd(), F_DUPFD_CLOEXEC, 0));
            epoll_event txEvent{};
            txEvent.events = EPOLLOUT | EPOLLET;
            txEvent.data.fd = txWatch.Get();
            if (!txWatch.IsValid() ||
                ::epoll_ctl(m_epoll.Get(), EPOLL_CTL_ADD, txWatch.Get(), &txEvent) != 0)
                return Store(static_cast<std::uint32_t>(errno));
            m_txWatch = std::move(txWatch);
        } else {
            ::epoll_ctl(m_epoll.Get(), EPOLL_CTL_DEL, m_txWatch.Get(), nullptr);
            m_txWatch.Reset();
        }
    }
    m_nEventMask.store(nMask);
    // Applying a mask ends a pending event wait at once, with no event bits.
    WakeEventWait();
    return 0;
}

void CSerialLine::WakeEventWait() {
    if (!m_wakeup.IsValid())
        return;
    std::uint64_t one = 1;
    while (::write(m_wakeup.Get(), &one, sizeof one) < 0 && errno == EINTR) {
    }
}

std::uint32_t CSerialLine::SetHandshaking(HandshakeMode eMode) {
    Store(0);
    if (!HasPort())
        return Store(kErrorInvalidHandle);
    LineFormat current;
    if (int err = ReadCurrentFormat(current))
        return Store(LineErrorCode(err));
    if (eMode != HandshakeOff && eMode != HandshakeHardware && eMode != HandshakeSoftware)
        return Store(kEInvalidArg);
    if (m_pNetwork)
        return Store(m_pNetwork->SetFlowControl(eMode));
    if (int err = ApplyFlowControl(PortFd(), eMode))
        return Store(LineErrorCode(err));
    // Off and software hold DTR and RTS inactive; lines without modem signals refuse, harmlessly.
    SetModemLines(PortFd(), eMode == HandshakeHardware);
    return 0;
}

std::uint32_t CSerialLine::SetReadTimeouts(ReadTimeoutMode eMode) {
    Store(0);
    if (!HasPort())
        return Store(kErrorInvalidHandle);
    LineFormat current;
    if (int err = ReadCurrentFormat(current))
        return Store(LineErrorCode(err));
    if (eMode != ReadTimeoutNonBlocking && eMode != ReadTimeoutBlocking)
        return Store(kEInvalidArg);
    m_nReadTimeoutMode = eMode;
    return 0;
}

// The Query operations share their failures: a closed port gives 6, a driver error its code,
// and the caller then answers its failure value.
int CSerialLine::ReadCurrentFormat(LineFormat& format) {
    if (!m_pNetwork)
        return ReadLineFormat(PortFd(), format);
    format = m_pNetwork->Format();
    return 0;
}

bool CSerialLine::ReadFormatOfOpenPort(LineFormat& format) {
    Store(0);
    if (!HasPort())
        return Store(kErrorInvalidHandle), false;
    if (int err = ReadCurrentFormat(format))
        return Store(LineErrorCode(err)), false;
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
    if (int err = FlushLine(PortFd()))
        return Store(LineErrorCode(err));
    return 0;
}

std::uint32_t CSerialLine::ClearLineErrors(std::uint32_t* pnErrors) {
    std::uint32_t errors = 0;
    std::uint32_t code = 0;
    LineErrorCounters now;
    if (!HasPort()) {
        code = Store(kErrorInvalidHandle);
    } else if (m_bHaveCounters && ReadErrorCounters(PortFd(), now) == 0) {
        errors = CommErrorBits(m_errorCounters, now);
        m_errorCounters = now;
    }
    if (pnErrors)
        *pnErrors = errors;
    return code;
}

int CSerialLine::ProbePort(const char* pszDevice, std::uint32_t* pnError, std::string* pstrCause) {
    std::uint32_t unused = 0;
    std::uint32_t& error = pnError ? *pnError : unused;
    error = 0;
    std::string node = ResolveComDevice(pszDevice ? pszDevice : "");
    if (LooksLikeNetworkPortName(node))
        return CNetworkLine::Probe(node, pnError, pstrCause);
    CFileDescriptor port(OpenDevice(node));
    int err = port.IsValid() ? LockDevice(port.Get()) : errno;
    // ModemManager may be the one holding the port, or about to disturb the update.
    if ((err == 0 || err == EBUSY || err == EWOULDBLOCK) && pstrCause)
        *pstrCause = ModemManagerWarningFor(CanonicalNode(node));
    if (err == 0) {
        const std::string strNotTerminal = NotATerminalCause(port.Get(), node);
        if (strNotTerminal.empty())
            return PortAvailable;
        error = kErrorInvalidFunction;
        if (pstrCause)
            *pstrCause = strNotTerminal;
        return PortUnknown;
    }
    error = OpenErrorCode(err);
    if (err == EACCES || err == EPERM) {
        if (pstrCause)
            *pstrCause = PermissionCause(err, node);
        return PortUnknown;
    }
    if (error == kErrorFileNotFound)
        return PortUnavailable;
    if (error == kErrorAccessDenied)
        return PortInUse;
    if (pstrCause) {
        struct stat info {};
        *pstrCause =
            err == EISDIR && ::stat(node.c_str(), &info) == 0
                ? CanonicalNode(node) + " is not a serial port: it is " + FileKindText(info.st_mode)
                : std::string(std::strerror(err)) + " opening " + node;
    }
    return PortUnknown;
}

} // namespace vantoro
