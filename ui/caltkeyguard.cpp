#include "ui/caltkeyguard.h"

#include <QApplication>
#include <QKeyEvent>

namespace vantoro {

namespace {

bool IsAlt(const QKeyEvent& key) {
    return key.key() == Qt::Key_Alt || key.key() == Qt::Key_Meta;
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
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyRelease)
        return false;
    const auto* pKey = static_cast<const QKeyEvent*>(pEvent);
    if (!IsAlt(*pKey) || pKey->isAutoRepeat())
        return false;
    if (type == QEvent::KeyRelease) {
        m_bAltDown = false;
        return false;
    }
    // The menu bar learns of an Alt press from its shortcut check alone.
    const bool bRepeated = m_bAltDown;
    m_bAltDown = true;
    return bRepeated;
}

} // namespace vantoro
