#include "ui/cmaindlg.h"

#include <cstdio>

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

#include "catalogue/cstringtable.h"
#include "catalogue/softwarepatterns.h"
#include "controls/caccessiblefactory.h"
#include "controls/cfitcombobox.h"
#include "controls/cpercentbar.h"
#include "controls/cstatusline.h"
#include "dirchooser/cdirchooserdlg.h"
#include "platform/cfilesearch.h"
#include "platform/cprofilefile.h"
#include "platform/ctickclock.h"
#include "serial/comportdiscovery.h"
#include "serial/comportnames.h"
#include "serial/serialtypes.h"
#include "ui/caboutdlg.h"
#include "ui/caltkeyguard.h"
#include "ui/ccompleteupdatedlg.h"
#include "ui/ccomportbox.h"
#include "ui/cdoubleclickguard.h"
#include "ui/cfilecheckdlg.h"
#include "ui/cfilecheckrunner.h"
#include "ui/chelpwindow.h"
#include "ui/cidleticker.h"
#include "ui/clogedit.h"
#include "ui/clogoptionsdlg.h"
#include "ui/cmaincontrols.h"
#include "ui/cmainmenu.h"
#include "ui/cprogramart.h"
#include "ui/cselectionlists.h"
#include "ui/cwindowplacer.h"
#include "ui/mainwindowhelpers.h"

namespace vantoro {

namespace {

constexpr int kIconSize = 32;

QString FromText(const std::string& strText) {
    return QString::fromStdString(strText);
}

} // namespace

CMainDlg::CMainDlg(CMainDlgSetup setup, QWidget* pParent)
    : QDialog(pParent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      m_setup(std::move(setup)), m_units(CDialogUnits::DialogFont()),
      m_session(m_setup.strSettingsPath, m_setup.strInstallIni), m_sink(this) {
    setObjectName(QStringLiteral("mainDlg"));
    setFont(CDialogUnits::DialogFont());
    setWindowTitle(QStringLiteral("Vantoro"));
    m_pMenu = new CMainMenu(this);
    m_pClient = new QWidget(this);
    m_pClient->setObjectName(QStringLiteral("client"));
    m_pControls = std::make_unique<CMainControls>(m_pClient, m_units);
    m_pSpoken = std::make_unique<CSpokenStatus>(*m_pControls->pAnnouncer);
    CAccessibleFactory::PresentAs(this, QAccessible::Window);
    const ITickSource& ticks = m_setup.pTicks ? *m_setup.pTicks : SystemTicks();
    m_pEngine = std::make_unique<UpdateEngine>(*this, &m_sink, ticks);
    m_pEngine->SetConnectNetworkPortsAside(true); // a slow server never freezes the window
    m_pTicker = new CIdleTicker(this);
    // The window itself, its dialogs and the help window open inside the screen.
    new CWindowPlacer(this);

    const CMainControls& c = *m_pControls;
    connect(m_pMenu, &CMainMenu::Command, this, &CMainDlg::OnCommand);
    connect(m_pTicker, &CIdleTicker::Tick, this, &CMainDlg::OnIdleTick);
    connect(c.pProduct, &QComboBox::activated, this, &CMainDlg::OnProductChanged);
    connect(c.pModel, &QComboBox::activated, this, &CMainDlg::OnModelChanged);
    connect(c.pDirectoryButton, &QPushButton::clicked, this, &CMainDlg::OnDirectoryButton);
    connect(c.pFileButton, &QPushButton::clicked, this, &CMainDlg::OnFileButton);
    connect(c.pStart, &QPushButton::clicked, this, &CMainDlg::OnStartClicked);
    new CDoubleClickGuard(c.pStart);
    m_pLists = new CSelectionLists({c.pProduct, c.pModel, c.pSoftware, c.pComPort}, this);
    connect(c.pCancel, &QPushButton::clicked, this, &CMainDlg::OnCancelClicked);
    m_pFileCheck = new CFileCheckRunner(*this, this);
    connect(m_pFileCheck, &CFileCheckRunner::Completed, this, &CMainDlg::OnFileChecked);
    // Every event of the window and its controls passes here first, as messages pass the
    // dialog's pre-translation: menu refresh, then the keyboard rules.
    qApp->installEventFilter(this);
    new CAltKeyGuard(this);
    Initialise();
    ConnectSpeech();
}

void CMainDlg::ConnectSpeech() {
    const CMainControls& c = *m_pControls;
    m_pSpoken->CaptionShown(c.pStart->text());
    connect(m_pLists, &CSelectionLists::ChosenByKey, this,
            [this](const QString& strText) { m_pSpoken->ChoiceShown(strText); });
}

CMainDlg::~CMainDlg() {
    qApp->removeEventFilter(this);
    delete m_pTicker;
    m_pTicker = nullptr;
    if (m_setup.pHelp)
        m_setup.pHelp->Quit();
    if (!m_session.SaveAppSettings(m_log.IsLoggingEnabled(), m_log.GetLogFlags()) &&
        !ProfileSaveLockProblem().empty()) {
        // The window is going: standard error is the one place left to say it.
        std::fprintf(stderr, "vantoro: choices not saved: %s\n", ProfileSaveLockProblem().c_str());
    }
    m_pEngine->SetTarget(nullptr);
    // Closes the port and joins its listener while the window can still receive.
    m_pEngine.reset();
    m_sink.Detach();
}

void CMainDlg::Initialise() {
    const int nMenuHeight = m_pMenu->Bar()->sizeHint().height();
    const QSize client = m_units.ToPixels(CMainControls::kWidthUnits, CMainControls::kHeightUnits);
    m_pMenu->Bar()->setGeometry(0, 0, client.width(), nMenuHeight);
    m_pClient->setGeometry(0, nMenuHeight, client.width(), client.height());
    m_sizeExpanded = QSize(client.width(), nMenuHeight + client.height());
    m_sizeCollapsed = QSize(client.width(), nMenuHeight + m_pControls->pLogBox->y());

    m_log.SetLogging(false);
    m_log.SetLogFlags(kDefaultLogFlags);

    const CLogSettings logSettings = m_session.ReadLogSettings();
    m_log.SetLogging(logSettings.bLogEnabled);
    ResizeForLogging();
    m_log.SetLogFlags(logSettings.nLogFlags);

    m_session.SetLogFunction(
        [this](LogCategory category, const std::string& strText) { LogEvent(category, strText); });
    setWindowIcon(CProgramArt::ProgramIcon());
    m_log.SetBox(m_pControls->pLogBox);
    LogEvent(LogApplication, "Application Started");
    // Said once: a protected settings file keeps this session's choices to this session.
    const std::string strNotSaved = ProfileFileNotWritableReason(m_session.GetSettingsPath());
    if (!strNotSaved.empty())
        LogEvent(LogSystem, strNotSaved);
    CreatePortBox();
    m_pPortBox->Fill();
    m_pPortBox->Watch(QString::fromStdString(GetDosDevicesFolder()));
    connect(m_pControls->pSoftware, &QComboBox::currentIndexChanged, this,
            &CMainDlg::UpdateSoftwareTip);

    for (int i = 0; i < m_session.GetPlatformCount(); ++i)
        m_pControls->pProduct->AddStringItem(m_session.Targets()[i].GetNameId(), i);

    m_session.LoadAppSettings(m_setup.strProgramDir, [this](int nPort) { SelectComPort(nPort); });
    m_pEngine->SetReplyTimeout(m_session.GetReplyTimeoutMs());
    SelectPlatform(m_session.GetPlatformIndex());
    m_pControls->pProgress->SetText(QStringLiteral("Idle"));
    const QComboBox* pComPort = m_pControls->pComPort;
    SelectComPort(pComPort->currentIndex() < 0 ? -1 : pComPort->currentData().toInt());
    m_pControls->pProduct->setFocus();
}

void CMainDlg::CreatePortBox() {
    CComPortBox::DiscoverFunction discover;
    if (m_setup.discoverPorts) {
        discover = [find = m_setup.discoverPorts](std::vector<ComPortEntry>& entries) {
            std::vector<int> ports;
            std::vector<std::string> names;
            const bool bFound = find(ports, names);
            for (std::size_t j = 0; j < ports.size(); ++j)
                entries.push_back({ports[j], j < names.size() ? names[j] : std::string()});
            return bFound;
        };
    }
    m_pPortBox = new CComPortBox(
        m_pControls->pComPort, m_session, std::move(discover),
        [this](LogCategory category, const std::string& strText) { LogEvent(category, strText); },
        this);
    m_pPortBox->SetIdleQuery([this] { return GetUpdateState() == Idle; });
    connect(m_pPortBox, &CComPortBox::PortChanged, this, &CMainDlg::OnPortChanged);
    // The texts and Start follow the ports only where there were none or are none now; the
    // software refresh would also pick the newest file again over the user's choice.
    connect(m_pPortBox, &CComPortBox::PortsAppearedOrWent, this, &CMainDlg::RefreshSoftware);
}

void CMainDlg::SelectPlatform(int nIndex) {
    if (!m_session.SelectPlatform(nIndex))
        return;
    const CTarget* pTarget = m_session.GetTarget();
    m_pEngine->SetTarget(pTarget);
    m_pControls->pProduct->SelectByItemData(nIndex);
    CFitComboBox* pModel = m_pControls->pModel;
    pModel->clear();
    for (int i = 0; i < pTarget->GetVariantCount(); ++i)
        pModel->AddStringItem(pTarget->GetVariantNameId(i), i);
    pModel->SelectByItemData(pTarget->GetVariant());
    RefreshSoftware();
}

void CMainDlg::RefreshSoftware() {
    if (!m_session.GetTarget())
        return;
    // Called while idle, and by the engine as a cycle ends, its port released: ports that
    // came or went during the update are taken in first.
    m_pPortBox->RefreshIfStale();
    const CSoftwareRefresh refresh = m_session.RefreshSoftware();
    if (!refresh.strFolderProblem.empty())
        LogEvent(LogSystem, refresh.strFolderProblem);
    QComboBox* pSoftware = m_pControls->pSoftware;
    pSoftware->clear();
    for (const std::string& strFile : refresh.files)
        pSoftware->addItem(FromText(strFile));
    SetStatusText(refresh.strStatusText);
    SetActionText(refresh.strActionText);
    pSoftware->setCurrentIndex(pSoftware->count() > 0 ? 0 : -1);
    // An empty list reads as what the window says about it.
    pSoftware->setAccessibleDescription(refresh.files.empty()
                                            ? FromText(refresh.strStatusText)
                                            : QStringLiteral("Software files found, newest first"));
    m_pControls->pDirectory->setText(FromText(refresh.strDirectory));
    m_pControls->pStart->setEnabled(refresh.bReady);
    // Where was looked and for which names, once per change: the Status line cannot say it.
    const std::string strNoSoftware =
        refresh.files.empty() ? NoSoftwareText(*m_session.GetTarget()) : std::string();
    if (!strNoSoftware.empty() && strNoSoftware != m_strNoSoftwareLogged)
        LogEvent(LogSystem, strNoSoftware);
    m_strNoSoftwareLogged = strNoSoftware;
    UpdateSoftwareTip();
}

void CMainDlg::UpdateSoftwareTip() {
    ShowCutTextAsTip(m_pControls->pSoftware);
}

int CMainDlg::SelectComPort(int nPortNumber) {
    return m_pPortBox->Select(nPortNumber);
}

// The lists report every choice, also of the entry already selected (Enter on an open list, a
// click on the highlighted entry); only a real change runs a handler, as a selection-change
// notification would.
void CMainDlg::OnProductChanged(int nIndex) {
    const QVariant value = m_pControls->pProduct->itemData(nIndex);
    if (value.isValid() && value.toInt() != m_session.GetPlatformIndex())
        SelectPlatform(value.toInt());
}

void CMainDlg::OnModelChanged(int nIndex) {
    if (!m_session.GetTarget())
        return;
    nIndex = m_pControls->pModel->itemData(nIndex).toInt();
    if (nIndex == m_session.GetTarget()->GetVariant())
        return;
    m_session.SelectModel(nIndex);
    RefreshSoftware();
}

void CMainDlg::OnDirectoryButton() {
    if (!m_session.GetTarget())
        return;
    CDirChooserDlg chooser(std::string(), this);
    chooser.SetPath(m_pControls->pDirectory->text().toStdString());
    if (chooser.exec() != QDialog::Accepted)
        return;
    m_session.GetTarget()->SetWorkingDirectory(chooser.GetPath());
    RefreshSoftware();
}

void CMainDlg::OnFileButton() {
    if (!m_session.GetTarget())
        return;
    const CTarget* pTarget = m_session.GetTarget();
    const QString strFile =
        AskForCodeFile(this, FromText(pTarget->GetSoftwareDirectory()),
                       FileDialogFilter(StringFromId(pTarget->GetVariantFilterId())));
    if (strFile.isEmpty())
        return;
    m_session.GetTarget()->SetVariantFile(strFile.toStdString());
    RefreshSoftware();
}

void CMainDlg::OnDirectoryEnter() {
    if (!m_session.GetTarget())
        return;
    // A folder typed relative to where the program was started means that folder, wherever
    // the program starts next time.
    const std::string strDirectory = CutBackToDirectory(
        AbsoluteFolderText(m_pControls->pDirectory->text().toStdString()), IsExistingDirectory);
    m_session.GetTarget()->SetWorkingDirectory(strDirectory);
    RefreshSoftware();
    m_pControls->pSoftware->setFocus();
}

void CMainDlg::SetLogging(bool bOn) {
    m_log.SetLogging(bOn);
    ResizeForLogging();
    m_pMenu->Refresh(m_log.IsLoggingEnabled(), m_log.IsLoggingRunning());
}

void CMainDlg::ResizeForLogging() {
    setFixedSize(m_log.IsLoggingEnabled() ? m_sizeExpanded : m_sizeCollapsed);
    // Cut off below the window's edge, the box is out of Tab's way and out of a reader's.
    m_pControls->pLogBox->setVisible(m_log.IsLoggingEnabled());
}

void CMainDlg::OnCommand(int nId) {
    switch (nId) {
    case CMainMenu::kIdLogging:
        if (m_log.IsLoggingEnabled())
            m_log.ToggleRunning();
        break;
    case CMainMenu::kIdClearLog:
        if (m_log.IsLoggingEnabled())
            m_log.Clear();
        break;
    case CMainMenu::kIdLogOptions: {
        CLogOptionsDlg options(*this, this);
        options.exec();
        break;
    }
    case CMainMenu::kIdExit:
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        break;
    case CMainMenu::kIdHelpContents:
        if (m_setup.onHelpContents)
            m_setup.onHelpContents();
        break;
    case CMainMenu::kIdAbout: {
        CAboutDlg about(m_setup.strVersion, m_setup.strBuildDate, m_setup.strBuildTime,
                        m_setup.strNotice, this);
        about.exec();
        break;
    }
    default:
        break;
    }
    m_pMenu->Refresh(m_log.IsLoggingEnabled(), m_log.IsLoggingRunning());
}

// IUpdateWindow --------------------------------------------------------------------------------

void CMainDlg::SetStatusText(const std::string& strText) {
    m_strStatusText = strText;
    m_pControls->pStatus->SetLine(FromText(strText));
    m_pSpoken->StatusShown(FromText(strText));
}

void CMainDlg::SetActionText(const std::string& strText) {
    m_strActionText = strText;
    m_pControls->pAction->SetLine(FromText(strText));
    m_pSpoken->ActionShown(FromText(strText));
}

void CMainDlg::SetProgressPos(int nPercent) {
    m_pControls->pProgress->SetPos(nPercent);
}

void CMainDlg::SetProgressText(const std::string& strText) {
    m_pControls->pProgress->SetText(FromText(strText));
    m_pSpoken->ProgressTextShown(FromText(strText));
}

void CMainDlg::SetStartCaption(const std::string& strCaption) {
    m_pControls->pStart->setText(FromText(strCaption));
    m_pSpoken->CaptionShown(FromText(strCaption));
}

void CMainDlg::EnableStart(bool bEnable) {
    m_pControls->pStart->setEnabled(bEnable);
}

void CMainDlg::EnableCancel(bool bEnable) {
    m_pControls->pCancel->setEnabled(bEnable);
}

void CMainDlg::SetFocusTo(UpdateFocus focus) {
    const CMainControls& c = *m_pControls;
    // While records go out nothing can be pressed, so the focus rests on the Action line,
    // which takes no key: a reader asked where it is hears how the update stands and how long
    // it has left, not the name of a button that is switched off.
    QWidget* pTarget = focus == UpdateFocus::Start    ? c.pStart
                       : focus == UpdateFocus::Cancel ? c.pCancel
                                                      : static_cast<QWidget*>(c.pAction);
    pTarget->setFocus(Qt::OtherFocusReason);
}

void CMainDlg::EnableSelectionControls(bool bEnable) {
    for (int i = 0; i < CMainControls::kSelectionControlCount; ++i)
        m_pControls->SelectionControl(i)->setEnabled(bEnable);
}

void CMainDlg::LogEvent(LogCategory category, const std::string& strText) {
    m_log.LogEvent(static_cast<int>(category), FromText(strText));
}

int CMainDlg::GetSelectedSoftware() const {
    return m_pControls->pSoftware->currentIndex();
}

bool CMainDlg::AcceptFileWithErrors(const std::string& strPath, const CFileVerdict& verdict) {
    CFileCheckDlg question(strPath, verdict, this);
    return question.Ask();
}

// Events -----------------------------------------------------------------------------------------

void CMainDlg::OnStartClicked() {
    const bool bIdle = GetUpdateState() == Idle;
    if (bIdle && !m_pPortBox->IsChoiceConnected())
        ShowChoiceNotConnected();
    else if (bIdle && !SelectedLongFile().empty())
        m_pFileCheck->Start(SelectedLongFile(), m_strStatusText, m_strActionText);
    else
        Step(StartPressed);
}

void CMainDlg::OnCancelClicked() {
    if (m_pFileCheck->IsRunning())
        m_pFileCheck->Cancel();
    else
        Step(CancelPressed);
}

void CMainDlg::ShowChoiceNotConnected() {
    const int nPort = m_pPortBox->GetPortNumber();
    if (!m_bNotConnectedShown) {
        m_strIdleStatus = m_strStatusText;
        m_strIdleAction = m_strActionText;
    }
    m_bNotConnectedShown = true;
    const std::string strText = "Com Port " + std::to_string(nPort) + " Not Connected";
    LogEvent(LogHighLevelComms, strText);
    SetStatusText(strText);
    SetActionText("Connect it, or Select Another Com Port, then Press Start");
}

void CMainDlg::OnPortChanged(int nPort) {
    m_pEngine->SetPortNumber(nPort);
    if (m_bNotConnectedShown && m_pPortBox->IsChoiceConnected()) {
        m_bNotConnectedShown = false;
        SetStatusText(m_strIdleStatus);
        SetActionText(m_strIdleAction);
    }
}

std::string CMainDlg::SelectedLongFile() const {
    // Below this a file is read before anyone could notice a pause.
    constexpr qint64 kLongFile = 1024 * 1024;
    const int nSelected = GetSelectedSoftware();
    const CTarget* pTarget = m_session.GetTarget();
    if (!pTarget || nSelected < 0)
        return {};
    const std::string strPath = pTarget->GetSoftwarePath(nSelected);
    return QFileInfo(FromText(strPath)).size() > kLongFile ? strPath : std::string();
}

void CMainDlg::OnFileChecked() {
    m_pEngine->UsePreparedFile(m_pFileCheck->TakeFile());
    Step(StartPressed);
}

void CMainDlg::Step(UpdateEvent event) {
    m_pEngine->StepUpdate(event);
    m_pTicker->SetPeriodic(m_pEngine->IsAwaitingReply());
    CloseQuestionIfUpdateEnded();
}

void CMainDlg::CloseQuestionIfUpdateEnded() {
    if (m_pQuestion)
        m_pQuestion->FollowUpdate(GetUpdateState());
}

void CMainDlg::OnIdleTick() {
    if (m_pEngine && m_pEngine->IsAwaitingReply())
        Step(IdleTick);
    else if (m_pTicker)
        m_pTicker->SetPeriodic(false);
}

bool CMainDlg::event(QEvent* pEvent) {
    if (pEvent->type() == CSerialMessageEvent::EventType()) {
        const auto* pMessage = static_cast<CSerialMessageEvent*>(pEvent);
        if (pMessage->Message() == SerialDefaultComMessage() && m_pEngine && m_pTicker) {
            m_pEngine->OnSerialEvent(pMessage->WParam(), pMessage->LParam());
            m_pTicker->SetPeriodic(m_pEngine->IsAwaitingReply());
            CloseQuestionIfUpdateEnded();
        }
        return true;
    }
    return QDialog::event(pEvent);
}

bool CMainDlg::eventFilter(QObject* pWatched, QEvent* pEvent) {
    auto* pWidget = qobject_cast<QWidget*>(pWatched);
    // A dropped-down list is a window of its own, but its keys are the main window's too.
    if (pWidget && (pWidget == this || isAncestorOf(pWidget) || m_pLists->ListOwning(pWidget))) {
        m_pMenu->Refresh(m_log.IsLoggingEnabled(), m_log.IsLoggingRunning());
        // About to drop the Com Port list down: it shows the ports there are now.
        if (pWatched == m_pControls->pComPort && GetUpdateState() == Idle &&
            (pEvent->type() == QEvent::MouseButtonPress ||
             (pEvent->type() == QEvent::KeyPress &&
              CSelectionLists::OpensList(*static_cast<QKeyEvent*>(pEvent)))))
            m_pPortBox->Refresh();
        if (pEvent->type() == QEvent::KeyPress &&
            ApplyKeyboardRules(pWatched, static_cast<QKeyEvent*>(pEvent)))
            return true;
        // A dropped-down list closes itself on Escape while the key is still offered as a
        // shortcut, before it arrives as a key press.
        if (pEvent->type() == QEvent::ShortcutOverride &&
            static_cast<QKeyEvent*>(pEvent)->key() == Qt::Key_Escape) {
            m_pLists->CloseOpenList(pWidget);
            return true;
        }
    }
    return QDialog::eventFilter(pWatched, pEvent);
}

bool CMainDlg::ApplyKeyboardRules(QObject* pWatched, QKeyEvent* pKey) {
    if (pKey->key() == Qt::Key_Escape) {
        m_pLists->CloseOpenList(static_cast<QWidget*>(pWatched));
        return true;
    }
    const CMainControls& c = *m_pControls;
    const bool bEnter = pKey->key() == Qt::Key_Return || pKey->key() == Qt::Key_Enter;
    if (pWatched == c.pAction)
        return bEnter || pKey->key() == Qt::Key_Space; // the parking place is never pressed
    if (!bEnter)
        return false;
    auto* pWidget = static_cast<QWidget*>(pWatched);
    // While a list is dropped down its popup takes Enter and closes itself, keeping the
    // highlighted entry; on the closed list Enter opens it.
    if (m_pLists->ListOwning(pWidget))
        return m_pLists->OpenOnEnter(pWidget);
    if (pWatched == c.pDirectory) {
        OnDirectoryEnter();
        return true;
    }
    // Enter presses the focused push button; anywhere else it does nothing, as in a dialog
    // without a default button.
    if (auto* pButton = qobject_cast<QPushButton*>(pWidget); pButton && pButton->isEnabled())
        pButton->click();
    return true;
}

void CMainDlg::closeEvent(QCloseEvent* pEvent) {
    if (CloseNeedsConfirmation(GetUpdateState()) && AskToCompleteUpdate()) {
        pEvent->ignore();
        return;
    }
    QDialog::closeEvent(pEvent);
}

void CMainDlg::showEvent(QShowEvent* pEvent) {
    QDialog::showEvent(pEvent);
    if (m_bOpeningNoticeQueued || pEvent->spontaneous())
        return;
    m_bOpeningNoticeQueued = true;
    // Said once the reader has announced the window and the focused list.
    constexpr int kOpeningNoticeMs = 1500;
    QTimer::singleShot(kOpeningNoticeMs, this, [this] { m_pSpoken->Repeat(); });
}

bool CMainDlg::AskToCompleteUpdate() {
    CCompleteUpdateDlg question(this, GetUpdateState());
    m_pQuestion = &question;
    const bool bKeepGoing = question.exec() == QDialog::Accepted;
    m_pQuestion = nullptr;
    return bKeepGoing;
}

void CMainDlg::paintEvent(QPaintEvent* pEvent) {
    if (!isMinimized()) {
        QDialog::paintEvent(pEvent);
        return;
    }
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const QSize iconSize(kIconSize, kIconSize);
    painter.drawPixmap(QRect(IconOrigin(size(), iconSize), iconSize),
                       windowIcon().pixmap(iconSize));
}

} // namespace vantoro
