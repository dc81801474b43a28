#include "app/commandline.h"

#include <cstring>
#include <string>

#include "settings/cbuildidentity.h"

namespace vantoro {

namespace {

constexpr const char kUsage[] =
    "Usage: vantoro [--help] [--version]\n"
    "Loads new firmware into lighting equipment over a serial port.\n"
    "\n"
    "  -h, --help     show this text and exit\n"
    "      --version  show the program's version and exit\n"
    "\n"
    "The window keeps its choices in vantoro.INI beside the program, or in\n"
    "~/.config/Vantoro/ when the program's folder cannot be written.\n"
    "For many units at once from a script, see vantoro-cli(1).\n";

// Options the toolkit takes (with one or two dashes), and whether a value follows.
bool IsToolkitOption(const std::string& strName, bool& bTakesValue) {
    static const char* const kWithValue[] = {"platform",      "platformpluginpath",
                                             "platformtheme", "display",
                                             "geometry",      "qwindowgeometry",
                                             "style",         "stylesheet",
                                             "title",         "qwindowtitle",
                                             "qwindowicon",   "plugin",
                                             "session",       "name",
                                             "fontengine",    "dialogs",
                                             "qmljsdebugger"};
    static const char* const kFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
    for (const char* pszName : kWithValue)
        if (strName == pszName)
            return bTakesValue = true;
    bTakesValue = false;
    for (const char* pszName : kFlags)
        if (strName == pszName)
            return true;
    return false;
}

} // namespace

int HandleCommandLine(int argc, char** argv, std::FILE* pOut, std::FILE* pErr) {
    for (int i = 1; i < argc; ++i) {
        const std::string strArg = argv[i];
        if (strArg == "--help" || strArg == "-h") {
            std::fputs(kUsage, pOut);
            return 0;
        }
        if (strArg == "--version") {
            std::fprintf(pOut, "vantoro %s\n", kProgramVersion);
            return 0;
        }
        const bool bOption = strArg.size() > 1 && strArg[0] == '-';
        std::string strName = bOption ? strArg.substr(strArg.rfind("--", 0) == 0 ? 2 : 1) : "";
        strName = strName.substr(0, strName.find('='));
        bool bTakesValue = false;
        if (bOption && IsToolkitOption(strName, bTakesValue)) {
            if (bTakesValue && strArg.find('=') == std::string::npos)
                ++i;
            continue;
        }
        std::fprintf(pErr, "vantoro: unknown %s '%s'\nTry 'vantoro --help'.\n",
                     bOption ? "option" : "argument", strArg.c_str());
        return 2;
    }
    return -1;
}

} // namespace vantoro
