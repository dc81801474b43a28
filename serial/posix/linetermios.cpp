#include "serial/posix/linetermios.h"

#include "serial/serialtypes.h"

#include <asm/termbits.h>
#include <cerrno>
#include <cstring>
#include <linux/serial.h>
#include <sys/ioctl.h>

namespace vantoro {

namespace {

int Ioctl(int fd, unsigned long request, void* arg) {
    int rc;
    do {
        rc = ::ioctl(fd, request, arg);
    } while (rc < 0 && errno == EINTR);
    return rc < 0 ? errno : 0;
}

int Ioctl(int fd, unsigned long request, unsigned long arg) {
    int rc;
    do {
        rc = ::ioctl(fd, request, arg);
    } while (rc < 0 && errno == EINTR);
    return rc < 0 ? errno : 0;
}

tcflag_t DataBitsFlag(int nDataBits) {
    switch (nDataBits) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    default:
        return CS8;
    }
}

int DataBitsOf(tcflag_t cflag) {
    switch (cflag & CSIZE) {
    case CS5:
        return 5;
    case CS6:
        return 6;
    case CS7:
        return 7;
    default:
        return 8;
    }
}

} // namespace

std::uint32_t ParityControlFlags(int nParity) {
    switch (nParity) {
    case 1: // odd
        return PARENB | PARODD;
    case 2: // even
        return PARENB;
    case 3: // mark: sticky parity bit set
        return PARENB | CMSPAR | PARODD;
    case 4: // space: sticky parity bit clear
        return PARENB | CMSPAR;
    default:
        return 0;
    }
}

int ParityFromControlFlags(std::uint32_t cflag) {
    if (!(cflag & PARENB))
        return 0;
    if (cflag & CMSPAR)
        return (cflag & PARODD) ? 3 : 4;
    return (cflag & PARODD) ? 1 : 2;
}

std::uint32_t CommErrorBits(const LineErrorCounters& before, const LineErrorCounters& now) {
    std::uint32_t bits = 0;
    if (now.nBufferOverrun != before.nBufferOverrun)
        bits |= CE_RXOVER;
    if (now.nOverrun != before.nOverrun)
        bits |= CE_OVERRUN;
    if (now.nParity != before.nParity)
        bits |= CE_RXPARITY;
    if (now.nFrame != before.nFrame)
        bits |= CE_FRAME;
    if (now.nBreak != before.nBreak)
        bits |= CE_BREAK;
    return bits;
}

std::uint32_t LineErrorEvents(const LineErrorCounters& before, const LineErrorCounters& now) {
    std::uint32_t errors = CommErrorBits(before, now);
    std::uint32_t events = 0;
    if (errors & CE_BREAK)
        events |= EV_BREAK;
    if (errors & ~CE_BREAK)
        events |= EV_ERR;
    return events;
}

int MakeLineRaw(int fd) {
    struct termios2 tio {};
    if (int err = Ioctl(fd, TCGETS2, &tio))
        return err;
    tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                     IXANY | INPCK | IUCLC | IMAXBEL);
    tio.c_oflag &= ~OPOST;
    tio.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CREAD | CLOCAL;
    // With VMIN 1 a non-blocking read says EAGAIN when nothing is there and 0 only at hang-up.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    return Ioctl(fd, TCSETS2, &tio);
}

int ReadLineFormat(int fd, LineFormat& format) {
    struct termios2 tio {};
    if (int err = Ioctl(fd, TCGETS2, &tio))
        return err;
    format.nBaudRate = tio.c_ospeed;
    format.nDataBits = DataBitsOf(tio.c_cflag);
    format.nParity = ParityFromControlFlags(tio.c_cflag);
    format.nStopBits = (tio.c_cflag & CSTOPB) ? 2 : 0;
    if (tio.c_cflag & CRTSCTS)
        format.nHandshake = 1;
    else if ((tio.c_iflag & IXON) && (tio.c_iflag & IXOFF))
        format.nHandshake = 2;
    else
        format.nHandshake = 0;
    return 0;
}

int ApplyLineFormat(int fd, std::uint32_t nBaudRate, int nDataBits, int nParity, int nStopBits) {
    struct termios2 tio {};
    if (int err = Ioctl(fd, TCGETS2, &tio))
        return err;
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |=
        DataBitsFlag(nDataBits) | ParityControlFlags(nParity) | (nStopBits == 2 ? CSTOPB : 0);
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = nBaudRate;
    tio.c_ospeed = nBaudRate;
    return Ioctl(fd, TCSETS2, &tio);
}

int ApplyFlowControl(int fd, int nMode) {
    struct termios2 tio {};
    if (int err = Ioctl(fd, TCGETS2, &tio))
        return err;
    tio.c_cflag &= ~CRTSCTS;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (nMode == 1)
        tio.c_cflag |= CRTSCTS;
    else if (nMode == 2)
        tio.c_iflag |= IXON | IXOFF;
    return Ioctl(fd, TCSETS2, &tio);
}

int SetModemLines(int fd, bool bActive) {
    int lines = TIOCM_DTR | TIOCM_RTS;
    return Ioctl(fd, bActive ? TIOCMBIS : TIOCMBIC, &lines);
}

int FlushLine(int fd) {
    return Ioctl(fd, TCFLSH, static_cast<unsigned long>(TCIOFLUSH));
}

int DiscardOutput(int fd) {
    return Ioctl(fd, TCFLSH, static_cast<unsigned long>(TCOFLUSH));
}

int SaveLineSettings(int fd, SavedLineSettings& saved) {
    static_assert(sizeof(termios2) <= sizeof(saved.state));
    struct termios2 tio {};
    saved.bValid = false;
    if (int err = Ioctl(fd, TCGETS2, &tio))
        return err;
    std::memcpy(saved.state, &tio, sizeof tio);
    saved.bValid = true;
    return 0;
}

int RestoreLineSettings(int fd, const SavedLineSettings& saved) {
    if (!saved.bValid)
        return 0;
    struct termios2 tio {};
    std::memcpy(&tio, saved.state, sizeof tio);
    return Ioctl(fd, TCSETS2, &tio);
}

int SetExclusiveMode(int fd, bool bExclusive) {
    return Ioctl(fd, bExclusive ? TIOCEXCL : TIOCNXCL, 0ul);
}

int RequestLowLatency(int fd) {
    struct serial_struct serial {};
    if (int err = Ioctl(fd, TIOCGSERIAL, &serial))
        return err;
    if (serial.flags & ASYNC_LOW_LATENCY)
        return 0;
    serial.flags |= ASYNC_LOW_LATENCY;
    return Ioctl(fd, TIOCSSERIAL, &serial);
}

int ReadErrorCounters(int fd, LineErrorCounters& counters) {
    struct serial_icounter_struct icount {};
    if (int err = Ioctl(fd, TIOCGICOUNT, &icount))
        return err;
    counters.nBreak = icount.brk;
    counters.nFrame = icount.frame;
    counters.nOverrun = icount.overrun;
    counters.nParity = icount.parity;
    counters.nBufferOverrun = icount.buf_overrun;
    return 0;
}

int BytesWaitingToSend(int fd, int& nBytes) {
    return Ioctl(fd, TIOCOUTQ, &nBytes);
}

int BytesWaitingToRead(int fd, int& nBytes) {
    return Ioctl(fd, FIONREAD, &nBytes);
}

} // namespace vantoro
