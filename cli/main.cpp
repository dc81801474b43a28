// vantoro-cli: Vantoro's update cycle without a window, for many units at once.
#include "cli/ccliapp.h"
#include "settings/capppaths.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // Output into a pipe that closes (| head) must not end a run that still holds ports.
    std::signal(SIGPIPE, SIG_IGN);
    // A report reaching the file-size limit must fail its write, not end the run unreported.
    std::signal(SIGXFSZ, SIG_IGN);
    vantoro::CCliApp app(vantoro::ReadExecutablePath(argc > 0 ? argv[0] : ""));
    const int nStatus = app.Run(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    // A network port still being connected when a signal ended the run keeps its thread until
    // the server's bound; that thread may still use what the destructors of statics would tear
    // down, so the process ends here, its output flushed, without them.
    std::fflush(nullptr);
    std::_Exit(nStatus);
}
