#pragma once

#include <QObject>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace vantoro {

// The main window's menu bar (File: Logging, Clear Log, Log Options, Exit; Help: Contents,
// About) and the rules that grey and check its log items from the logging state.
class CMainMenu : public QObject {
    Q_OBJECT
public:
    static constexpr int kIdExit = 32771;
    static constexpr int kIdAbout = 32772;
    static constexpr int kIdLogOptions = 32774;
    static constexpr int kIdClearLog = 32775;
    static constexpr int kIdLogging = 32776;
    static constexpr int kIdHelpContents = 57670;

    explicit CMainMenu(QWidget* pOwner);

    QMenuBar* Bar() const { return m_pBar; }
    // The item with command ID nId, or null.
    QAction* Action(int nId) const;

    // Applies the update rules; touches an item only when its inputs changed since last time.
    void Refresh(bool bLogEnabled, bool bLogRunning);
    // How many times a rule actually changed an item (the rules must stay cheap).
    int ItemUpdates() const { return m_nItemUpdates; }

signals:
    // A menu item was chosen; nId is its command ID.
    void Command(int nId);

private:
    QAction* AddItem(QMenu* pMenu, const char* pszText, int nId);

    QMenuBar* m_pBar;
    // Values the Logging rule last applied (enabled, running) and the Clear Log rule (enabled).
    bool m_bLoggingEnabledShown = true;
    bool m_bLoggingRunningShown = false;
    bool m_bClearEnabledShown = true;
    int m_nItemUpdates = 0;
};

} // namespace vantoro
