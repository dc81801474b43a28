#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "platform/cinstallpath.h"

namespace vantoro {

class CHelpWindow;
class ITickSource;

// What the application hands the main window: where things live, the build identity for the
// About box, and the few services a test may replace (clock, port discovery, help).
struct CMainDlgSetup {
    using DiscoverPortsFunction =
        std::function<bool(std::vector<int>& ports, std::vector<std::string>& names)>;

    std::string strProgramDir;   // ends with '/'
    std::string strSettingsPath; // the settings file
    std::string strInstallIni = kInstallIniPath;

    QString strVersion;
    QString strBuildDate;
    QString strBuildTime;
    QString strNotice;

    const ITickSource* pTicks = nullptr;  // null: the system clock
    DiscoverPortsFunction discoverPorts;  // empty: the machine's ports
    std::function<void()> onHelpContents; // Help > Contents
    CHelpWindow* pHelp = nullptr;         // told to quit when the window goes
};

} // namespace vantoro
