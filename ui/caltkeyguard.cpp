#include "ui/caltkeyguard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>

namespace vantoro {

namespace {

bool IsMenuOpen() {
    return qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr;
}

} // namespace

CAltKeyGuard::CAltKeyGuard(QObject* pParent) : QObject(pParent) {
    qApp->installEventFilter(this);
}

CAltKeyGuard::~CAltKeyGuard() {
    qApp->removeEventFilter(this);
}

bool CAltKeyGuard::eventFilter(QObject* /*pWatched*/, QEvent* pEvent) {
    const QEvent::Type type = pEvent->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress)
        return false;
    const auto* pKey = static_cast<const QKeyEvent*>(pEvent);
    if ((pKey->key() != Qt::Key_Alt && pKey->key() != Qt::Key_Meta) || pKey->isAutoRepeat())
        return false;
    // The display server's press is announced before anything else sees it; Qt's own copy
    // comes as an event the application sent itself.
    if (pEvent->spontaneous()) {
        if (type == QEvent::ShortcutOverride)
            m_bMenuOpenAtPress = IsMenuOpen();
        return false;
    }
    // The real press has done its part: it told the menu bar, or the key it went with was
    // used. Its copy is news only to a menu that was open at the press and still is.
    return !(m_bMenuOpenAtPress && IsMenuOpen());
}

} // namespace vantoro
