#include "ui/posix/cudevportsource.h"

#include "serial/posix/cudevmonitor.h"

#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>

namespace vantoro {

namespace {

const QString kDeviceFolder = QStringLiteral("/dev");

} // namespace

std::unique_ptr<CPortChangeSource> CPortChangeSource::Create(const QString& strDosDevicesFolder,
                                                             HintFunction fnHint) {
    return std::make_unique<CUdevPortSource>(strDosDevicesFolder, std::move(fnHint));
}

CUdevPortSource::CUdevPortSource(const QString& strDosDevicesFolder, HintFunction fnHint)
    : CPortChangeSource(std::move(fnHint)),
      m_strFolder(strDosDevicesFolder.isEmpty() ? QString() : QDir::cleanPath(strDosDevicesFolder)),
      m_pMonitor(std::make_unique<CUdevMonitor>()) {
    if (m_pMonitor->IsValid()) {
        m_pNotifier = new QSocketNotifier(m_pMonitor->Fd(), QSocketNotifier::Read, this);
        connect(m_pNotifier, &QSocketNotifier::activated, this, &CUdevPortSource::OnUdevReadable);
    }
    // Without a udev daemon nobody announces devices; the kernel still makes their nodes.
    if (!m_pMonitor->IsValid() || !QFileInfo::exists(QStringLiteral("/run/udev/control")))
        m_folderWatcher.addPath(kDeviceFolder);
    connect(&m_folderWatcher, &QFileSystemWatcher::directoryChanged, this,
            &CUdevPortSource::OnFolderChanged);
    WatchDosDevices();
}

CUdevPortSource::~CUdevPortSource() = default;

void CUdevPortSource::WatchDosDevices() {
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

void CUdevPortSource::OnFolderChanged(const QString& strPath) {
    if (strPath == kDeviceFolder && m_strWatched != kDeviceFolder) {
        Hint();
        return;
    }
    const bool bWasFolder = m_strWatched == m_strFolder;
    WatchDosDevices();
    // Above a missing folder only its arrival matters: the settings file beside it, say, does
    // not change the ports.
    if (bWasFolder || m_strWatched == m_strFolder)
        Hint();
}

void CUdevPortSource::OnUdevReadable() {
    if (m_pMonitor->TakeTtyChanges())
        Hint();
}

} // namespace vantoro
