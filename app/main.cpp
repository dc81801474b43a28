#include <QApplication>

#include "app/commandline.h"
#include "app/cupdaterapp.h"
#include "app/parentconsole.h"

int main(int argc, char** argv) {
    vantoro::AttachParentConsole();
    if (int nExit = vantoro::HandleCommandLine(argc, argv, stdout, stderr); nExit >= 0)
        return nExit;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantoro"));
    // Wayland desktops match the window to its desktop entry (and so its icon) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("vantoro"));
    vantoro::CUpdaterApp theApp(
        vantoro::CUpdaterApp::LocateFromExecutable(argc > 0 ? argv[0] : ""));
    theApp.InitInstance();
    return 0;
}
