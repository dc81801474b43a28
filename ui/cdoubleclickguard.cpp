#include "ui/cdoubleclickguard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>

namespace vantoro {

CDoubleClickGuard::CDoubleClickGuard(QAbstractButton* pButton)
    : QObject(pButton), m_pButton(pButton) {
    pButton->installEventFilter(this);
}

bool CDoubleClickGuard::eventFilter(QObject* pWatched, QEvent* pEvent) {
    const QEvent::Type type = pEvent->type();
    if (pWatched != m_pButton)
        return false;
    if (type == QEvent::MouseButtonRelease && m_bSwallowRelease) {
        m_bSwallowRelease = false;
        return true;
    }
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick)
        return false;
    const quint64 nTime = static_cast<QMouseEvent*>(pEvent)->timestamp();
    const bool bSecond =
        m_bPressTimed && m_pButton->text() != m_strPressedCaption &&
        nTime - m_nPressTime < static_cast<quint64>(QApplication::doubleClickInterval());
    if (bSecond) {
        m_bSwallowRelease = true;
        return true;
    }
    if (type == QEvent::MouseButtonPress) {
        m_nPressTime = nTime;
        m_bPressTimed = true;
        m_strPressedCaption = m_pButton->text();
    }
    return false;
}

} // namespace vantoro
