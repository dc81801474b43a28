#include "serial/cfiledescriptor.h"

#include <unistd.h>

namespace vantoro {

CFileDescriptor& CFileDescriptor::operator=(CFileDescriptor&& other) noexcept {
    if (this != &other)
        Reset(other.Release());
    return *this;
}

int CFileDescriptor::Release() {
    int fd = m_fd;
    m_fd = -1;
    return fd;
}

void CFileDescriptor::Reset(int fd) {
    if (m_fd >= 0)
        ::close(m_fd); // never retried: Linux releases the descriptor even on EINTR
    m_fd = fd;
}

} // namespace vantoro
