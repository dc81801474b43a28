#pragma once

#include "serial/cfiledescriptor.h"

#include <cstdint>

namespace vantoro {

// A manual-reset event over an eventfd: stays signalled until reset, can be waited on with a
// time-out and polled alongside other descriptors.
class CSerialEvent {
public:
    CSerialEvent();

    bool IsValid() const { return m_fd.IsValid(); }
    int Fd() const { return m_fd.Get(); }
    void Set();
    void Reset();
    bool IsSignalled() const;
    // True once signalled; false when nTimeout (ms, INFINITE allowed) passed first.
    bool Wait(std::uint32_t nTimeout) const;

private:
    CFileDescriptor m_fd;
};

} // namespace vantoro
