#pragma once

#include <QLabel>

class QTimer;

namespace vantoro {

// A line of finished text that reports on the work in progress (the Status and Action lines).
// Its accessible name is its caption; its text is what it says now, and changes of that text
// are reported to whoever reads the window through the accessibility interface, at most a few
// times a second: a line that changes with every record would otherwise flood a screen reader
// until it drops what matters (it drops events when its queue runs long).
class CStatusLine : public QLabel {
    Q_OBJECT
public:
    CStatusLine(const QString& strCaption, const QString& strText, QWidget* pParent = nullptr);

    // Shows strText as it is ("&", "%" and "<" included) at once, and reports the change: now,
    // or with the changes that follow it within kReportMs, as one change to the latest text.
    void SetLine(const QString& strText);

    static constexpr int kReportMs = 250;

private:
    void Report();

    QString m_strReported; // the text readers were last told of
    QTimer* m_pReportTimer;
};

} // namespace vantoro
