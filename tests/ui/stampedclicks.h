#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>

namespace vantoro::test {

// Presses and releases pButton at nTime (ms), as the display server stamps a click; bDouble
// makes it the second click of a double-click, as Qt delivers one.
inline void ClickAt(QPushButton* pButton, quint64 nTime, bool bDouble = false) {
    const QPoint centre = pButton->rect().center();
    const auto send = [&](QEvent::Type type, quint64 nAt) {
        QMouseEvent event(type, centre, pButton->mapToGlobal(centre), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        event.setTimestamp(nAt);
        QApplication::sendEvent(pButton, &event);
    };
    send(QEvent::MouseButtonPress, nTime);
    if (bDouble)
        send(QEvent::MouseButtonDblClick, nTime);
    send(QEvent::MouseButtonRelease, nTime + 20);
}

} // namespace vantoro::test
