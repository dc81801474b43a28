// vantoro-cli against simulated units, printed as "name: value" lines measured side by side:
// 16 units paced at 57600 baud against one, the program's CPU time per unit, and one unit with
// an instant simulator against the minimal lock-step loop (and the window's engine beside it),
// and the resident memory of a --repeat run as the units go by.
#include "clispawn.h"
#include "lockstep.h"
#include "updaterig.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace vantoro;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A folder with a settings file, a code file and nUnits simulated units linked as COM 5 on.
class CCliBench {
public:
    CCliBench(int nUnits, SimOptions options, const std::string& strFile) {
        char szTemplate[] = "/tmp/vantoro-bench-cli-XXXXXX";
        m_strDir = ::mkdtemp(szTemplate);
        std::filesystem::create_directories(m_strDir + "/dosdevices");
        std::ofstream(m_strDir + "/vantoro.INI") << "[APP]\n";
        std::ofstream(m_strDir + "/st24v100.s19", std::ios::binary) << strFile;
        options.strLinkFolder = m_strDir + "/dosdevices";
        for (int i = 0; i < nUnits; ++i) {
            options.nLinkCom = 5 + i;
            auto pSim = std::make_unique<CTargetSimulator>(options);
            std::string strError;
            if (!pSim->Open(strError)) {
                std::fprintf(stderr, "bench_cli: %s\n", strError.c_str());
                std::exit(1);
            }
            m_threads.emplace_back([p = pSim.get()] { p->Run(); });
            m_sims.push_back(std::move(pSim));
        }
    }
    ~CCliBench() {
        for (auto& pSim : m_sims)
            pSim->Stop();
        for (std::thread& thread : m_threads)
            thread.join();
        std::error_code error;
        std::filesystem::remove_all(m_strDir, error);
    }

    CTargetSimulator& Sim(int i) { return *m_sims[static_cast<std::size_t>(i)]; }

    // Starts vantoro-cli on every unit, its output thrown away (or to nStdout).
    pid_t Start(const std::vector<std::string>& extra = {}, int nStdout = -1) {
        std::vector<std::string> args = extra;
        for (std::size_t i = 0; i < m_sims.size(); ++i)
            args.insert(args.end(), {"--port", std::to_string(5 + i)});
        return SpawnCliUpdate(VANTORO_CLI_PATH, m_strDir, args, nStdout);
    }

    const std::string& Dir() const { return m_strDir; }

    // Waits for the program; its CPU seconds (user and system), negative unless it exited with
    // nExpectedStatus.
    static double Finish(pid_t pid, int nExpectedStatus = 0) {
        int nStatus = 0;
        rusage usage{};
        if (pid < 0 || ::wait4(pid, &nStatus, 0, &usage) != pid || !WIFEXITED(nStatus) ||
            WEXITSTATUS(nStatus) != nExpectedStatus)
            return -1.0;
        const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
        return seconds(usage.ru_utime) + seconds(usage.ru_stime);
    }

private:
    std::string m_strDir;
    std::vector<std::unique_ptr<CTargetSimulator>> m_sims;
    std::vector<std::thread> m_threads;
};

struct CRunTime {
    double dWall = -1.0;
    double dCpu = -1.0;
};

// nUnits paced units, each switched on as the program opens its port: program start to end.
CRunTime TimePacedRun(int nUnits, const std::string& strFile) {
    SimOptions options;
    options.nBaud = 57600;
    options.nPowerOnWhenOpenedMs = 100;
    CCliBench bench(nUnits, options, strFile);
    const Clock::time_point start = Clock::now();
    const pid_t pid = bench.Start();
    CRunTime run;
    run.dCpu = CCliBench::Finish(pid);
    run.dWall = run.dCpu < 0 ? -1.0 : SecondsSince(start);
    return run;
}

// One unit on an instant simulator, from power-on to the equipment's '+', as the lock-step loop
// is timed.
double TimeCliUpdate(const std::string& strFile, int nRecords) {
    SimOptions options;
    options.nPowerOnWhenOpenedMs = 100; // only once the program listens
    CCliBench bench(1, options, strFile);
    CTargetSimulator& sim = bench.Sim(0);
    const pid_t pid = bench.Start();
    const Clock::time_point launched = Clock::now();
    while (sim.GetPowerOnCount() == 0 && SecondsSince(launched) < 60)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // The last record's arrival ends the clock; the equipment's state does not, as it reads
    // "off" again as soon as the program has closed the line.
    const Clock::time_point start = Clock::now();
    while (sim.GetRecordsReceived() < nRecords && SecondsSince(start) < 600)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const double dSeconds = SecondsSince(start);
    return CCliBench::Finish(pid) < 0 ? -1.0 : dSeconds;
}

std::size_t LineCount(const std::string& strPath) {
    std::ifstream in(strPath);
    std::size_t nLines = 0;
    for (std::string strLine; std::getline(in, strLine);)
        ++nLines;
    return nLines;
}

long ResidentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string strLine; std::getline(status, strLine);) {
        if (strLine.rfind("VmRSS:", 0) == 0)
            return std::stol(strLine.substr(6));
    }
    return -1;
}

// 16 paced units until the last one's report line, standard output into a pipe that nobody
// reads for the whole run, or thrown away; negative when they did not all complete.
double TimeUnitsWithOutput(bool bStalled, const std::string& strFile) {
    SimOptions options;
    options.nBaud = 57600;
    options.nPowerOnWhenOpenedMs = 100;
    CCliBench bench(16, options, strFile);
    int fds[2] = {-1, -1};
    if (bStalled && ::pipe2(fds, O_CLOEXEC) != 0)
        return -1.0;
    if (bStalled)
        ::fcntl(fds[1], F_SETPIPE_SZ, 4096); // full within the first units' lines
    const std::string strReport = bench.Dir() + "/report.csv";
    const Clock::time_point start = Clock::now();
    const pid_t pid = bench.Start({"--report", strReport}, fds[1]);
    if (bStalled)
        ::close(fds[1]);
    while (LineCount(strReport) < 17 && SecondsSince(start) < 120)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const double dSeconds = SecondsSince(start);
    // Read at last: the summary was waiting for it.
    std::thread drain([&] {
        char buffer[4096];
        while (bStalled && ::read(fds[0], buffer, sizeof buffer) > 0) {
        }
    });
    const bool bEnded = CCliBench::Finish(pid) >= 0;
    drain.join();
    if (bStalled)
        ::close(fds[0]);
    return bEnded && LineCount(strReport) == 17 ? dSeconds : -1.0;
}

// The program's resident memory after 10 and after 60 units on one port with --repeat: what a
// bench run holds must not grow with the units it has done.
bool MeasureRepeatMemory(long& nAfter10, long& nAfter60) {
    SimOptions options;
    options.nPowerOnWhenOpenedMs = 100;
    CCliBench bench(1, options, MakeSRecordFile(49, 16));
    const std::string strReport = bench.Dir() + "/report.csv";
    const pid_t pid = bench.Start({"--repeat", "--report", strReport});
    const Clock::time_point start = Clock::now();
    const auto waitForUnits = [&](std::size_t nUnits) {
        while (LineCount(strReport) < nUnits + 1 && SecondsSince(start) < 120)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return LineCount(strReport) >= nUnits + 1;
    };
    const bool bTen = waitForUnits(10);
    nAfter10 = ResidentKb(pid);
    const bool bSixty = bTen && waitForUnits(60);
    nAfter60 = ResidentKb(pid);
    ::kill(pid, SIGINT);
    return CCliBench::Finish(pid, 130) >= 0 && bSixty;
}

} // namespace

int main() {
    std::signal(SIGPIPE, SIG_IGN);
    const int nRecords = 4000;
    const std::string strFile = MakeSRecordFile(nRecords - 1, 16);
    // Best of three, in turns, so the three see the same machine load.
    double dCli = 1e9, dEngine = 1e9, dLockStep = 1e9;
    for (int i = 0; i < 3; ++i) {
        dCli = std::min(dCli, TimeCliUpdate(strFile, nRecords));
        dEngine = std::min(dEngine, TimeEngineUpdate(SimOptions{}, strFile));
        dLockStep = std::min(dLockStep, TimeLockStep(strFile));
    }
    if (dCli <= 0 || dEngine <= 0 || dLockStep <= 0) {
        std::fprintf(stderr, "bench_cli: an update did not complete\n");
        return 1;
    }
    std::printf("cli_update_seconds: %.3f\n", dCli);
    std::printf("cli_window_engine_vs_lockstep_ratio: %.3f\n", dLockStep / dEngine);
    std::printf("cli_update_vs_lockstep_ratio: %.3f\n", dLockStep / dCli);

    // Paced: 300 records of 16 bytes take about 2.3 s of line time per unit.
    const std::string strPaced = MakeSRecordFile(299, 16);
    CRunTime one, sixteen;
    for (int i = 0; i < 2; ++i) {
        const CRunTime a = TimePacedRun(1, strPaced);
        const CRunTime b = TimePacedRun(16, strPaced);
        if (a.dWall < 0 || b.dWall < 0) {
            std::fprintf(stderr, "bench_cli: a paced run did not complete\n");
            return 1;
        }
        if (one.dWall < 0 || a.dWall < one.dWall)
            one = a;
        if (sixteen.dWall < 0 || b.dWall < sixteen.dWall)
            sixteen = b;
    }
    std::printf("cli_paced_1_unit_seconds: %.3f\n", one.dWall);
    std::printf("cli_paced_16_units_seconds: %.3f\n", sixteen.dWall);
    std::printf("cli_parallel_16_vs_1_ratio: %.3f\n", sixteen.dWall / one.dWall);
    std::printf("cli_cpu_seconds_per_unit_paced: %.4f\n", sixteen.dCpu / 16.0);

    // Best of four in turns, each first half of the time: the pair sees the same machine load.
    double dFree = 1e9, dStalled = 1e9;
    for (int i = 0; i < 4; ++i) {
        const bool bStalledFirst = i % 2 == 1;
        const double x = TimeUnitsWithOutput(bStalledFirst, strPaced);
        const double y = TimeUnitsWithOutput(!bStalledFirst, strPaced);
        const double a = bStalledFirst ? y : x;
        const double b = bStalledFirst ? x : y;
        if (a < 0 || b < 0) {
            std::fprintf(stderr, "bench_cli: a run with its output stalled did not complete\n");
            return 1;
        }
        dFree = std::min(dFree, a);
        dStalled = std::min(dStalled, b);
    }
    std::printf("cli_16_units_stalled_stdout_vs_free_ratio: %.3f\n", dStalled / dFree);

    long nAfter10 = 0, nAfter60 = 0;
    if (!MeasureRepeatMemory(nAfter10, nAfter60)) {
        std::fprintf(stderr, "bench_cli: the repeated run did not reach 60 units\n");
        return 1;
    }
    std::printf("cli_repeat_rss_kb_after_10_units: %ld\n", nAfter10);
    std::printf("cli_repeat_rss_kb_after_60_units: %ld\n", nAfter60);
    return 0;
}
