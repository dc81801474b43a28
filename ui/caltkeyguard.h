#pragma once

#include <QObject>

namespace vantoro {

// Keeps Alt+letter menus open while a screen reader listens to the keyboard. Qt then hands
// every key to the reader first and delivers its own copy once the reader lets it pass; the
// copy of the Alt press can arrive after Alt+F has already opened the File menu, and the menu
// bar takes it for a fresh tap of Alt, whose release closes the menu again. One Alt held down
// is one press: a second announcement of it before its release goes no further.
class CAltKeyGuard : public QObject {
    Q_OBJECT
public:
    // Watches every key of the application while pParent lives.
    explicit CAltKeyGuard(QObject* pParent);
    ~CAltKeyGuard() override;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    bool m_bAltDown = false;
};

} // namespace vantoro
