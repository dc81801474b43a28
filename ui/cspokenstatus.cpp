#include "ui/cspokenstatus.h"

#include <QRegularExpression>

#include "controls/cannouncer.h"

namespace vantoro {

namespace {

// The Action line while records go out: its first text says the sending began, later ones
// only carry the time estimate, and all of them begin alike.
const QLatin1String kSendingAction("Updating ");

QString WithoutMnemonic(QString strCaption) {
    return strCaption.remove(QRegularExpression(QStringLiteral("&(?!&)")));
}

} // namespace

bool CSpokenStatus::IsRecordCount(const QString& strText) {
    static const QRegularExpression count(QStringLiteral("^\\d+ Records Sent$"));
    return count.match(strText).hasMatch();
}

bool CSpokenStatus::IsPercentage(const QString& strText) {
    static const QRegularExpression percent(QStringLiteral("^\\d+ ?%$"));
    return percent.match(strText.trimmed()).hasMatch();
}

void CSpokenStatus::StatusShown(const QString& strText) {
    if (strText == m_strStatus)
        return;
    m_strStatus = strText;
    if (!IsRecordCount(strText))
        m_announcer.Say(strText);
}

void CSpokenStatus::ActionShown(const QString& strText) {
    if (strText == m_strAction)
        return;
    const bool bEstimate =
        strText.startsWith(kSendingAction) && m_strAction.startsWith(kSendingAction);
    m_strAction = strText;
    if (!bEstimate)
        m_announcer.Say(strText);
}

void CSpokenStatus::ProgressTextShown(const QString& strText) {
    // "Idle" comes back with the lines of the idle window, which say more.
    if (!IsPercentage(strText) && strText != QLatin1String("Idle"))
        m_announcer.Say(strText);
}

void CSpokenStatus::CaptionShown(const QString& strCaption) {
    const QString strName = WithoutMnemonic(strCaption);
    if (strName == m_strCaption)
        return;
    const bool bFirst = m_strCaption.isEmpty();
    m_strCaption = strName;
    if (!bFirst)
        m_announcer.Say(strName + QStringLiteral(" button"));
}

void CSpokenStatus::ChoiceShown(const QString& strText) {
    m_announcer.Say(strText);
}

void CSpokenStatus::Repeat() {
    m_announcer.Say(m_strStatus);
    m_announcer.Say(m_strAction);
}

} // namespace vantoro
