#pragma once

// The Win32 and Winsock declarations of the port's own files, in the order they need. It is
// included last: its macros carry the names the shared headers declare as constants
// (INFINITE, EV_RXCHAR, NOPARITY ...), with the same values, and would break those declarations.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <mstcpip.h>
#include <windows.h>
#include <setupapi.h>
// clang-format on
