#pragma once

#include "serial/lineformat.h"

#include <cstdint>

// Every terminal ioctl of the serial layer. Line settings go through termios2, whose speed field
// takes any rate; <asm/termbits.h> cannot share a file with <termios.h>, so all of it is here.
// Functions return 0 on success, else errno.
namespace vantoro {

// Error counters of the driver (breaks, framing, overrun, parity, buffer overrun).
struct LineErrorCounters {
    long nBreak = 0, nFrame = 0, nOverrun = 0, nParity = 0, nBufferOverrun = 0;
};

// A line's whole terminal state, as it was before the port was opened.
struct SavedLineSettings {
    bool bValid = false;
    alignas(8) unsigned char state[64] = {};
};

// Control-flag bits for a parity value (NOPARITY .. SPACEPARITY) and back.
std::uint32_t ParityControlFlags(int nParity);
int ParityFromControlFlags(std::uint32_t nFlags);

// What changed between two readings of the counters: CE_* bits, and EV_BREAK / EV_ERR.
std::uint32_t CommErrorBits(const LineErrorCounters& before, const LineErrorCounters& now);
std::uint32_t LineErrorEvents(const LineErrorCounters& before, const LineErrorCounters& now);

// Raw 8-bit line: no translation, echo or signals, no flow control; reads return what is there
// (the descriptor is non-blocking) and 0 only at hang-up. The speed is kept.
int MakeLineRaw(int fd);
int ReadLineFormat(int fd, LineFormat& format);
// Data bits, parity and stop bits, then the speed; values must already be valid.
int ApplyLineFormat(int fd, std::uint32_t nBaudRate, int nDataBits, int nParity, int nStopBits);
// 0 off, 1 hardware (RTS/CTS), 2 software (XON/XOFF).
int ApplyFlowControl(int fd, int nMode);
// Raises or drops DTR and RTS; drivers without modem lines (pseudo-terminals) refuse.
int SetModemLines(int fd, bool bActive);
int FlushLine(int fd);
int SaveLineSettings(int fd, SavedLineSettings& saved);
// Puts a saved state back at once, without waiting for output to drain.
int RestoreLineSettings(int fd, const SavedLineSettings& saved);
// Drops output the driver holds and has not sent.
int DiscardOutput(int fd);
// Exclusive mode against further opens; bExclusive false gives it up.
int SetExclusiveMode(int fd, bool bExclusive);
// Asks the driver to hand over received bytes at once instead of after its latency timer.
int RequestLowLatency(int fd);
int ReadErrorCounters(int fd, LineErrorCounters& counters);
int BytesWaitingToSend(int fd, int& nBytes);
int BytesWaitingToRead(int fd, int& nBytes);

} // namespace vantoro
