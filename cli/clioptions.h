#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantoro {

enum class CliCommand { None, Ports, Software, Update, Check };

// What the command line asked for. Only the form is checked here; whether the names, files and
// ports exist is checked against the catalogue and the machine before anything is opened.
struct CliOptions {
    CliCommand command = CliCommand::None;
    bool bHelp = false;      // --help: the usage of the command (or of the program)
    bool bVersion = false;   // --version
    std::string strSettings; // --settings FILE instead of the window's settings file
    bool bJson = false;
    std::string strProduct;
    std::string strModel;
    std::string strDir;
    std::string strFile;
    std::vector<std::string> ports; // as given: "all", a COM number, or a device path
    bool bTimeout = false;
    std::uint32_t nTimeoutSeconds = 0; // already under the settings rule (at least 10)
    int nWaitSeconds = -1;             // -1: wait for the equipment until interrupted
    bool bRepeat = false;
    std::string strReport;
    bool bForce = false;            // update: send a file the check refused
    std::vector<std::string> files; // check: the files, as given
};

// Reads the arguments after the program name. False with a message naming the argument when
// they do not make sense.
bool ParseCliOptions(const std::vector<std::string>& args, CliOptions& options,
                     std::string& strError);

// The --help text of a command, or of the whole program for CliCommand::None.
std::string CliUsage(CliCommand command);

} // namespace vantoro
