#pragma once

#include <QDialog>
#include <QSize>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/ctarget.h"
#include "session/cupdatesession.h"
#include "ui/cdialogunits.h"
#include "ui/ceventlog.h"
#include "ui/cmaindlgsetup.h"
#include "ui/cqtserialsink.h"
#include "ui/cspokenstatus.h"
#include "ui/ilogoptionsowner.h"
#include "update/iupdatewindow.h"
#include "update/updateengine.h"

class QComboBox;

namespace vantoro {

class CComPortBox;
class CCompleteUpdateDlg;
class CFileCheckRunner;
class CIdleTicker;
class CMainControls;
class CMainMenu;
class CSelectionLists;

// "Vantoro", the program's window: the selection of product, model, software and port, the
// status lines, progress and buttons of an update, the event log and the menu. The choices
// and the settings are decided by the session, the update by the engine; the window shows both.
class CMainDlg : public QDialog, public IUpdateWindow, public ILogOptionsOwner {
    Q_OBJECT
public:
    explicit CMainDlg(CMainDlgSetup setup, QWidget* pParent = nullptr);
    ~CMainDlg() override;

    // IUpdateWindow
    void SetStatusText(const std::string& strText) override;
    void SetActionText(const std::string& strText) override;
    void SetProgressPos(int nPercent) override;
    void SetProgressText(const std::string& strText) override;
    void SetStartCaption(const std::string& strCaption) override;
    void EnableStart(bool bEnable) override;
    void EnableCancel(bool bEnable) override;
    void SetFocusTo(UpdateFocus focus) override;
    void EnableSelectionControls(bool bEnable) override;
    void LogEvent(LogCategory category, const std::string& strText) override;
    int GetSelectedSoftware() const override;
    void RefreshSoftware() override;
    bool AcceptFileWithErrors(const std::string& strPath, const CFileVerdict& verdict) override;

    // ILogOptionsOwner
    int GetLogFlags() const override { return m_log.GetLogFlags(); }
    bool IsLoggingEnabled() const override { return m_log.IsLoggingEnabled(); }
    void SetLogFlags(int nMask) override { m_log.SetLogFlags(nMask); }
    void SetLogging(bool bOn) override;

    void SelectPlatform(int nIndex);
    // 0 when nPortNumber is a discovered port (now chosen and shown), 1 otherwise.
    int SelectComPort(int nPortNumber);

    // Read access for the application and for checks.
    const CMainControls& Controls() const { return *m_pControls; }
    CMainMenu& Menu() const { return *m_pMenu; }
    UpdateEngine& Engine() { return *m_pEngine; }
    UpdateState GetUpdateState() const { return m_pEngine->GetState(); }
    bool IsLoggingRunning() const { return m_log.IsLoggingRunning(); }
    int GetPortNumber() const { return m_session.GetPortNumber(); }
    int GetPlatformIndex() const { return m_session.GetPlatformIndex(); }
    const CTarget* GetTarget() const { return m_session.GetTarget(); }
    QSize ExpandedSize() const { return m_sizeExpanded; }
    QSize CollapsedSize() const { return m_sizeCollapsed; }
    const CDialogUnits& Units() const { return m_units; }

    // File > Logging, File > Clear Log, File > Log Options, File > Exit, Help > About.
    void OnCommand(int nId);

protected:
    bool event(QEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void closeEvent(QCloseEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;

private:
    void Initialise();
    // The port list's discovery: the setup's own, else the machine's.
    void CreatePortBox();
    // The whole file name as the Software box's tooltip, when the box cuts it.
    void UpdateSoftwareTip();
    void ResizeForLogging();
    void Step(UpdateEvent event);
    void OnIdleTick();
    void OnProductChanged(int nIndex);
    void OnModelChanged(int nIndex);
    void OnDirectoryButton();
    void OnFileButton();
    void OnDirectoryEnter();
    bool ApplyKeyboardRules(QObject* pWatched, QKeyEvent* pKey);
    // What a screen reader hears besides the focus: lists changed by keys, the opening state.
    void ConnectSpeech();
    bool AskToCompleteUpdate();
    void OnStartClicked();
    void OnCancelClicked();
    // Start with the chosen port away: said, and nothing else happens.
    void ShowChoiceNotConnected();
    void OnPortChanged(int nPort);
    // The selected code file when it is long enough to be read on a thread of its own.
    std::string SelectedLongFile() const;
    void OnFileChecked();
    // "Complete the Update ?" answers itself once the update it asks about has ended.
    void CloseQuestionIfUpdateEnded();

    CMainDlgSetup m_setup;
    CDialogUnits m_units;
    CMainMenu* m_pMenu = nullptr;
    QWidget* m_pClient = nullptr;
    std::unique_ptr<CMainControls> m_pControls;
    std::unique_ptr<CSpokenStatus> m_pSpoken;
    bool m_bOpeningNoticeQueued = false; // the idle texts are said once after the first show
    CEventLog m_log;
    // The catalogue, the port list and the settings: what the window shares with the
    // command line.
    CUpdateSession m_session;

    std::string m_strStatusText;
    std::string m_strActionText;
    std::string m_strNoSoftwareLogged; // the last "No Software Found in" line logged
    QSize m_sizeExpanded;
    QSize m_sizeCollapsed;
    bool m_bSettingsSaved = false;
    CFileCheckRunner* m_pFileCheck = nullptr;
    // The idle texts that an absent port's message shows over, put back when it is back.
    std::string m_strIdleStatus;
    std::string m_strIdleAction;
    bool m_bNotConnectedShown = false;
    CCompleteUpdateDlg* m_pQuestion = nullptr; // "Complete the Update ?" while it is asked

    CIdleTicker* m_pTicker = nullptr;
    CComPortBox* m_pPortBox = nullptr;
    CSelectionLists* m_pLists = nullptr;
    CQtSerialSink m_sink;
    // Last member: destroyed first, so its listener thread has stopped before anything it
    // could post to goes away.
    std::unique_ptr<UpdateEngine> m_pEngine;
};

} // namespace vantoro
