#include "chostileserver.h"

#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantoro {

CHostileServer::CHostileServer(Behaviour behaviour, int nLifetimeMs) : m_behaviour(behaviour) {
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(m_listen, 4) != 0 ||
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    m_nPort = ntohs(address.sin_port);
    m_thread = std::thread([this, nLifetimeMs] { Serve(nLifetimeMs); });
}

CHostileServer::~CHostileServer() {
    m_bStop.store(true);
    if (m_thread.joinable())
        m_thread.join();
    if (m_listen >= 0)
        ::close(m_listen);
}

std::string CHostileServer::Name(bool bRfc2217) const {
    if (m_nPort == 0)
        return {};
    return std::string(bRfc2217 ? "rfc2217" : "socket") + "://127.0.0.1:" + std::to_string(m_nPort);
}

std::string CHostileServer::NextChunk(unsigned& nCounter) const {
    std::string chunk;
    switch (m_behaviour) {
    case Behaviour::FloodFF:
        return std::string(4096, '\xFF');
    case Behaviour::FloodData:
        return std::string(4096, 'x');
    case Behaviour::CommandFlood:
        for (int i = 0; i < 512; ++i, ++nCounter) {
            const char verb = nCounter % 2 ? '\xFD' : '\xFB'; // DO, WILL
            chunk += std::string{'\xFF', verb, static_cast<char>(nCounter % 251)};
        }
        return chunk;
    case Behaviour::EndlessSubneg:
        if (nCounter++ == 0)
            chunk = "\xFF\xFA\x2C";
        return chunk + std::string(4096, 'e');
    case Behaviour::Silent:
        return {};
    }
    return {};
}

void CHostileServer::Serve(int nLifetimeMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(nLifetimeMs);
    auto running = [&] { return !m_bStop.load() && std::chrono::steady_clock::now() < end; };
    int client = -1;
    while (client < 0 && running()) {
        pollfd pfd{m_listen, POLLIN, 0};
        if (::poll(&pfd, 1, 20) > 0)
            client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
    }
    unsigned nCounter = 0;
    while (client >= 0 && running()) {
        const std::string chunk = NextChunk(nCounter);
        if (chunk.empty()) {
            ::usleep(20000);
            continue;
        }
        pollfd pfd{client, POLLOUT, 0};
        if (::poll(&pfd, 1, 20) <= 0)
            continue; // the client reads no more just now
        if (::send(client, chunk.data(), chunk.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0 &&
            errno != EAGAIN && errno != EINTR)
            break; // the client has gone
    }
    if (client >= 0)
        ::close(client);
}

} // namespace vantoro
