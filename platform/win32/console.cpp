#include "platform/console.h"

#include "platform/win32/widetext.h"

#include <io.h>

#include <windows.h>

// The C library's own wide-character argument parser: the same rules main's argv followed,
// without the shell's library (a dozen more libraries at every start).
extern "C" {
struct VantoroStartupInfo {
    int nNewMode;
};
__declspec(dllimport) int __cdecl __wgetmainargs(int* pnArgc, wchar_t*** pppArgv, wchar_t*** pppEnv,
                                                 int nDoWildcard, VantoroStartupInfo* pStartInfo);
}

namespace vantoro {

namespace {

HANDLE ConsoleOf(std::FILE* pOut) {
    const intptr_t nHandle = ::_get_osfhandle(::_fileno(pOut));
    return nHandle == -1 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(nHandle);
}

} // namespace

void PrepareConsoleOutput() {
    // Texts are UTF-8 inside; the console shows them as such only in that code page. Closed
    // pipes already fail writes here (no signal ends the program).
    ::SetConsoleOutputCP(CP_UTF8);
    // The C library leaves a console (or NUL) unbuffered, and then hands a text over one
    // character at a time: a live block redrawn in hundreds of writes, each a round trip to the
    // console. Every writer flushes when its text is whole, so buffering loses nothing.
    std::setvbuf(stdout, nullptr, _IOFBF, 64 * 1024);
}

bool IsVirtualTerminal(std::FILE* pOut) {
    HANDLE hConsole = ConsoleOf(pOut);
    DWORD nMode = 0;
    if (hConsole == INVALID_HANDLE_VALUE || !::GetConsoleMode(hConsole, &nMode))
        return false; // a file or a pipe
    // Consoles before Windows 10 refuse the sequences: they get the plain lines.
    return (nMode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           ::SetConsoleMode(hConsole, nMode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

bool GetTerminalSize(std::FILE* pOut, std::size_t& nColumns, std::size_t& nRows) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!::GetConsoleScreenBufferInfo(ConsoleOf(pOut), &info))
        return false;
    const int nWidth = info.srWindow.Right - info.srWindow.Left + 1;
    const int nHeight = info.srWindow.Bottom - info.srWindow.Top + 1;
    if (nWidth <= 0 || nHeight <= 0)
        return false;
    nColumns = static_cast<std::size_t>(nWidth);
    nRows = static_cast<std::size_t>(nHeight);
    return true;
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    int nWide = 0;
    wchar_t** ppWide = nullptr;
    wchar_t** ppEnv = nullptr;
    VantoroStartupInfo startInfo{0};
    if (::__wgetmainargs(&nWide, &ppWide, &ppEnv, 0, &startInfo) < 0 || ppWide == nullptr)
        return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> args;
    for (int i = 0; i < nWide; ++i)
        args.push_back(Utf8Text(ppWide[i]));
    return args;
}

} // namespace vantoro
