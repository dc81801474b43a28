#include "serial/cserialevent.h"

#include "serial/serialtypes.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace vantoro {

CSerialEvent::CSerialEvent() : m_nNative(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CSerialEvent::~CSerialEvent() {
    if (IsValid())
        ::close(static_cast<int>(m_nNative)); // never retried: the descriptor is gone even on EINTR
}

bool CSerialEvent::IsValid() const {
    return m_nNative >= 0;
}

void CSerialEvent::Set() {
    std::uint64_t one = 1;
    while (::write(static_cast<int>(m_nNative), &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void CSerialEvent::Reset() {
    std::uint64_t value = 0;
    while (::read(static_cast<int>(m_nNative), &value, sizeof value) < 0 && errno == EINTR) {
    }
}

bool CSerialEvent::IsSignalled() const {
    return Wait(0);
}

bool CSerialEvent::Wait(std::uint32_t nTimeout) const {
    if (!IsValid())
        return false;
    pollfd pfd{static_cast<int>(m_nNative), POLLIN, 0};
    int timeout =
        nTimeout == INFINITE ? -1 : static_cast<int>(std::min<std::uint32_t>(nTimeout, 0x7FFFFFFF));
    for (;;) {
        int n = ::poll(&pfd, 1, timeout);
        if (n >= 0)
            return n > 0 && (pfd.revents & POLLIN);
        if (errno != EINTR)
            return false;
    }
}

} // namespace vantoro
