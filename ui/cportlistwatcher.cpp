#include "ui/cportlistwatcher.h"

#include "serial/posix/cudevmonitor.h"

#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>

namespace vantoro {

namespace {

const QString kDeviceFolder = QStringLiteral("/dev");

} // namespace

CPortListWatcher::CPortListWatcher(const QString& strDosDevicesFolder, QObject* pParent)
    : QObject(pParent),
      m_strFolder(strDosDevicesFolder.isEmpty() ? QString() : QDir::cleanPath(strDosDevicesFolder)),
      m_pMonitor(std::make_unique<CUdevMonitor>()) {
    m_settleTimer.setSingleShot(true);
    m_settleTimer.setInterval(kSettleMs);
    connect(&m_settleTimer, &QTimer::timeout, this, &CPortListWatcher::PortsChanged);
    if (m_pMonitor->IsValid()) {
        m_pNotifier = new QSocketNotifier(m_pMonitor->Fd(), QSocketNotifier::Read, this);
        connect(m_pNotifier, &QSocketNotifier::activated, this, &CPortListWatcher::OnUdevReadable);
    }
    // Without a udev daemon nobody announces devices; the kernel still makes their nodes.
    if (!m_pMonitor->IsValid() || !QFileInfo::exists(QStringLiteral("/run/udev/control")))
        m_folderWatcher.addPath(kDeviceFolder);
    connect(&m_folderWatcher, &QFileSystemWatcher::directoryChanged, this,
            &CPortListWatcher::OnFolderChanged);
    WatchDosDevices();
}

CPortListWatcher::~CPortListWatcher() = default;

void CPortListWatcher::WatchDosDevices() {
    if (m_strFolder.isEmpty())
        return;
    QString strTarget = m_strFolder;
    while (!QFileInfo(strTarget).isDir()) {
        const QString strParent = QFileInfo(strTarget).path();
        if (strParent == strTarget)
            return;
        strTarget = strParent;
    }
    if (strTarget == m_strWatched && m_folderWatcher.directories().contains(strTarget))
        return;
    if (!m_strWatched.isEmpty() && m_strWatched != kDeviceFolder)
        m_folderWatcher.removePath(m_strWatched);
    m_strWatched = strTarget;
    m_folderWatcher.addPath(strTarget);
}

void CPortListWatcher::OnFolderChanged(const QString& strPath) {
    if (strPath == kDeviceFolder && m_strWatched != kDeviceFolder) {
        m_settleTimer.start();
        return;
    }
    const bool bWasFolder = m_strWatched == m_strFolder;
    WatchDosDevices();
    // Above a missing folder only its arrival matters: the settings file beside it, say, does
    // not change the ports.
    if (bWasFolder || m_strWatched == m_strFolder)
        m_settleTimer.start();
}

void CPortListWatcher::OnUdevReadable() {
    if (m_pMonitor->TakeTtyChanges())
        m_settleTimer.start();
}

} // namespace vantoro
