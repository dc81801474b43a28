#include "ui/cfilecheckrunner.h"

#include "update/cpreparedcodefile.h"
#include "update/iupdatewindow.h"

namespace vantoro {

CFileCheckRunner::CFileCheckRunner(IUpdateWindow& window, QObject* pParent)
    : QObject(pParent), m_window(window) {}

CFileCheckRunner::~CFileCheckRunner() {
    m_bCancel.store(true);
    if (m_thread.joinable())
        m_thread.join();
}

void CFileCheckRunner::Start(const std::string& strPath, std::string strIdleStatus,
                             std::string strIdleAction) {
    if (m_thread.joinable())
        return;
    m_strName = strPath.substr(strPath.find_last_of('/') + 1);
    m_strIdleStatus = std::move(strIdleStatus);
    m_strIdleAction = std::move(strIdleAction);
    m_window.EnableSelectionControls(false);
    m_window.EnableStart(false);
    m_window.EnableCancel(true);
    m_window.SetFocusTo(UpdateFocus::Cancel);
    m_window.SetActionText("Press Cancel to Stop the Check");
    ShowProgress(0);
    m_bCancel.store(false);
    m_pFile = std::make_unique<CPreparedCodeFile>();
    m_thread = std::thread(&CFileCheckRunner::Run, this, strPath);
}

void CFileCheckRunner::Run(std::string strPath) {
    int nShown = -1;
    const bool bCompleted =
        m_pFile->Prepare(strPath, [this, &nShown](std::uint64_t nRead, std::uint64_t nSize) {
            const int nPercent = nSize == 0 ? 100 : static_cast<int>(nRead * 100 / nSize);
            // One event per percent, not per block: the window's queue stays short.
            if (nPercent != nShown) {
                nShown = nPercent;
                QMetaObject::invokeMethod(
                    this, [this, nPercent] { ShowProgress(nPercent); }, Qt::QueuedConnection);
            }
            return !m_bCancel.load();
        });
    QMetaObject::invokeMethod(
        this, [this, bCompleted] { OnDone(bCompleted); }, Qt::QueuedConnection);
}

void CFileCheckRunner::OnDone(bool bCompleted) {
    m_thread.join(); // it has posted its last word
    m_window.EnableCancel(false);
    m_window.EnableStart(true);
    if (bCompleted && !m_bCancel.load()) {
        emit Completed();
        return;
    }
    m_pFile.reset();
    m_window.LogEvent(LogApplication, "StartUpdate: File Check Stopped");
    m_window.SetStatusText(m_strIdleStatus);
    m_window.SetActionText(m_strIdleAction);
    m_window.EnableSelectionControls(true);
    m_window.SetFocusTo(UpdateFocus::Start);
}

void CFileCheckRunner::ShowProgress(int nPercent) {
    // A progress event may still be queued behind the end.
    if (m_thread.joinable() || nPercent == 0)
        m_window.SetStatusText("Checking " + m_strName + ": " + std::to_string(nPercent) + "%");
}

} // namespace vantoro
