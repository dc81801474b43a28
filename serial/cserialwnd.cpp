#include "serial/cserialwnd.h"

namespace vantoro {

CSerialWnd::~CSerialWnd() {
    if (IsListening()) {
        ForgetWindow();
        CSerialEventLine::ClosePort();
    }
}

void CSerialWnd::ForgetWindow() {
    m_pWindow.store(nullptr);
    m_nMessage.store(0);
}

std::uint32_t CSerialWnd::ClosePort() {
    ForgetWindow();
    return CSerialEventLine::ClosePort();
}

void CSerialWnd::OnLineEvent(std::uint32_t nEvents, std::uint32_t nErrors) {
    // Message first: ForgetWindow clears the window first, so a close in progress is seen as
    // either a null window or message 0, never as half of each.
    std::uint32_t message = m_nMessage.load();
    ISerialMessageSink* window = m_pWindow.load();
    if (!window || message == 0)
        return;
    std::uintptr_t wParam = ((nErrors & 0xFFFFu) << 16) | (nEvents & 0xFFFFu);
    window->PostSerialMessage(message, wParam, m_nUserValue.load());
}

void CSerialWnd::OnLineGone(std::uint32_t nError) {
    const std::uint32_t message = m_nMessage.load();
    ISerialMessageSink* window = m_pWindow.load();
    if (!window || message == 0)
        return;
    const std::uintptr_t wParam = ((nError & 0xFFFFu) << 16) | kEventLineGone;
    window->PostSerialMessage(message, wParam, m_nUserValue.load());
}

std::uint32_t CSerialWnd::OpenForWindow(const char* pszDevice, ISerialMessageSink* pWindow,
                                        std::uint32_t nMessage, std::int32_t nUserValue) {
    if (std::uint32_t code = CSerialEventLine::OpenPort(pszDevice, false))
        return code;
    m_pWindow.store(pWindow);
    m_nMessage.store(nMessage != 0 ? nMessage : SerialDefaultComMessage());
    m_nUserValue.store(nUserValue);
    // Listening starts only now, so no notification can go out before window and message exist.
    if (std::uint32_t code = BeginListening()) {
        ClosePort();
        return Store(code);
    }
    return Store(0);
}

} // namespace vantoro
