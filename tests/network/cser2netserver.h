#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace vantoro {

// A real ser2net on loopback with a configuration of its own: one TCP port per serial device,
// RFC 2217 or raw. Killed (and reaped) when the object goes, also when a test fails half-way.
class CSer2NetServer {
public:
    explicit CSer2NetServer(std::string strFolder);
    ~CSer2NetServer();
    CSer2NetServer(const CSer2NetServer&) = delete;
    CSer2NetServer& operator=(const CSer2NetServer&) = delete;

    // A port for the device; returns its name, "rfc2217://127.0.0.1:N" or "socket://...".
    // Call before Start.
    std::string Add(const std::string& strDevice, bool bRfc2217, int nBaud = 57600);
    // Writes the configuration, starts ser2net and waits (bounded) until every port listens.
    bool Start(std::string& strWhy);
    void Kill();
    bool IsRunning() const { return m_pid > 0; }
    // What ser2net wrote to standard error, for a failing test's message.
    std::string Log() const;

private:
    bool IsTaken(int nTcpPort) const;

    struct Port {
        std::string strDevice;
        bool bRfc2217;
        int nBaud;
        int nTcpPort;
    };

    std::string m_strFolder;
    std::vector<Port> m_ports;
    pid_t m_pid = -1;
};

// A loopback TCP port nobody listens on now.
int FreeLoopbackPort();
// Whether something listens on this loopback TCP port (read from /proc/net/tcp, no connection).
bool IsListening(int nTcpPort);

} // namespace vantoro
