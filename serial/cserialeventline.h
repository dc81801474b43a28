#pragma once

#include "serial/cserialline.h"

#include <atomic>
#include <thread>

namespace vantoro {

// A port with a listener thread that waits for line events and hands each wake-up that carries
// events to OnLineEvent.
class CSerialEventLine : public CSerialLine {
public:
    CSerialEventLine() = default;
    ~CSerialEventLine() override;

    // Always opens overlapped; bStartListener starts the listener thread at once.
    std::uint32_t OpenPort(const char* pszDevice, bool bStartListener) override;
    std::uint32_t ClosePort() override;

    virtual std::uint32_t BeginListening();
    // Stops the listener. A finite time-out bounds the wait for it to notice, yet the thread is
    // always joined before this returns, so it never outlives the object.
    virtual std::uint32_t EndListening(std::uint32_t nTimeout = INFINITE);
    virtual void OnLineEvent(std::uint32_t nEvents, std::uint32_t nErrors) = 0;
    // The device failed or went away while listening (not when the port is being closed).
    virtual void OnLineGone(std::uint32_t /*nError*/) {}

    // True while a listener thread is held (running, or ended by itself and not yet joined).
    bool IsListening() const { return m_listener.joinable(); }
    // True once a started listener's loop has returned (by itself or when stopped).
    bool ListenerEnded() const { return m_bListenerEnded.load(); }
    // Exit code of the listener's loop once it has ended (0 stopped, else the failing code).
    std::uint32_t ListenerExitCode() const { return m_nListenerExit.load(); }

protected:
    std::uint32_t ListenerLoop();

private:
    void StopListenerThread(std::uint32_t nTimeout);

    std::atomic<bool> m_bStopListening{false};
    std::atomic<bool> m_bListenerEnded{false};
    std::atomic<std::uint32_t> m_nListenerExit{0};
    std::thread m_listener;
};

} // namespace vantoro
