#include "ui/cqtserialsink.h"

#include <QCoreApplication>

namespace vantoro {

CSerialMessageEvent::CSerialMessageEvent(std::uint32_t nMessage, std::uintptr_t wParam,
                                         std::intptr_t lParam)
    : QEvent(EventType()), m_nMessage(nMessage), m_wParam(wParam), m_lParam(lParam) {}

QEvent::Type CSerialMessageEvent::EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

CQtSerialSink::CQtSerialSink(QObject* pReceiver) : m_pReceiver(pReceiver) {
    // Registered here, on the UI thread, before any listener thread can ask for it.
    CSerialMessageEvent::EventType();
}

CQtSerialSink::~CQtSerialSink() {
    Detach();
}

void CQtSerialSink::PostSerialMessage(std::uint32_t nMessage, std::uintptr_t wParam,
                                      std::intptr_t lParam) {
    // postEvent is thread-safe; the lock only keeps the receiver from vanishing mid-post.
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pReceiver)
        QCoreApplication::postEvent(m_pReceiver, new CSerialMessageEvent(nMessage, wParam, lParam));
}

void CQtSerialSink::Detach() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pReceiver = nullptr;
}

} // namespace vantoro
