#pragma once

#include "serial/cserialevent.h"

#include <cstddef>
#include <cstdint>

namespace vantoro {

class CSerialLine;

// A caller's overlapped transfer or wait: an event that is signalled when the operation has
// completed and the byte count it moved. An operation that cannot complete at once stays pending
// here until CSerialLine::GetOverlappedResult finishes it or the port is closed.
class COverlapped {
public:
    COverlapped() = default;
    ~COverlapped();
    COverlapped(const COverlapped&) = delete;
    COverlapped& operator=(const COverlapped&) = delete;

    CSerialEvent& Event() { return m_event; }
    std::uint32_t BytesTransferred() const { return m_nBytes; }
    bool IsPending() const { return m_pending != PendingKind::None; }

private:
    friend class CSerialLine;
    enum class PendingKind { None, Read, Wait };

    CSerialEvent m_event;
    std::uint32_t m_nBytes = 0;
    std::uint32_t m_nResult = 0; // code of the completed operation
    PendingKind m_pending = PendingKind::None;
    CSerialLine* m_pLine = nullptr;
    std::uint8_t* m_pBuffer = nullptr;
    std::size_t m_nCapacity = 0;
};

} // namespace vantoro
