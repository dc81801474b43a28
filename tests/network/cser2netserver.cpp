#include "cser2netserver.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <spawn.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace vantoro {

CSer2NetServer::CSer2NetServer(std::string strFolder) : m_strFolder(std::move(strFolder)) {}

CSer2NetServer::~CSer2NetServer() {
    Kill();
}

std::string CSer2NetServer::Add(const std::string& strDevice, bool bRfc2217, int nBaud) {
    // The kernel may hand the same free port out again once its probe socket is closed, so a
    // port already given to this server is asked for again rather than configured twice.
    int nTcpPort = FreeLoopbackPort();
    for (int nTry = 0; nTry < 100 && IsTaken(nTcpPort); ++nTry)
        nTcpPort = FreeLoopbackPort();
    Port port{strDevice, bRfc2217, nBaud, nTcpPort};
    m_ports.push_back(port);
    return std::string(bRfc2217 ? "rfc2217" : "socket") +
           "://127.0.0.1:" + std::to_string(port.nTcpPort);
}

bool CSer2NetServer::IsTaken(int nTcpPort) const {
    for (const Port& port : m_ports)
        if (port.nTcpPort == nTcpPort)
            return true;
    return false;
}

bool CSer2NetServer::Start(std::string& strWhy) {
    const std::string strConfig = m_strFolder + "/ser2net.yaml";
    std::ofstream config(strConfig, std::ios::trunc);
    int n = 0;
    for (const Port& port : m_ports) {
        // Sent at once: a reply of one byte must not wait for more to gather.
        config << "connection: &port" << n++ << "\n"
               << "  accepter: " << (port.bRfc2217 ? "telnet(rfc2217)," : "") << "tcp,127.0.0.1,"
               << port.nTcpPort << "\n"
               << "  connector: serialdev," << port.strDevice << "," << port.nBaud << "n81,local\n"
               << "  options:\n    chardelay: false\n";
    }
    config.close();
    const std::string strLog = m_strFolder + "/ser2net.log";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, strLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<std::string> args = {"ser2net", "-n", "-d", "-c", strConfig};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int rc = ::posix_spawnp(&m_pid, "ser2net", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        m_pid = -1;
        strWhy = "ser2net could not be started (is it installed?)";
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (const Port& port : m_ports) {
        while (!IsListening(port.nTcpPort)) {
            if (std::chrono::steady_clock::now() > deadline || ::waitpid(m_pid, nullptr, WNOHANG)) {
                strWhy = "ser2net did not listen on port " + std::to_string(port.nTcpPort) +
                         " within 10 seconds: " + Log();
                Kill();
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    return true;
}

void CSer2NetServer::Kill() {
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGKILL);
    while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
}

std::string CSer2NetServer::Log() const {
    std::ifstream file(m_strFolder + "/ser2net.log");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

int FreeLoopbackPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof address;
    int port = -1;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &len) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

bool IsListening(int nTcpPort) {
    std::ifstream table("/proc/net/tcp");
    std::string line;
    char wanted[16];
    std::snprintf(wanted, sizeof wanted, ":%04X", nTcpPort);
    std::getline(table, line); // heading
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (state == "0A" && local.size() > 5 && local.substr(local.size() - 5) == wanted)
            return true;
    }
    return false;
}

} // namespace vantoro
