#include "csilentservers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantoro {

CSilentServers::CSilentServers(int nCount) {
    for (int i = 0; i < nCount; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            continue;
        m_fds.push_back(fd);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t nLength = sizeof address;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), nLength) == 0 &&
            ::listen(fd, 4) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &nLength) == 0)
            m_names.push_back("rfc2217://127.0.0.1:" + std::to_string(ntohs(address.sin_port)));
    }
}

CSilentServers::~CSilentServers() {
    for (const int fd : m_fds)
        ::close(fd);
}

} // namespace vantoro
