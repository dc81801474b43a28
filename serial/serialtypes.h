#pragma once

#include "platform/winerror.h"

#include <cstdint>

// Line parameters, event bits and error bits keep the values of the communications interface the
// program was designed against, so the update engine and the logs speak the same numbers.
namespace vantoro {

constexpr std::uint32_t INFINITE = kInfinite;

// Event bits reported by a wait for line events.
constexpr std::uint32_t EV_RXCHAR = 0x0001;
constexpr std::uint32_t EV_RXFLAG = 0x0002;
constexpr std::uint32_t EV_TXEMPTY = 0x0004;
constexpr std::uint32_t EV_BREAK = 0x0040;
constexpr std::uint32_t EV_ERR = 0x0080;

// Not a line event of that interface: the listener's last notification when the device went
// away under it (an adapter pulled, the equipment's own USB gone). It is sent whatever the mask.
constexpr std::uint32_t kEventLineGone = 0x8000;

// The mask a freshly opened port listens for.
constexpr std::uint32_t kDefaultEventMask = EV_RXCHAR | EV_BREAK | EV_ERR;

// Line-error bits, carried in the high half of a notification's wParam.
constexpr std::uint32_t CE_RXOVER = 0x0001;
constexpr std::uint32_t CE_OVERRUN = 0x0002;
constexpr std::uint32_t CE_RXPARITY = 0x0004;
constexpr std::uint32_t CE_FRAME = 0x0008;
constexpr std::uint32_t CE_BREAK = 0x0010;

// Parity values.
constexpr int NOPARITY = 0;
constexpr int ODDPARITY = 1;
constexpr int EVENPARITY = 2;
constexpr int MARKPARITY = 3;
constexpr int SPACEPARITY = 4;

// Stop-bit values.
constexpr int ONESTOPBIT = 0;
constexpr int ONE5STOPBITS = 1;
constexpr int TWOSTOPBITS = 2;

enum HandshakeMode : int { HandshakeOff = 0, HandshakeHardware = 1, HandshakeSoftware = 2 };

enum ReadTimeoutMode : int { ReadTimeoutNonBlocking = 0, ReadTimeoutBlocking = 1 };

enum PortCheckResult : int {
    PortAvailable = 0,
    PortUnavailable = 1,
    PortInUse = 2,
    PortUnknown = -1
};

// Exit code of the process when a caller breaks the time-out contract.
constexpr int kContractExitCode = 0x0FFFFFFF;

// Name of the message posted when a port is opened for a window with message 0.
constexpr const char* kSerialDefaultMessageName = "CSerialWnd_DefaultComMsg";

// The process-wide number registered for kSerialDefaultMessageName; the same on every call.
std::uint32_t SerialDefaultComMessage();

} // namespace vantoro
