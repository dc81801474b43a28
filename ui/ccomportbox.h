#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "serial/comportdiscovery.h"
#include "update/logcategory.h"

class QComboBox;
class QTimer;

namespace vantoro {

class CPortListWatcher;
class CUpdateSession;

// The window's Com Port list: filled from discovery, following devices that come and go while
// the cycle is idle, and keeping the person's choice on show while its device is away, so that
// a pulled adapter is never quietly replaced by another port. The list is left alone while it is
// dropped down and whenever nothing changed: a refill under an open list loses its highlight.
class CComPortBox : public QObject {
    Q_OBJECT
public:
    // Fills the ports found; false when the machine could not be asked.
    using DiscoverFunction = std::function<bool(std::vector<ComPortEntry>&)>;
    using LogFunction = std::function<void(LogCategory, const std::string&)>;

    static constexpr int kNoComPortsItem = 65535;
    // How often an idle window looks whether a listed port's device is still there (no event
    // announces a pseudo-terminal or a link's target going away), and whether an absent choice
    // is back.
    static constexpr int kPortCheckMs = 1000;

    // An empty discover function asks the machine.
    CComPortBox(QComboBox* pList, CUpdateSession& session, DiscoverFunction discover,
                LogFunction log, QObject* pParent = nullptr);
    ~CComPortBox() override;

    // The first discovery: the first port is shown, none is chosen yet.
    void Fill();
    // Follows udev and the dosdevices folder from now on.
    void Watch(const QString& strDosDevicesFolder);
    // Refills happen only while this says the cycle is idle; others wait for RefreshIfStale.
    void SetIdleQuery(std::function<bool()> isIdle) { m_isIdle = std::move(isIdle); }

    // 0 when nPort is listed (now chosen and shown), 1 otherwise.
    int Select(int nPort);
    // Discovers again and shows the result where it differs from what is shown.
    void Refresh();
    // As a cycle ends: what came or went during it is taken in.
    void RefreshIfStale();

    // False while the person's chosen port is not on the machine.
    bool IsChoiceConnected() const;
    // The port an update opens: the one in use, or the chosen one while it is away.
    int GetPortNumber() const;
    // "Com 9 - not connected": the text an absent choice is listed with.
    static QString NotConnectedText(int nPort);

signals:
    // The port an update would open has changed, or its device went or came back.
    void PortChanged(int nPort);
    // The machine went from no ports to some, or back: texts and Start depend on it.
    void PortsAppearedOrWent();

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    struct Item {
        QString strText;
        int nPort = 0;
        bool operator==(const Item& other) const = default;
    };

    bool Discover(std::vector<ComPortEntry>& entries);
    // Refreshes whether or not the cycle is idle (it ends as this runs).
    void Rediscover();
    void Show();
    std::vector<Item> WantedItems(int& nSelected) const;
    bool IsOpen() const;
    void OnActivated(int nIndex);
    void OnPeriodicCheck();
    void AnnouncePort();

    QComboBox* m_pList;
    CUpdateSession& m_session;
    DiscoverFunction m_discover;
    LogFunction m_log;
    std::function<bool()> m_isIdle;
    CPortListWatcher* m_pWatcher = nullptr;
    QTimer* m_pCheckTimer = nullptr;
    bool m_bFound = false;
    bool m_bStale = false; // a change waits for the cycle to end or the list to close
    int m_nAnnouncedPort = -1;
    bool m_bAnnouncedConnected = true;
    std::vector<Item> m_shown;
};

} // namespace vantoro
