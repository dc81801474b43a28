// vantoro-cli: Vantoro's update cycle without a window, for many units at once.
#include "cli/ccliapp.h"
#include "platform/console.h"
#include "settings/capppaths.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    vantoro::PrepareConsoleOutput();
    const std::vector<std::string> args = vantoro::ProgramArguments(argc, argv);
    vantoro::CCliApp app(vantoro::ReadExecutablePath(args.empty() ? "" : args.front()));
    const int nStatus = app.Run(std::vector<std::string>(args.begin() + (args.empty() ? 0 : 1), args.end()));
    // A network port still being connected when a signal ended the run keeps its thread until
    // the server's bound; that thread may still use what the destructors of statics would tear
    // down, so the process ends here, its output flushed, without them.
    std::fflush(nullptr);
    std::_Exit(nStatus);
}
