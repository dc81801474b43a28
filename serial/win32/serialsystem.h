#pragma once

// Types the private parts of the port classes use on Windows. <windows.h> stays out of the
// shared headers: its macros (INFINITE, EV_RXCHAR, NOPARITY ...) carry the names the shared
// headers declare as constants, so only the port's own files include it, last.
#include "serial/cserialevent.h"
#include "serial/win32/csocketevent.h"

#include <cstdint>

namespace vantoro {

// A Win32 HANDLE.
using SystemHandle = void*;

// Room for one OVERLAPPED, which the port's files construct in place (they check the size).
struct alignas(8) OverlappedStorage {
    unsigned char bytes[48];
};

} // namespace vantoro
