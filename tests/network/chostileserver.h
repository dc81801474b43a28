#pragma once

#include <atomic>
#include <string>
#include <thread>

namespace vantoro {

// A TCP server on 127.0.0.1 that misbehaves toward its first client the way a broken or hostile
// serial server might. It never reads what the client sends, and stops by itself after a while
// (or when the object goes), so a client that does not give up still ends.
class CHostileServer {
public:
    enum class Behaviour {
        FloodFF,       // 0xFF without end
        FloodData,     // ordinary bytes without end
        CommandFlood,  // telnet DO/WILL requests for one option after another, without end
        EndlessSubneg, // a COM-PORT-OPTION subnegotiation that never ends
        Silent,        // accepts, then says nothing
    };

    explicit CHostileServer(Behaviour behaviour, int nLifetimeMs = 15000);
    ~CHostileServer();
    CHostileServer(const CHostileServer&) = delete;
    CHostileServer& operator=(const CHostileServer&) = delete;

    // "rfc2217://127.0.0.1:N" or "socket://127.0.0.1:N"; empty when no socket could be had.
    std::string Name(bool bRfc2217) const;

private:
    void Serve(int nLifetimeMs);
    std::string NextChunk(unsigned& nCounter) const;

    Behaviour m_behaviour;
    int m_listen = -1;
    int m_nPort = 0;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};

} // namespace vantoro
