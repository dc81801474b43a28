// The peak memory of one vantoro-cli update against a server that floods 0xFF while the
// connection is set up: what a hostile or broken server can make the program hold. Printed as
// "name: value" lines.
#include "chostileserver.h"
#include "clispawn.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

using namespace vantoro;

namespace {

// Peak resident kilobytes of one run; -1 when it could not be started or had to be killed.
long PeakRssOfOneRun(const std::string& strDir, const std::string& strPort, double& dSeconds) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = SpawnCliUpdate(VANTORO_CLI_PATH, strDir, {"--port", strPort});
    if (pid < 0)
        return -1;
    int nStatus = 0;
    rusage usage{};
    // The run must end by itself; one that does not within a minute is a finding, not a wait.
    for (int i = 0; i < 600; ++i) {
        if (::wait4(pid, &nStatus, WNOHANG, &usage) == pid) {
            dSeconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            return usage.ru_maxrss;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ::kill(pid, SIGKILL);
    ::wait4(pid, &nStatus, 0, &usage);
    std::fprintf(stderr, "bench_netflood: vantoro-cli did not end within 60 s (peak %ld kB)\n",
                 usage.ru_maxrss);
    return -1;
}

} // namespace

int main() {
    std::signal(SIGPIPE, SIG_IGN);
    char szTemplate[] = "/tmp/vantoro-bench-netflood-XXXXXX";
    const std::string strDir = ::mkdtemp(szTemplate);
    std::ofstream(strDir + "/vantoro.INI") << "[APP]\n";
    std::ofstream(strDir + "/st24v100.s19") << "S00600004844521B\nS1050000AABB95\nS9030000FC\n";
    long nPeak = 0;
    double dSeconds = 0;
    {
        CHostileServer server(CHostileServer::Behaviour::FloodFF, 70000);
        nPeak = PeakRssOfOneRun(strDir, server.Name(true), dSeconds);
    }
    std::error_code error;
    std::filesystem::remove_all(strDir, error);
    if (nPeak < 0)
        return 1;
    std::printf("network_flood_setup_peak_rss_kb: %ld\n", nPeak);
    std::printf("network_flood_setup_seconds: %.3f\n", dSeconds);
    return 0;
}
