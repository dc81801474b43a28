#include "serial/cserialeventline.h"

#include <system_error>

namespace vantoro {

CSerialEventLine::~CSerialEventLine() {
    if (m_listener.joinable()) {
        CSerialEventLine::EndListening(INFINITE);
        CSerialLine::ClosePort();
    }
}

std::uint32_t CSerialEventLine::OpenPort(const char* pszDevice, bool bStartListener) {
    // The listener waits while the user-interface thread transfers, so the port is overlapped.
    if (std::uint32_t code = CSerialLine::OpenPort(pszDevice, true))
        return code;
    if (bStartListener) {
        if (std::uint32_t code = BeginListening())
            return code;
    }
    return GetLastError();
}

std::uint32_t CSerialEventLine::ClosePort() {
    EndListening(INFINITE);
    return CSerialLine::ClosePort();
}

std::uint32_t CSerialEventLine::BeginListening() {
    if (m_listener.joinable())
        return Store(0); // never a second thread, also when the first has ended by itself
    m_bStopListening.store(false);
    m_bListenerEnded.store(false);
    m_nListenerExit.store(0);
    try {
        m_listener = std::thread([this] {
            m_nListenerExit.store(ListenerLoop());
            m_bListenerEnded.store(true);
        });
    } catch (const std::system_error& error) {
        return Store(static_cast<std::uint32_t>(error.code().value()));
    }
    return Store(0);
}

std::uint32_t CSerialEventLine::EndListening(std::uint32_t nTimeout) {
    // The thread is woken at once below and always joined: a thread left running would use the
    // object after it is gone, so a finite time-out does not shorten the wait.
    (void)nTimeout;
    if (m_listener.joinable() && m_listener.get_id() == std::this_thread::get_id()) {
        // Called from a notification handler: the loop ends after the handler returns, and the
        // thread is joined by the next close from another thread.
        m_bStopListening.store(true);
        return Store(0);
    }
    if (m_listener.joinable()) {
        m_bStopListening.store(true);
        if (SetEventMask(QueryEventMask()) != 0)
            WakeEventWait();
        m_listener.join();
        m_bStopListening.store(false);
    }
    return Store(0);
}

std::uint32_t CSerialEventLine::ListenerLoop() {
    for (;;) {
        if (WaitForEvent(nullptr, INFINITE) != 0) {
            const std::uint32_t nError = GetLastError();
            // The device failed or went away: said once, at once; a close in progress is not.
            if (!m_bStopListening.load())
                OnLineGone(nError);
            return nError;
        }
        if (m_bStopListening.load())
            return 0;
        std::uint32_t events = TakeEvents();
        std::uint32_t errors = 0;
        ClearLineErrors(&errors);
        if (events != 0)
            OnLineEvent(events, errors);
        if (m_bStopListening.load())
            return 0;
    }
}

} // namespace vantoro
