#include "ui/ccomportbox.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QSignalBlocker>
#include <QTimer>

#include "serial/comportnames.h"
#include "session/cupdatesession.h"
#include "ui/cportlistwatcher.h"
#include "ui/mainwindowhelpers.h"

namespace vantoro {

CComPortBox::CComPortBox(QComboBox* pList, CUpdateSession& session, DiscoverFunction discover,
                         LogFunction log, QObject* pParent)
    : QObject(pParent), m_pList(pList), m_session(session), m_discover(std::move(discover)),
      m_log(std::move(log)) {
    connect(m_pList, &QComboBox::activated, this, &CComPortBox::OnActivated);
    // The drop-down closing is when a change that waited for it is shown.
    m_pList->view()->installEventFilter(this);
    if (QWidget* pPopup = m_pList->view()->parentWidget())
        pPopup->installEventFilter(this);
}

CComPortBox::~CComPortBox() = default;

bool CComPortBox::Discover(std::vector<ComPortEntry>& entries) {
    if (m_discover)
        return m_discover(entries);
    std::vector<std::string> problems; // an unwritable dosdevices folder, say
    const bool bFound = DiscoverComPortEntries(entries, problems);
    for (const std::string& strProblem : problems)
        m_log(LogSystem, strProblem);
    return bFound;
}

void CComPortBox::Fill() {
    std::vector<ComPortEntry> entries;
    m_bFound = Discover(entries);
    if (!m_bFound)
        m_log(LogHighLevelComms, "No Com Ports Found");
    else
        m_session.FillComPorts(std::move(entries));
    Show();
}

void CComPortBox::Watch(const QString& strDosDevicesFolder) {
    m_pWatcher = new CPortListWatcher(strDosDevicesFolder, this);
    connect(m_pWatcher, &CPortListWatcher::PortsChanged, this, &CComPortBox::Refresh);
    m_pCheckTimer = new QTimer(this);
    connect(m_pCheckTimer, &QTimer::timeout, this, &CComPortBox::OnPeriodicCheck);
    m_pCheckTimer->start(kPortCheckMs);
}

int CComPortBox::Select(int nPort) {
    // The session logs the selection; the list and the engine follow it.
    if (m_session.SelectComPort(nPort) < 0)
        return 1;
    Show(); // also when the person moved the selection: an absent choice's entry goes

    AnnouncePort();
    return 0;
}

void CComPortBox::Refresh() {
    // The list is what the update was started with until the cycle is back at rest.
    if ((m_isIdle && !m_isIdle()) || IsOpen()) {
        m_bStale = true;
        return;
    }
    Rediscover();
}

void CComPortBox::RefreshIfStale() {
    if (m_bStale || m_session.Ports().AnyDeviceGone())
        Rediscover();
}

void CComPortBox::Rediscover() {
    m_bStale = false;
    const bool bHadPorts = m_session.GetPortCount() > 0;
    std::vector<ComPortEntry> entries;
    m_bFound = Discover(entries);
    m_session.FollowPorts(m_bFound ? std::move(entries) : std::vector<ComPortEntry>());
    Show();
    AnnouncePort();
    if (bHadPorts != (m_session.GetPortCount() > 0))
        emit PortsAppearedOrWent();
}

void CComPortBox::OnPeriodicCheck() {
    if (m_session.Ports().AnyDeviceGone() || !IsChoiceConnected())
        Refresh();
}

bool CComPortBox::IsChoiceConnected() const {
    const int nChosen = m_session.GetChosenPortNumber();
    return nChosen == 0 || m_session.GetPortNumber() == nChosen;
}

int CComPortBox::GetPortNumber() const {
    return IsChoiceConnected() ? m_session.GetPortNumber() : m_session.GetChosenPortNumber();
}

QString CComPortBox::NotConnectedText(int nPort) {
    return QStringLiteral("Com %1 - not connected").arg(nPort);
}

std::vector<CComPortBox::Item> CComPortBox::WantedItems(int& nSelected) const {
    std::vector<Item> items;
    nSelected = -1;
    if (!m_bFound) {
        nSelected = 0;
        return {{QStringLiteral("No Com Ports Available"), kNoComPortsItem}};
    }
    const int nInUse = m_session.GetPortNumber();
    const int nAbsent = IsChoiceConnected() ? 0 : m_session.GetChosenPortNumber();
    for (const ComPortEntry& entry : m_session.Ports().Entries()) {
        if (nAbsent != 0 && nSelected < 0 && entry.nPort > nAbsent) {
            nSelected = static_cast<int>(items.size());
            items.push_back({NotConnectedText(nAbsent), nAbsent});
        }
        if (entry.nPort == nInUse)
            nSelected = static_cast<int>(items.size());
        items.push_back({ComPortEntryText(entry.nPort, entry.strFriendlyName), entry.nPort});
    }
    if (nAbsent != 0 && nSelected < 0) {
        nSelected = static_cast<int>(items.size());
        items.push_back({NotConnectedText(nAbsent), nAbsent});
    }
    // Nothing chosen yet: the first port is what is offered.
    if (nSelected < 0 && !items.empty())
        nSelected = 0;
    return items;
}

void CComPortBox::Show() {
    int nSelected = -1;
    std::vector<Item> items = WantedItems(nSelected);
    const QSignalBlocker quiet(m_pList);
    if (items != m_shown) {
        m_pList->clear();
        for (const Item& item : items)
            m_pList->addItem(item.strText, item.nPort);
        m_shown = std::move(items);
    }
    if (m_pList->currentIndex() != nSelected)
        m_pList->setCurrentIndex(nSelected);
}

bool CComPortBox::IsOpen() const {
    return m_pList->view()->isVisible();
}

void CComPortBox::OnActivated(int nIndex) {
    const int nPort = m_pList->itemData(nIndex).toInt();
    // Taking the port that stands in for an absent choice makes it the choice.
    if (nPort != kNoComPortsItem && nPort != m_session.GetChosenPortNumber())
        Select(nPort);
}

void CComPortBox::AnnouncePort() {
    const int nPort = GetPortNumber();
    const bool bConnected = IsChoiceConnected();
    if (nPort == m_nAnnouncedPort && bConnected == m_bAnnouncedConnected)
        return;
    m_nAnnouncedPort = nPort;
    m_bAnnouncedConnected = bConnected;
    emit PortChanged(nPort);
}

bool CComPortBox::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pEvent->type() == QEvent::Hide && m_bStale) {
        // Once the popup has finished closing, and only if the cycle is still at rest.
        QMetaObject::invokeMethod(
            this, [this] { Refresh(); }, Qt::QueuedConnection);
    }
    return QObject::eventFilter(pWatched, pEvent);
}

} // namespace vantoro
