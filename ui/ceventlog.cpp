#include "ui/ceventlog.h"

#include "ui/clogedit.h"

namespace vantoro {

namespace {
// Category of the log's own lines: started, stopped, cleared.
constexpr int kLogApplication = 0x01;
} // namespace

CEventLog::CEventLog(CLogEdit* pBox) : m_pBox(pBox), m_clock([] { return std::time(nullptr); }) {}

void CEventLog::LogEvent(int nCategory, const QString& strText) {
    if (!m_bLogEnabled || !m_bLogRunning)
        return;
    if ((m_nLogFlags & nCategory) == 0)
        return;
    if (m_pBox)
        m_pBox->AppendLine(FormatStamp(m_clock()) + strText);
}

void CEventLog::SetLogging(bool bOn) {
    m_bLogEnabled = bOn;
    m_bLogRunning = bOn;
}

void CEventLog::ToggleRunning() {
    if (m_bLogRunning) {
        // Written while still running, so it is the last line before the pause.
        LogEvent(kLogApplication, QStringLiteral("Logging Stopped"));
        m_bLogRunning = false;
    } else {
        m_bLogRunning = true;
        LogEvent(kLogApplication, QStringLiteral("Logging Started"));
    }
}

void CEventLog::Clear() {
    if (m_pBox)
        m_pBox->Clear();
    LogEvent(kLogApplication, QStringLiteral("Log Cleared"));
}

QString CEventLog::FormatStamp(std::time_t when) {
    std::tm local{};
    if (when == static_cast<std::time_t>(-1) || localtime_r(&when, &local) == nullptr)
        return QString();
    char szStamp[32];
    const std::size_t nLength = std::strftime(szStamp, sizeof szStamp, "%H:%M:%S  ", &local);
    return QString::fromLatin1(szStamp, static_cast<qsizetype>(nLength));
}

} // namespace vantoro
