#include "app/parentconsole.h"

#include <windows.h>

#include <cstdio>

namespace vantoro {

namespace {

// A stream the caller redirected (to a file, a pipe) already works and is left alone.
bool HasHandle(DWORD nWhich) {
    const HANDLE hStream = GetStdHandle(nWhich);
    return hStream != nullptr && hStream != INVALID_HANDLE_VALUE;
}

} // namespace

// A program built for the window subsystem gets no console, so printf from a command prompt
// would go nowhere; it joins the prompt's console instead, when there is one.
void AttachParentConsole() {
    const bool bOut = HasHandle(STD_OUTPUT_HANDLE);
    const bool bErr = HasHandle(STD_ERROR_HANDLE);
    if ((bOut && bErr) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (!bOut)
        std::freopen("CONOUT$", "w", stdout);
    if (!bErr)
        std::freopen("CONOUT$", "w", stderr);
}

} // namespace vantoro
