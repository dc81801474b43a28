// vantoro-cli: Vantoro's update cycle without a window, for many units at once.
#include "cli/ccliapp.h"
#include "settings/capppaths.h"

#include <csignal>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // Output into a pipe that closes (| head) must not end a run that still holds ports.
    std::signal(SIGPIPE, SIG_IGN);
    // A report reaching the file-size limit must fail its write, not end the run unreported.
    std::signal(SIGXFSZ, SIG_IGN);
    vantoro::CCliApp app(vantoro::ReadExecutablePath(argc > 0 ? argv[0] : ""));
    return app.Run(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
}
