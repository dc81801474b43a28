#pragma once

#include <QFileSystemWatcher>
#include <QString>

#include <memory>

#include "ui/cportchangesource.h"

class QSocketNotifier;

namespace vantoro {

class CUdevMonitor;

// Port hints on Linux: udev announcing a tty device, and comN links coming and going in the
// dosdevices folder (watched even while it is missing, through the nearest folder above it).
class CUdevPortSource : public CPortChangeSource {
public:
    CUdevPortSource(const QString& strDosDevicesFolder, HintFunction fnHint);
    ~CUdevPortSource() override;

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
};

} // namespace vantoro
