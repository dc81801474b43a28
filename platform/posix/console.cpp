#include "platform/console.h"

#include <csignal>
#include <sys/ioctl.h>
#include <unistd.h>

namespace vantoro {

void PrepareConsoleOutput() {
    // Output into a pipe that closes (| head) must not end a run that still holds ports.
    std::signal(SIGPIPE, SIG_IGN);
    // A report reaching the file-size limit must fail its write, not end the run unreported.
    std::signal(SIGXFSZ, SIG_IGN);
}

bool IsVirtualTerminal(std::FILE* pOut) {
    return ::isatty(::fileno(pOut)) != 0;
}

bool GetTerminalSize(std::FILE* pOut, std::size_t& nColumns, std::size_t& nRows) {
    winsize size{};
    if (::ioctl(::fileno(pOut), TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0)
        return false;
    nColumns = size.ws_col;
    nRows = size.ws_row;
    return true;
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

} // namespace vantoro
