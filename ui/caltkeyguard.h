#pragma once

#include <QObject>

namespace vantoro {

// Keeps Alt+letter keys doing what they say while a screen reader listens to the keyboard. Qt
// then hands every key to the reader first and delivers its own copy of the key once the reader
// lets it pass. The copy of the Alt press arrives after Alt+F has opened the File menu, which
// closes on an Alt press, or after Alt+S has pressed Start, when the menu bar takes it for a
// tap of Alt of its own and takes the keyboard. The real press has already told the menu bar,
// so the copy is dropped; only an Alt pressed while a menu is open still closes that menu.
class CAltKeyGuard : public QObject {
    Q_OBJECT
public:
    // Watches every key of the application while pParent lives.
    explicit CAltKeyGuard(QObject* pParent);
    ~CAltKeyGuard() override;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    bool m_bMenuOpenAtPress = false; // at the last Alt press the display server reported
};

} // namespace vantoro
