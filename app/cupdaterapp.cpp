#include "app/cupdaterapp.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QMessageBox>
#include <cstdio>

#include "serial/comportnames.h"
#include "serial/serialcontract.h"
#include "settings/cbuildidentity.h"
#include "ui/chelpwindow.h"
#include "ui/cmaindlg.h"

namespace vantoro {

namespace {

// Without a screen to show it on, the fatal text goes to standard error.
void ShowContractViolation(const std::string& strCaption, const std::string& strText) {
    const QString strPlatform = QGuiApplication::platformName();
    if (qApp && strPlatform != QLatin1String("offscreen") &&
        strPlatform != QLatin1String("minimal")) {
        QMessageBox box(QMessageBox::Critical, QString::fromStdString(strCaption),
                        QString::fromStdString(strText), QMessageBox::Ok);
        box.setWindowModality(Qt::ApplicationModal);
        box.exec();
        return;
    }
    std::fprintf(stderr, "%s: %s\n", strCaption.c_str(), strText.c_str());
}

} // namespace

CUpdaterApp::CUpdaterApp(CAppPaths paths)
    : m_strBuildDate(QString::fromLatin1(kBuildDate)),
      m_strBuildTime(QString::fromLatin1(kBuildTime)),
      m_strNotice(QString::fromLatin1(kBuildNotice)),
      m_strVersion(QString::fromLatin1(kBuildVersion)),
      m_strProgramDir(std::move(paths.strProgramDir)),
      m_strSettingsPath(std::move(paths.strSettingsPath)),
      m_pHelp(std::make_unique<CHelpWindow>()) {}

CUpdaterApp::~CUpdaterApp() = default;

CAppPaths CUpdaterApp::LocateFromExecutable(const std::string& strArgv0) {
    return LocateAppPaths(strArgv0);
}

std::string CUpdaterApp::GetDosDevicesFolder() const {
    return ProgramDirectoryOf(m_strSettingsPath) + "dosdevices";
}

void CUpdaterApp::PrepareServices() {
    SetDosDevicesFolder(GetDosDevicesFolder());
    SetNetworkPortsFile(m_strSettingsPath);
    SetContractViolationHandler(ShowContractViolation);
}

bool CUpdaterApp::InitInstance() {
    PrepareServices();
    {
        // Shown, not run modally: a modal main window would block the help window, which
        // must take input while the main window stays usable.
        std::unique_ptr<CMainDlg> pMainDlg = CreateMainDlg();
        QEventLoop loop;
        QObject::connect(pMainDlg.get(), &QDialog::finished, &loop, &QEventLoop::quit);
        pMainDlg->show();
        loop.exec();
    }
    SetContractViolationHandler(ContractViolationHandler());
    return false;
}

std::unique_ptr<CMainDlg> CUpdaterApp::CreateMainDlg(const CMainDlgSetup* pOverrides) {
    CMainDlgSetup setup = pOverrides ? *pOverrides : CMainDlgSetup();
    setup.strProgramDir = m_strProgramDir;
    setup.strSettingsPath = m_strSettingsPath;
    setup.strVersion = m_strVersion;
    setup.strBuildDate = m_strBuildDate;
    setup.strBuildTime = m_strBuildTime;
    setup.strNotice = m_strNotice;
    setup.onHelpContents = [this] { OnHelpContents(); };
    setup.pHelp = m_pHelp.get();
    return std::make_unique<CMainDlg>(std::move(setup));
}

void CUpdaterApp::OnHelpContents() {
    m_pHelp->OpenFile(QString::fromStdString(GetHelpPath()));
}

} // namespace vantoro
