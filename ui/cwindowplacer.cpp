#include "ui/cwindowplacer.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QWidget>

#include "ui/mainwindowhelpers.h"

namespace vantoro {

namespace {

// Set while a shown window waits for its frame; cleared once it was placed in its frame.
const char* const kAwaitingFrame = "vantoroAwaitingFrame";

bool IsPlacedWindow(const QWidget* pWidget) {
    const Qt::WindowType type = pWidget->windowType();
    return pWidget->isWindow() && (type == Qt::Window || type == Qt::Dialog);
}

} // namespace

CWindowPlacer::CWindowPlacer(QObject* pParent) : QObject(pParent) {
    qApp->installEventFilter(this);
}

CWindowPlacer::~CWindowPlacer() {
    qApp->removeEventFilter(this);
}

void CWindowPlacer::FitToScreen(QWidget* pWindow) {
    const QRect client = pWindow->geometry();
    const QRect frame = pWindow->frameGeometry();
    QMargins margins(client.left() - frame.left(), client.top() - frame.top(),
                     frame.right() - client.right(), frame.bottom() - client.bottom());
    // Until the window manager has framed the window, room for a title bar is kept all the same.
    if (margins.isNull())
        margins = QMargins(0, 2 * pWindow->fontMetrics().height(), 0, 0);
    const QRect framed = client.marginsAdded(margins);
    const QScreen* pScreen = pWindow->screen();
    if (!pScreen)
        return;
    const QPoint origin = WindowOriginOnScreen(framed, pScreen->availableGeometry());
    // The window's own place, not its frame's: window managers honour that one alike.
    if (origin != framed.topLeft())
        pWindow->setGeometry(QRect(origin + QPoint(margins.left(), margins.top()), client.size()));
}

bool CWindowPlacer::eventFilter(QObject* pWatched, QEvent* pEvent) {
    const QEvent::Type type = pEvent->type();
    if (type != QEvent::Show && type != QEvent::Move)
        return QObject::eventFilter(pWatched, pEvent);
    auto* pWidget = qobject_cast<QWidget*>(pWatched);
    if (!pWidget || !IsPlacedWindow(pWidget))
        return QObject::eventFilter(pWatched, pEvent);
    if (type == QEvent::Show && !pEvent->spontaneous()) {
        pWidget->setProperty(kAwaitingFrame, true);
        FitToScreen(pWidget);
    } else if (type == QEvent::Move && pWidget->property(kAwaitingFrame).toBool() &&
               pWidget->frameGeometry() != pWidget->geometry()) {
        pWidget->setProperty(kAwaitingFrame, false);
        FitToScreen(pWidget);
    }
    return QObject::eventFilter(pWatched, pEvent);
}

} // namespace vantoro
