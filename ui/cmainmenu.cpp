#include "ui/cmainmenu.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace vantoro {

CMainMenu::CMainMenu(QWidget* pOwner) : QObject(pOwner), m_pBar(new QMenuBar(pOwner)) {
    m_pBar->setNativeMenuBar(false);
    QMenu* pFile = m_pBar->addMenu(QStringLiteral("&File"));
    AddItem(pFile, "&Logging", kIdLogging)->setCheckable(true);
    AddItem(pFile, "&Clear Log", kIdClearLog);
    AddItem(pFile, "Log &Options", kIdLogOptions);
    AddItem(pFile, "E&xit", kIdExit);
    QMenu* pHelp = m_pBar->addMenu(QStringLiteral("&Help"));
    // F1 is where every desktop program keeps its help.
    AddItem(pHelp, "&Contents", kIdHelpContents)->setShortcut(QKeySequence::HelpContents);
    AddItem(pHelp, "&About", kIdAbout);
}

QAction* CMainMenu::AddItem(QMenu* pMenu, const char* pszText, int nId) {
    QAction* pAction = pMenu->addAction(QString::fromLatin1(pszText));
    pAction->setData(nId);
    connect(pAction, &QAction::triggered, this, [this, nId] { emit Command(nId); });
    return pAction;
}

QAction* CMainMenu::Action(int nId) const {
    const auto menus = m_pBar->findChildren<QMenu*>();
    for (const QMenu* pMenu : menus) {
        const auto actions = pMenu->actions();
        for (QAction* pAction : actions) {
            if (pAction->data().toInt() == nId)
                return pAction;
        }
    }
    return nullptr;
}

void CMainMenu::Refresh(bool bLogEnabled, bool bLogRunning) {
    if (bLogEnabled != m_bLoggingEnabledShown || bLogRunning != m_bLoggingRunningShown) {
        QAction* pLogging = Action(kIdLogging);
        pLogging->setEnabled(bLogEnabled);
        pLogging->setChecked(bLogEnabled && bLogRunning);
        m_bLoggingEnabledShown = bLogEnabled;
        m_bLoggingRunningShown = bLogRunning;
        ++m_nItemUpdates;
    }
    if (bLogEnabled != m_bClearEnabledShown) {
        Action(kIdClearLog)->setEnabled(bLogEnabled);
        m_bClearEnabledShown = bLogEnabled;
        ++m_nItemUpdates;
    }
}

} // namespace vantoro
