#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class QSocketNotifier;

namespace vantoro {

class CUdevMonitor;

// Tells the window when its port list may be out of date: udev announcing a tty device, or a
// comN link appearing or going in the dosdevices folder, also one created after start-up.
// An adapter brings several announcements and a script writes several links, so a burst gives
// one PortsChanged once things have been quiet for a moment.
class CPortListWatcher : public QObject {
    Q_OBJECT
public:
    static constexpr int kSettleMs = 300;

    // An empty folder watches udev alone.
    explicit CPortListWatcher(const QString& strDosDevicesFolder, QObject* pParent = nullptr);
    ~CPortListWatcher() override;

    void SetSettleTime(int nMilliseconds) { m_settleTimer.setInterval(nMilliseconds); }

signals:
    void PortsChanged();

private:
    // Watches the folder, or while it is missing the nearest folder above it that exists.
    void WatchDosDevices();
    void OnFolderChanged(const QString& strPath);
    void OnUdevReadable();

    QString m_strFolder;
    QString m_strWatched;
    std::unique_ptr<CUdevMonitor> m_pMonitor;
    QSocketNotifier* m_pNotifier = nullptr;
    QFileSystemWatcher m_folderWatcher;
    QTimer m_settleTimer;
};

} // namespace vantoro
