#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

namespace vantoro {

class CPortChangeSource;

// Tells the window when its port list may be out of date: the system announcing a serial
// device, or a comN link appearing or going in the dosdevices folder, also one created after
// start-up. An adapter brings several announcements and a script writes several links, so a
// burst gives one PortsChanged once things have been quiet for a moment.
class CPortListWatcher : public QObject {
    Q_OBJECT
public:
    static constexpr int kSettleMs = 300;

    // An empty folder watches the system's device announcements alone.
    explicit CPortListWatcher(const QString& strDosDevicesFolder, QObject* pParent = nullptr);
    ~CPortListWatcher() override;

    void SetSettleTime(int nMilliseconds) { m_settleTimer.setInterval(nMilliseconds); }

signals:
    void PortsChanged();

private:
    QTimer m_settleTimer;
    std::unique_ptr<CPortChangeSource> m_pSource;
};

} // namespace vantoro
