#pragma once

#include <QEvent>
#include <cstdint>
#include <mutex>

#include "serial/iserialmessagesink.h"

class QObject;

namespace vantoro {

// A serial notification carried across threads as a Qt event: the message number and its two
// parameters, exactly as the listener gave them.
class CSerialMessageEvent : public QEvent {
public:
    CSerialMessageEvent(std::uint32_t nMessage, std::uintptr_t wParam, std::intptr_t lParam);

    // The event type, registered once per process.
    static QEvent::Type EventType();

    std::uint32_t Message() const { return m_nMessage; }
    std::uintptr_t WParam() const { return m_wParam; }
    std::intptr_t LParam() const { return m_lParam; }

private:
    std::uint32_t m_nMessage;
    std::uintptr_t m_wParam;
    std::intptr_t m_lParam;
};

// The listener thread's sink on the Qt side: every notification becomes a posted event for
// the receiver, handled later on the UI thread.
class CQtSerialSink : public ISerialMessageSink {
public:
    explicit CQtSerialSink(QObject* pReceiver);
    ~CQtSerialSink() override;

    void PostSerialMessage(std::uint32_t nMessage, std::uintptr_t wParam,
                           std::intptr_t lParam) override;

    // Stops delivery; later notifications are dropped (the receiver is going away).
    void Detach();

private:
    std::mutex m_mutex;
    QObject* m_pReceiver;
};

} // namespace vantoro
