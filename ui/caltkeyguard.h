#pragma once

#include <QObject>

namespace vantoro {

// Keeps Alt+letter menus open while a screen reader listens to the keyboard. Qt then hands
// every key to the reader first and delivers its own copy of the key once the reader lets it
// pass; the copy of the Alt press can arrive after Alt+F has already opened the File menu, and
// an open menu closes on an Alt press. A copy that finds a menu open which was not open at the
// real press is dropped; an Alt pressed while a menu is open still closes it.
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
