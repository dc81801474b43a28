#include "ui/cidleticker.h"

#include <QAbstractEventDispatcher>
#include <QThread>

namespace vantoro {

CIdleTicker::CIdleTicker(QObject* pParent) : QObject(pParent) {
    m_timer.setInterval(kPeriodMs);
    connect(&m_timer, &QTimer::timeout, this, &CIdleTicker::Tick);
    if (QAbstractEventDispatcher* pDispatcher = QAbstractEventDispatcher::instance(thread()))
        connect(pDispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &CIdleTicker::OnAboutToBlock);
}

void CIdleTicker::SetPeriodic(bool bOn) {
    if (bOn && !m_timer.isActive())
        m_timer.start();
    else if (!bOn && m_timer.isActive())
        m_timer.stop();
}

void CIdleTicker::OnAboutToBlock() {
    // A tick handler that itself spins an event loop would otherwise tick inside itself.
    if (m_bInTick)
        return;
    m_bInTick = true;
    emit Tick();
    m_bInTick = false;
}

} // namespace vantoro
