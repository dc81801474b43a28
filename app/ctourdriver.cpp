#include "app/ctourdriver.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QThread>
#include <csignal>

#include "ui/clogedit.h"
#include "ui/cmaincontrols.h"
#include "ui/cmaindlg.h"

namespace vantoro {

CTourDriver::CTourDriver(CMainDlg& dlg, pid_t nSimPid, QString strShotDir)
    : m_dlg(dlg), m_nSimPid(nSimPid), m_strShotDir(std::move(strShotDir)) {}

bool CTourDriver::WaitFor(const std::function<bool()>& pred, int nMillis, const char* pszStage) {
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > nMillis) {
            m_strFailure = QStringLiteral("gave up waiting for: %1").arg(QLatin1String(pszStage));
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    QCoreApplication::processEvents();
    return true;
}

void CTourDriver::Shoot(const QString& strName) {
    QCoreApplication::processEvents();
    const QString strPath = QDir(m_strShotDir).filePath(strName + QStringLiteral(".png"));
    if (m_dlg.grab().save(strPath))
        m_shots << strPath;
}

bool CTourDriver::Press(const char* pszStage, bool bStart) {
    QPushButton* pButton = bStart ? m_dlg.Controls().pStart : m_dlg.Controls().pCancel;
    if (!WaitFor([pButton] { return pButton->isEnabled(); }, 5000, pszStage))
        return false;
    pButton->click();
    return true;
}

bool CTourDriver::Run() {
    QDir().mkpath(m_strShotDir);
    const CMainControls& c = m_dlg.Controls();
    m_dlg.show();
    if (!WaitFor([this] { return m_dlg.isVisible(); }, 5000, "the window"))
        return false;
    Shoot(QStringLiteral("1-ready"));
    if (!Press("Start", true))
        return false;
    Shoot(QStringLiteral("2-started"));
    if (!Press("Update", true))
        return false;
    Shoot(QStringLiteral("3-waiting-for-equipment"));
    if (m_nSimPid > 0)
        ::kill(m_nSimPid, SIGUSR1);
    // Mid-update: once the remaining-time estimate shows, or at two thirds for short files.
    auto midway = [&] {
        const UpdateState state = m_dlg.GetUpdateState();
        if (state == WaitDonePress || state == ActionFail || state == Idle)
            return true;
        UpdateEngine& engine = m_dlg.Engine();
        return c.pAction->text().contains(QStringLiteral("Complete in")) ||
               (engine.GetRecordsTotal() > 0 &&
                engine.GetRecordsSent() * 3 >= engine.GetRecordsTotal() * 2);
    };
    if (!WaitFor(midway, 120000, "records to flow"))
        return false;
    if (m_dlg.GetUpdateState() == WaitReply)
        Shoot(QStringLiteral("4-updating"));
    if (!WaitFor([this] { return m_dlg.GetUpdateState() != WaitReply; }, 300000, "the end"))
        return false;
    if (m_dlg.GetUpdateState() != WaitDonePress) {
        Shoot(QStringLiteral("5-failed"));
        m_strFailure = QStringLiteral("the update failed: %1").arg(c.pStatus->text());
        return false;
    }
    Shoot(QStringLiteral("5-complete"));
    if (!Press("Done", true))
        return false;
    Shoot(QStringLiteral("6-done"));
    return true;
}

void CTourDriver::ShootDialog(QWidget& dialog, const QString& strName) {
    QDir().mkpath(m_strShotDir);
    dialog.show();
    QCoreApplication::processEvents();
    const QString strPath = QDir(m_strShotDir).filePath(strName + QStringLiteral(".png"));
    if (dialog.grab().save(strPath))
        m_shots << strPath;
    dialog.close();
}

QStringList CTourDriver::LogLines() const {
    return m_dlg.Controls().pLogBox->Lines();
}

} // namespace vantoro
