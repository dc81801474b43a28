#pragma once

#include <cstdint>

namespace vantoro {

// The event Winsock signals for a network port. It resets itself when a wait sees it: under Wine
// every reset is a round trip to its server, and one comes with every reply of an update.
class CSocketEvent {
public:
    CSocketEvent();
    ~CSocketEvent();
    CSocketEvent(const CSocketEvent&) = delete;
    CSocketEvent& operator=(const CSocketEvent&) = delete;

    bool IsValid() const { return m_hEvent != nullptr; }
    void* Native() const { return m_hEvent; } // the event HANDLE
    void Reset();

private:
    void* m_hEvent;
};

} // namespace vantoro
