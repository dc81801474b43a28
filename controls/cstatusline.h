#pragma once

#include <QLabel>

namespace vantoro {

// A line of finished text that reports on the work in progress (the Status and Action lines).
// Its accessible name is its caption; its text is what it says now, and every change of that
// text is announced to whoever reads the window through the accessibility interface.
class CStatusLine : public QLabel {
    Q_OBJECT
public:
    CStatusLine(const QString& strCaption, const QString& strText, QWidget* pParent = nullptr);

    // Shows strText as it is ("&", "%" and "<" included) and announces it when it changed.
    void SetLine(const QString& strText);
};

} // namespace vantoro
