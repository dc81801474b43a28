#pragma once

#include <QString>
#include <memory>
#include <string>

#include "settings/capppaths.h"
#include "ui/cmaindlgsetup.h"

namespace vantoro {

class CHelpWindow;
class CMainDlg;

// The application object: the build identity, where the program and its settings live, the
// help viewer, and the one run of the main window.
class CUpdaterApp {
public:
    // Paths already worked out (tests use a temporary program folder).
    explicit CUpdaterApp(CAppPaths paths);
    ~CUpdaterApp();

    // Paths of the running executable, the settings file beside it or in the user's folder.
    static CAppPaths LocateFromExecutable(const std::string& strArgv0);

    // Points the serial layer at the comN links beside the settings file and routes its fatal
    // contract message through a message box.
    void PrepareServices();
    // PrepareServices, then runs the main window until it closes. Returns false, as the
    // program ends with the window.
    bool InitInstance();

    // The main window with this application's setup, not yet shown.
    std::unique_ptr<CMainDlg> CreateMainDlg(const CMainDlgSetup* pOverrides = nullptr);

    // Help > Contents: the user guide from the program folder in the help viewer.
    void OnHelpContents();

    const std::string& GetProgramDir() const { return m_strProgramDir; }
    const std::string& GetSettingsPath() const { return m_strSettingsPath; }
    std::string GetDosDevicesFolder() const;
    std::string GetHelpPath() const { return m_strProgramDir + "Vantoro.hlp"; }
    CHelpWindow& Help() { return *m_pHelp; }

    QString m_strBuildDate;
    QString m_strBuildTime;
    QString m_strNotice;
    QString m_strVersion;

private:
    std::string m_strProgramDir;
    std::string m_strSettingsPath;
    std::unique_ptr<CHelpWindow> m_pHelp;
};

} // namespace vantoro
