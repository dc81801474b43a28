#pragma once

#include <QObject>
#include <QString>

class QAbstractButton;

namespace vantoro {

// Keeps the second click of a double-click off a button that the first click has just turned
// into another one (Start into Update, Done into Start): a person who double-clicks out of
// habit must not press a button they never read. The clicks' own time stamps, within the
// desktop's double-click interval, decide; a later click is a press as ever.
class CDoubleClickGuard : public QObject {
    Q_OBJECT
public:
    // Watches pButton for as long as the button lives.
    explicit CDoubleClickGuard(QAbstractButton* pButton);

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    QAbstractButton* m_pButton;
    QString m_strPressedCaption; // the caption when the last press went through
    quint64 m_nPressTime = 0;
    bool m_bPressTimed = false;
    bool m_bSwallowRelease = false;
};

} // namespace vantoro
