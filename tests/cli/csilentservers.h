#pragma once

#include <string>
#include <vector>

namespace vantoro {

// RFC 2217 servers on 127.0.0.1 that take connections (the kernel does, on listening) and
// never say a word: a port behind one waits for its negotiation's bound.
class CSilentServers {
public:
    explicit CSilentServers(int nCount);
    ~CSilentServers();
    CSilentServers(const CSilentServers&) = delete;
    CSilentServers& operator=(const CSilentServers&) = delete;

    // "rfc2217://127.0.0.1:PORT" of each server that could be set up.
    const std::vector<std::string>& Names() const { return m_names; }

private:
    std::vector<int> m_fds;
    std::vector<std::string> m_names;
};

} // namespace vantoro
