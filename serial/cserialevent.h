#pragma once

#include <cstdint>

namespace vantoro {

// A manual-reset event: stays signalled until reset and can be waited on with a time-out. On
// Linux an eventfd, which can also be polled alongside other descriptors; on Windows an event
// object, which can be handed to the system as an OVERLAPPED's event.
class CSerialEvent {
public:
    CSerialEvent();
    ~CSerialEvent();
    CSerialEvent(const CSerialEvent&) = delete;
    CSerialEvent& operator=(const CSerialEvent&) = delete;

    bool IsValid() const;
    // The system's object: the descriptor, or the event handle.
    std::intptr_t Native() const { return m_nNative; }
    void Set();
    void Reset();
    bool IsSignalled() const;
    // True once signalled; false when nTimeout (ms, INFINITE allowed) passed first.
    bool Wait(std::uint32_t nTimeout) const;

private:
    std::intptr_t m_nNative;
};

} // namespace vantoro
