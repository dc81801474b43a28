#pragma once

#include <QObject>

class QWidget;

namespace vantoro {

// Keeps every window of the program inside the screen's available area, title bar included:
// the main window, the help window and every dialog. A window is placed as it is shown, and once
// more when the window manager has framed it, since only then is its real frame known; the
// window manager's own placement may otherwise put a tall window's bottom edge off the screen.
class CWindowPlacer : public QObject {
    Q_OBJECT
public:
    // Watches every window of the application from now on.
    explicit CWindowPlacer(QObject* pParent = nullptr);
    ~CWindowPlacer() override;

    // Moves pWindow inside its screen if any part of its frame is outside.
    static void FitToScreen(QWidget* pWindow);

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
};

} // namespace vantoro
