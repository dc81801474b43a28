#include "ui/cportlistwatcher.h"

#include "ui/cportchangesource.h"

namespace vantoro {

CPortListWatcher::CPortListWatcher(const QString& strDosDevicesFolder, QObject* pParent)
    : QObject(pParent) {
    m_settleTimer.setSingleShot(true);
    m_settleTimer.setInterval(kSettleMs);
    connect(&m_settleTimer, &QTimer::timeout, this, &CPortListWatcher::PortsChanged);
    m_pSource = CPortChangeSource::Create(strDosDevicesFolder, [this] { m_settleTimer.start(); });
}

CPortListWatcher::~CPortListWatcher() = default;

} // namespace vantoro
