#pragma once

#include <QString>

namespace vantoro {

class CAnnouncer;

// What of the window's changing texts a screen reader user hears, as a sighted user sees it
// change: every step of the cycle, its end and every failure, said once when it happens. What
// changes with every record (the count sent, the time still needed, the percentage, which the
// progress bar speaks for itself) is left to be read on request, or the reader would talk
// through the whole update.
class CSpokenStatus {
public:
    explicit CSpokenStatus(CAnnouncer& announcer) : m_announcer(announcer) {}

    // The Status line now shows strText.
    void StatusShown(const QString& strText);
    // The Action line now shows strText.
    void ActionShown(const QString& strText);
    // The progress bar now shows strText on it.
    void ProgressTextShown(const QString& strText);
    // The Start button is now captioned strCaption ("&Update"); said when it changes.
    void CaptionShown(const QString& strCaption);
    // A list's choice changed to strText by a key, while the list was closed.
    void ChoiceShown(const QString& strText);
    // Both lines said again, as they are: the state the window opens in.
    void Repeat();

    // "12 Records Sent": a count that changes with every record.
    static bool IsRecordCount(const QString& strText);
    // "40 %": the percentage drawn on the bar.
    static bool IsPercentage(const QString& strText);

private:
    CAnnouncer& m_announcer;
    QString m_strStatus;
    QString m_strAction;
    QString m_strCaption;
};

} // namespace vantoro
