#include <QApplication>

#include "app/cupdaterapp.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantoro"));
    // Wayland desktops match the window to its desktop entry (and so its icon) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("vantoro"));
    vantoro::CUpdaterApp theApp(
        vantoro::CUpdaterApp::LocateFromExecutable(argc > 0 ? argv[0] : ""));
    theApp.InitInstance();
    return 0;
}
