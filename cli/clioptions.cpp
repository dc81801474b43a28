#include "cli/clioptions.h"

#include "settings/cappsettings.h"

#include <algorithm>
#include <map>

namespace vantoro {

namespace {

// Which options each command takes; "--settings" and "--help" go with every one.
const std::map<CliCommand, std::vector<std::string>>& OptionsOf() {
    static const std::map<CliCommand, std::vector<std::string>> options = {
        {CliCommand::Ports, {"--json"}},
        {CliCommand::Software, {"--product", "--model", "--dir", "--json"}},
        {CliCommand::Update,
         {"--product", "--model", "--file", "--dir", "--port", "--timeout", "--wait", "--repeat",
          "--report", "--json", "--force"}},
        {CliCommand::Check, {"--json"}},
    };
    return options;
}

bool TakesValue(const std::string& strOption) {
    return strOption != "--json" && strOption != "--repeat" && strOption != "--help" &&
           strOption != "--force";
}

// Longest wait for a unit to appear, a day: a bench left longer has been forgotten.
constexpr long long kMaxWaitSeconds = 86400;

// A whole number of seconds from nLowest to nHighest; else a message that names the range, from
// nNamedLowest (a value below it is taken but counts as it).
bool ReadSeconds(const std::string& strOption, const std::string& strValue, long long nLowest,
                 long long nNamedLowest, long long nHighest, long long& nSeconds,
                 std::string& strError) {
    const std::string strRange =
        std::to_string(nNamedLowest) + " to " + std::to_string(nHighest) + " seconds";
    if (strValue.empty() || !std::all_of(strValue.begin(), strValue.end(),
                                         [](char c) { return c >= '0' && c <= '9'; })) {
        strError =
            strOption + ": not a whole number of seconds: " + strValue + " (give " + strRange + ")";
        return false;
    }
    const std::size_t nFirst = std::min(strValue.find_first_not_of('0'), strValue.size());
    // Compared as text first: no count of digits overflows.
    const std::string strDigits = strValue.substr(nFirst);
    if (strDigits.size() > std::to_string(nHighest).size() ||
        (nSeconds = strDigits.empty() ? 0 : std::stoll(strDigits)) > nHighest ||
        nSeconds < nLowest) {
        strError = strOption + ": " + strValue + " is out of range (give " + strRange + ")";
        return false;
    }
    return true;
}

bool ApplyValue(const std::string& strOption, const std::string& strValue, CliOptions& options,
                std::string& strError) {
    if (strValue.empty()) {
        strError = strOption + ": the value is empty";
        return false;
    }
    if (strOption == "--settings") {
        options.strSettings = strValue;
    } else if (strOption == "--product") {
        options.strProduct = strValue;
    } else if (strOption == "--model") {
        options.strModel = strValue;
    } else if (strOption == "--dir") {
        options.strDir = strValue;
    } else if (strOption == "--file") {
        options.strFile = strValue;
    } else if (strOption == "--report") {
        options.strReport = strValue;
    } else if (strOption == "--port") {
        options.ports.push_back(strValue);
    } else if (strOption == "--timeout") {
        // The settings value's rule: below 10 s counts as 10 s.
        long long nSeconds = 0;
        if (!ReadSeconds(strOption, strValue, 0, kMinReplyTimeoutSeconds, kMaxReplyTimeoutSeconds,
                         nSeconds, strError))
            return false;
        options.bTimeout = true;
        options.nTimeoutSeconds = ReplyTimeoutSecondsFromText(std::to_string(nSeconds));
    } else if (strOption == "--wait") {
        long long nSeconds = 0;
        if (!ReadSeconds(strOption, strValue, 1, 1, kMaxWaitSeconds, nSeconds, strError))
            return false;
        options.nWaitSeconds = static_cast<int>(nSeconds);
    }
    return true;
}

bool CheckCommand(CliOptions& options, std::string& strError) {
    if (options.bHelp || options.bVersion)
        return true;
    switch (options.command) {
    case CliCommand::None:
        strError = "no command given (ports, software, update or check)";
        return false;
    case CliCommand::Ports:
        return true;
    case CliCommand::Check:
        if (options.files.empty()) {
            strError = "check: no file given";
            return false;
        }
        return true;
    case CliCommand::Software:
    case CliCommand::Update:
        break;
    }
    if (options.strProduct.empty() || options.strModel.empty()) {
        strError =
            options.strProduct.empty() ? "--product NAME is required" : "--model NAME is required";
        return false;
    }
    if (options.command == CliCommand::Software)
        return true;
    if (options.strFile.empty() == options.strDir.empty()) {
        strError = options.strFile.empty() ? "one of --file PATH or --dir DIR is required"
                                           : "--file and --dir cannot be used together";
        return false;
    }
    if (options.ports.empty()) {
        strError = "--port P is required (a COM number, a device path, or all)";
        return false;
    }
    return true;
}

// An argument as a message names it: an empty one ("" in a script) would otherwise vanish.
std::string Shown(const std::string& strArg) {
    return strArg.empty() ? "'' (an empty argument)" : strArg;
}

} // namespace

bool ParseCliOptions(const std::vector<std::string>& args, CliOptions& options,
                     std::string& strError) {
    options = CliOptions();
    bool bFilesOnly = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string strArg = args[i];
        if (options.command == CliCommand::None && strArg.rfind("-", 0) != 0) {
            if (strArg == "ports")
                options.command = CliCommand::Ports;
            else if (strArg == "software")
                options.command = CliCommand::Software;
            else if (strArg == "update")
                options.command = CliCommand::Update;
            else if (strArg == "check")
                options.command = CliCommand::Check;
            else {
                strError = "unknown command: " + Shown(strArg);
                return false;
            }
            continue;
        }
        if (options.command == CliCommand::Check && (bFilesOnly || strArg.rfind("-", 0) != 0)) {
            options.files.push_back(strArg); // a file named "-x" follows "--"
            continue;
        }
        if (options.command == CliCommand::Check && strArg == "--") {
            bFilesOnly = true;
            continue;
        }
        if (strArg == "-h")
            strArg = "--help";
        if (strArg.rfind("--", 0) != 0) {
            strError = "unexpected argument: " + Shown(strArg);
            return false;
        }
        std::string strValue;
        bool bInlineValue = false;
        const std::size_t nEquals = strArg.find('=');
        if (nEquals != std::string::npos) {
            strValue = strArg.substr(nEquals + 1);
            strArg.resize(nEquals);
            bInlineValue = true;
        }
        if (strArg == "--help" || strArg == "--version") {
            (strArg == "--help" ? options.bHelp : options.bVersion) = true;
            continue;
        }
        const std::vector<std::string>* pAllowed = nullptr;
        if (options.command != CliCommand::None)
            pAllowed = &OptionsOf().at(options.command);
        const bool bKnown =
            strArg == "--settings" ||
            (pAllowed && std::find(pAllowed->begin(), pAllowed->end(), strArg) != pAllowed->end());
        if (!bKnown) {
            strError = "unknown option" +
                       std::string(options.command == CliCommand::None ? "" : " for this command") +
                       ": " + strArg;
            return false;
        }
        if (!TakesValue(strArg)) {
            if (bInlineValue) {
                strError = strArg + " takes no value";
                return false;
            }
            (strArg == "--json"    ? options.bJson
             : strArg == "--force" ? options.bForce
                                   : options.bRepeat) = true;
            continue;
        }
        if (!bInlineValue) {
            if (i + 1 >= args.size()) {
                strError = strArg + ": a value is missing";
                return false;
            }
            strValue = args[++i];
        }
        if (!ApplyValue(strArg, strValue, options, strError))
            return false;
    }
    return CheckCommand(options, strError);
}

std::string CliUsage(CliCommand command) {
    switch (command) {
    case CliCommand::Ports:
        return R"(usage: vantoro-cli ports [--json] [--settings FILE]

Lists the COM ports as the Vantoro window lists them: number, friendly name, device node
and the stable /dev/serial/by-id/ name where there is one.
)";
    case CliCommand::Software:
        return R"(usage: vantoro-cli software --product NAME --model NAME [--dir DIR] [--json]
                          [--settings FILE]

Lists the software files the window would offer for the model, newest first. Without
--dir, the folder remembered for the product in the settings file is searched.
)";
    case CliCommand::Update:
        return R"(usage: vantoro-cli update --product NAME --model NAME (--file PATH | --dir DIR)
                        --port P [--port P ...] [--timeout SECONDS] [--wait SECONDS]
                        [--repeat] [--report FILE] [--json] [--force] [--settings FILE]

Updates one unit on every port given, all at the same time. Switch each unit on once its
port is waiting; units may be switched on in any order.

  --product NAME     product family, as the window names it (e.g. "Saltir Series")
  --model NAME       model of that family (e.g. "Saltir 24")
  --file PATH        the code file to send
  --dir DIR          send the newest file of the model in DIR
  --port P           a COM number, a terminal device (/dev/ttyUSB0, a /dev/serial/by-id/
                     name, a pseudo-terminal), a network port (rfc2217://HOST:PORT or
                     socket://HOST:PORT), or "all" for every listed port; may be repeated
  --timeout SECONDS  reply time-out, 10 to 4294967 (lower counts as 10; default: the
                     settings file's, else 10)
  --wait SECONDS     1 to 86400: give up on a port whose unit is not detected, or does
                     not acknowledge, within this time; with --repeat, end the port's
                     run quietly when no next unit comes (default: wait until interrupted)
  --repeat           after each unit, wait for the next one on the same port, until Ctrl-C
  --report FILE      append one line per finished unit (CSV, or JSON lines with --json)
  --json             one JSON object per line instead of text
  --force            send the file even when the file check finds errors in it

The file is checked before any port is opened; a file with errors is refused (exit 1) unless
--force is given. Warnings are printed and the update goes on.

A port whose device goes away while its unit is awaited fails at once; with --repeat it
waits for a device to return behind the same name. With --repeat every unit's file is
checked as the first one's: a file that changed into one with errors is refused unless
--force is given.

Exit status: 0 every unit completed, 1 any unit failed (or the report could not be created
or take a line, standard output could not be written, a port went and did not return),
2 bad arguments, 130 Ctrl-C, 143 SIGTERM, 129 SIGHUP. A signal cancels every unit,
releases every port and prints the summary; a signal ignored when the program starts
(nohup, a script's background job) stays ignored.
)";
    case CliCommand::Check:
        return R"(usage: vantoro-cli check FILE... [--json]

Checks code files as the update would send them, before any of it reaches the equipment:
every line must be a Motorola S-record (type, hex digits, byte count, checksum, address
width), with a termination record (S7, S8 or S9) at the end and no data after it. Prints
each error and warning as FILE:LINE, then the records, data bytes, address ranges, start
address and SHA-256 of each file; --json gives one object per file.

Exit status: 0 every file is good, 1 a file has errors or cannot be read, 2 bad arguments.
)";
    case CliCommand::None:
        break;
    }
    return R"(usage: vantoro-cli [--settings FILE] COMMAND [options]
       vantoro-cli --help | --version

Vantoro without a window: the same products, settings and update cycle, for scripts and
production benches that update many units at once.

Commands:
  ports      list the COM ports
  software   list the software files offered for a model
  update     update the units on one or more ports
  check      check code files before they are sent

  --settings FILE  read this settings file instead of the window's
  --help           this text; "vantoro-cli COMMAND --help" describes a command
  --version        the program's version

The settings file is read, never written: the window's, beside the program when that
folder is writable and not under /usr, else $XDG_CONFIG_HOME/Vantoro/vantoro.INI
(~/.config/Vantoro/vantoro.INI; for root too, /root/.config/Vantoro). Ports are COM numbers,
terminal devices or network ports (rfc2217://HOST:PORT, socket://HOST:PORT).
See vantoro-cli(1).
)";
}

} // namespace vantoro
