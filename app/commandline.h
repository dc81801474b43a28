#pragma once

#include <cstdio>

namespace vantoro {

// The desktop program's own options, looked at before any window exists so that --help and
// --version work in a terminal without a display. Options of the toolkit (-platform,
// -display, ...) are left for it. Returns the exit status when the program should end here
// (0 after --help or --version, 2 for an unknown option), or -1 to go on and open the window.
int HandleCommandLine(int argc, char** argv, std::FILE* pOut, std::FILE* pErr);

} // namespace vantoro
