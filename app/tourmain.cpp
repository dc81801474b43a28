// vantoro-tour: one unattended update through the real main window, for demonstrations and
// screenshots where no display is available. scripts/demo --tour runs it.
#include <QApplication>
#include <QStyleFactory>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/ctourdriver.h"
#include "app/cupdaterapp.h"
#include "ui/caboutdlg.h"
#include "ui/ccompleteupdatedlg.h"
#include "ui/clogoptionsdlg.h"
#include "ui/cmaindlg.h"

namespace {

void PrintUsage() {
    std::fprintf(stderr,
                 "usage: vantoro-tour --program-dir DIR --sim-pid PID --shots DIR\n"
                 "Runs the program as if installed in DIR (its settings file DIR/vantoro.INI,\n"
                 "its ports DIR/dosdevices), presses Start and Update, switches the simulator\n"
                 "PID on, waits for the end, presses Done, prints the log and saves pictures.\n");
}

} // namespace

int main(int argc, char** argv) {
    std::string strProgramDir;
    std::string strShots;
    long nSimPid = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--program-dir") == 0)
            strProgramDir = argv[i + 1];
        else if (std::strcmp(argv[i], "--sim-pid") == 0)
            nSimPid = std::strtol(argv[i + 1], nullptr, 10);
        else if (std::strcmp(argv[i], "--shots") == 0)
            strShots = argv[i + 1];
    }
    if (strProgramDir.empty() || strShots.empty() || argc % 2 == 0) {
        PrintUsage();
        return 2;
    }
    if (strProgramDir.back() != '/')
        strProgramDir += '/';
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    vantoro::CUpdaterApp theApp({strProgramDir + "vantoro.INI", strProgramDir});
    theApp.PrepareServices();
    bool bDone = false;
    QStringList log;
    QString strFailure;
    {
        std::unique_ptr<vantoro::CMainDlg> pDlg = theApp.CreateMainDlg();
        vantoro::CTourDriver tour(*pDlg, static_cast<pid_t>(nSimPid),
                                  QString::fromStdString(strShots));
        bDone = tour.Run();
        log = tour.LogLines();
        strFailure = tour.Failure();
        vantoro::CAboutDlg about(theApp.m_strVersion, theApp.m_strBuildDate, theApp.m_strBuildTime,
                                 theApp.m_strNotice, pDlg.get());
        tour.ShootDialog(about, QStringLiteral("about"));
        vantoro::CLogOptionsDlg options(*pDlg, pDlg.get());
        tour.ShootDialog(options, QStringLiteral("log-options"));
        vantoro::CCompleteUpdateDlg question(pDlg.get());
        tour.ShootDialog(question, QStringLiteral("complete-the-update"));
        for (const QString& strShot : tour.SavedShots())
            std::printf("picture: %s\n", qPrintable(strShot));
        pDlg->close();
    }
    std::printf("---- event log ----\n");
    for (const QString& strLine : log)
        std::printf("%s\n", qPrintable(strLine));
    if (!bDone) {
        std::fprintf(stderr, "vantoro-tour: %s\n", qPrintable(strFailure));
        return 1;
    }
    return 0;
}
