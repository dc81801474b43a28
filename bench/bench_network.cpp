// Units through ser2net on loopback, timed side by side with the same units on their own
// pseudo-terminals: what the network path adds to a paced update, and whether 16 units through
// one server still run side by side. Printed as "name: value" lines.
#include "clispawn.h"
#include "cser2netserver.h"
#include "csilentservers.h"
#include "updaterig.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

using namespace vantoro;

namespace {

using Clock = std::chrono::steady_clock;

// A folder with a settings file, a code file and nUnits paced units (57600 baud), each switched
// on as its line is opened; through ser2net or on their own pseudo-terminals.
class CNetworkBench {
public:
    CNetworkBench(int nUnits, bool bThroughServer, const std::string& strFile) {
        char szTemplate[] = "/tmp/vantoro-bench-network-XXXXXX";
        m_strDir = ::mkdtemp(szTemplate);
        std::ofstream(m_strDir + "/vantoro.INI") << "[APP]\n";
        std::ofstream(m_strDir + "/st24v100.s19", std::ios::binary) << strFile;
        m_pServer = std::make_unique<CSer2NetServer>(m_strDir);
        SimOptions options;
        options.nBaud = 57600;
        options.nPowerOnWhenOpenedMs = 100;
        for (int i = 0; i < nUnits; ++i) {
            auto pSim = std::make_unique<CTargetSimulator>(options);
            std::string strError;
            if (!pSim->Open(strError)) {
                std::fprintf(stderr, "bench_network: %s\n", strError.c_str());
                std::exit(1);
            }
            m_ports.push_back(bThroughServer ? m_pServer->Add(pSim->GetDevicePath(), true)
                                             : pSim->GetDevicePath());
            m_threads.emplace_back([p = pSim.get()] { p->Run(); });
            m_sims.push_back(std::move(pSim));
        }
        std::string strWhy;
        if (bThroughServer && !m_pServer->Start(strWhy)) {
            std::fprintf(stderr, "bench_network: %s\n", strWhy.c_str());
            std::exit(1);
        }
    }
    ~CNetworkBench() {
        m_pServer.reset();
        for (auto& pSim : m_sims)
            pSim->Stop();
        for (std::thread& thread : m_threads)
            thread.join();
        std::error_code error;
        std::filesystem::remove_all(m_strDir, error);
    }

    // vantoro-cli on every unit, start to end; negative unless every unit completed.
    double TimeUpdate() {
        std::vector<std::string> args;
        for (const std::string& strPort : m_ports)
            args.insert(args.end(), {"--port", strPort});
        const Clock::time_point start = Clock::now();
        const pid_t pid = SpawnCliUpdate(VANTORO_CLI_PATH, m_strDir, args);
        int nStatus = -1;
        if (pid < 0 || ::waitpid(pid, &nStatus, 0) != pid || !WIFEXITED(nStatus) ||
            WEXITSTATUS(nStatus) != 0)
            return -1.0;
        return std::chrono::duration<double>(Clock::now() - start).count();
    }

    // vantoro-cli on every unit and the extra ports, until every unit has its report line;
    // then Ctrl-C for the extra ports still waiting. Negative when a unit did not complete.
    double TimeUntilReported(const std::vector<std::string>& extraPorts) {
        std::filesystem::remove(m_strDir + "/report.csv");
        std::vector<std::string> args = {"--report", m_strDir + "/report.csv"};
        for (const std::string& strPort : m_ports)
            args.insert(args.end(), {"--port", strPort});
        for (const std::string& strPort : extraPorts)
            args.insert(args.end(), {"--port", strPort});
        const Clock::time_point start = Clock::now();
        const pid_t pid = SpawnCliUpdate(VANTORO_CLI_PATH, m_strDir, args);
        const auto completed = [&] {
            std::ifstream in(m_strDir + "/report.csv");
            std::size_t nCompleted = 0;
            for (std::string strLine; std::getline(in, strLine);)
                nCompleted += strLine.ends_with(",completed") ? 1 : 0;
            return nCompleted;
        };
        while (pid > 0 && completed() < m_ports.size() &&
               Clock::now() - start < std::chrono::seconds(60))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const double dSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (pid > 0) {
            ::kill(pid, SIGINT);
            ::waitpid(pid, nullptr, 0);
        }
        return completed() == m_ports.size() ? dSeconds : -1.0;
    }

private:
    std::string m_strDir;
    std::unique_ptr<CSer2NetServer> m_pServer;
    std::vector<std::unique_ptr<CTargetSimulator>> m_sims;
    std::vector<std::thread> m_threads;
    std::vector<std::string> m_ports;
};

double TimeRun(int nUnits, bool bThroughServer, const std::string& strFile) {
    CNetworkBench bench(nUnits, bThroughServer, strFile);
    return bench.TimeUpdate();
}

// One local unit, alone and beside 8 ports whose servers never answer: until its report line.
double LocalUnitDelay(const std::string& strFile) {
    double dAlone = 1e9, dBeside = 1e9;
    for (int i = 0; i < 3; ++i) {
        CSilentServers silent(8);
        if (silent.Names().size() != 8)
            return -1.0;
        CNetworkBench local(1, false, strFile);
        const double a = local.TimeUntilReported({});
        const double b = local.TimeUntilReported(silent.Names());
        if (a < 0 || b < 0)
            return -1.0;
        dAlone = std::min(dAlone, a);
        dBeside = std::min(dBeside, b);
    }
    return dBeside - dAlone;
}

} // namespace

int main() {
    std::signal(SIGPIPE, SIG_IGN);
    // 300 records of 16 bytes: about 2.3 s of line time per unit at 57600 baud.
    const std::string strFile = MakeSRecordFile(299, 16);
    double dLocal = 1e9, dNetwork = 1e9, dSixteen = 1e9;
    // Best of three, in turns, so that all three see the same machine load.
    for (int i = 0; i < 3; ++i) {
        const double a = TimeRun(1, false, strFile);
        const double b = TimeRun(1, true, strFile);
        const double c = TimeRun(16, true, strFile);
        if (a < 0 || b < 0 || c < 0) {
            std::fprintf(stderr, "bench_network: an update did not complete\n");
            return 1;
        }
        dLocal = std::min(dLocal, a);
        dNetwork = std::min(dNetwork, b);
        dSixteen = std::min(dSixteen, c);
    }
    std::printf("network_paced_1_unit_local_seconds: %.3f\n", dLocal);
    std::printf("network_paced_1_unit_seconds: %.3f\n", dNetwork);
    std::printf("network_paced_16_units_seconds: %.3f\n", dSixteen);
    std::printf("network_paced_vs_local_ratio: %.3f\n", dNetwork / dLocal);
    std::printf("network_16_vs_1_ratio: %.3f\n", dSixteen / dNetwork);
    const double dDelay = LocalUnitDelay(strFile);
    if (dDelay < -0.5) {
        std::fprintf(stderr, "bench_network: the local unit did not complete\n");
        return 1;
    }
    std::printf("network_8_silent_servers_local_unit_delay_s: %.3f\n", dDelay);
    return 0;
}
