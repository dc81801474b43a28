// vantoro-cli: Vantoro's update cycle without a window, for many units at once.
#include "cli/ccliapp.h"
#include "platform/console.h"
#include "settings/capppaths.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    vantoro::PrepareConsoleOutput();
    const std::vector<std::string> args = vantoro::ProgramArguments(argc, argv);
    vantoro::CCliApp app(vantoro::ReadExecutablePath(args.empty() ? "" : args.front()));
    return app.Run(std::vector<std::string>(args.begin() + (args.empty() ? 0 : 1), args.end()));
}
