#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <sys/types.h>

class QWidget;

namespace vantoro {

class CMainDlg;

// Walks the main window through one update without a user, for demonstrations on machines
// without a display: presses Start and Update, switches the simulated equipment on, waits for
// the end, presses Done, and saves a picture of the window at every stage.
class CTourDriver {
public:
    // nSimPid: the simulator process, switched on with SIGUSR1; strShotDir: where the pictures
    // go (created when missing).
    CTourDriver(CMainDlg& dlg, pid_t nSimPid, QString strShotDir);

    // True when every stage was reached; the log box's lines are available either way.
    bool Run();
    QStringList LogLines() const;
    // A picture of one of the program's dialogs, shown without blocking and closed again.
    void ShootDialog(QWidget& dialog, const QString& strName);
    QStringList SavedShots() const { return m_shots; }
    QString Failure() const { return m_strFailure; }

private:
    bool WaitFor(const std::function<bool()>& pred, int nMillis, const char* pszStage);
    void Shoot(const QString& strName);
    bool Press(const char* pszStage, bool bStart);

    CMainDlg& m_dlg;
    pid_t m_nSimPid;
    QString m_strShotDir;
    QStringList m_shots;
    QString m_strFailure;
};

} // namespace vantoro
