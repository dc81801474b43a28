// Long runs and big inputs, printed as "name: value" lines: the peak memory of one update with a
// 1 MB and a 16 MB code file, the software search in a folder of 10,000 files, 200 updates with
// the equipment hanging up at a random byte, and 500 complete updates back to back with the
// process's memory, threads and descriptors at the start and the end.
//
// The peak-memory runs and the soak drive the simulated equipment as a separate process, so the
// figures are those of the program's side alone.
#include "hardrig.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace vantoro;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The simulated equipment as a process of its own, linked as COM5 in strFolder; PowerOn is the
// user's hand on the switch.
class CSimProcess {
public:
    explicit CSimProcess(const std::string& strFolder) {
        const std::string strLink = strFolder + "/com" + std::to_string(CHardRig::kPort);
        m_pid = ::fork();
        if (m_pid == 0) {
            // Its own output would mix with the figures.
            std::freopen("/dev/null", "w", stdout);
            ::execl(VANTORO_SIM_PATH, VANTORO_SIM_PATH, "--link-folder", strFolder.c_str(), "--com",
                    std::to_string(CHardRig::kPort).c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 500 && !std::filesystem::exists(strLink); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    void PowerOn() const { ::kill(m_pid, SIGUSR1); }
    ~CSimProcess() {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }

private:
    pid_t m_pid = -1;
};

// One complete update of the selected file against the external simulator; true when it ended
// in "Update Complete." and Done brought it back to Idle.
bool RunExternalUpdate(CHardRig& rig, const CSimProcess& sim, int nMillis) {
    UpdateEngine& engine = *rig.m_pEngine;
    engine.StepUpdate(StartPressed);
    engine.StepUpdate(StartPressed);
    sim.PowerOn();
    if (!rig.RunToRest(nMillis) || engine.GetState() != WaitDonePress) {
        std::fprintf(stderr, "update ended in state %d with \"%s\"\n", engine.GetState(),
                     rig.m_window.m_strStatus.c_str());
        engine.StepUpdate(CancelPressed);
        return false;
    }
    engine.StepUpdate(StartPressed);
    return engine.GetState() == Idle;
}

// The child's side of a peak-memory run: one update of an nMegabytes file, then VmHWM.
int PeakChild(int nMegabytes) {
    CHardRig rig(0, &SystemTicks());
    rig.m_window.m_bKeepHistory = false;
    // Written a block at a time, so that the only big user of memory can be the update.
    const std::string strPath = rig.Dir() + "/big.s19";
    {
        // Data records only, then one end record: the equipment answers '+' to that alone.
        std::string strBlock = MakeSRecordFile(1000);
        strBlock.erase(strBlock.rfind("S9"));
        std::ofstream file(strPath, std::ios::binary);
        for (std::size_t nSize = 0; nSize < static_cast<std::size_t>(nMegabytes) * 1024 * 1024;
             nSize += strBlock.size()) {
            file << strBlock;
        }
        file << "S9030000FC\n";
    }
    CTarget& target = rig.m_catalogue.at(0);
    target.SetVariantFile(strPath);
    target.FindSoftware();
    CSimProcess sim(rig.Dir() + "/dosdevices");
    const ProcessSample before = SampleProcess();
    const bool bOk = RunExternalUpdate(rig, sim, 600000) &&
                     rig.m_pEngine->GetRecordsSent() == rig.m_pEngine->GetRecordsTotal();
    const ProcessSample after = SampleProcess();
    std::printf("%d %ld %ld %ld\n", bOk ? 1 : 0, before.nRssKb, after.nPeakKb, after.nRssKb);
    return bOk ? 0 : 1;
}

// Runs this program again as a peak-memory child, so that each size starts from a fresh process.
bool MeasurePeak(const char* pszSelf, int nMegabytes, long& nPeakKb, double& dSeconds) {
    int out[2];
    if (::pipe(out) != 0) {
        return false;
    }
    const Clock::time_point start = Clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        ::execl(pszSelf, pszSelf, "--peak", std::to_string(nMegabytes).c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    char szLine[256] = {};
    std::size_t nHave = 0;
    for (ssize_t n; nHave < sizeof(szLine) - 1 &&
                    (n = ::read(out[0], szLine + nHave, sizeof(szLine) - 1 - nHave)) > 0;) {
        nHave += static_cast<std::size_t>(n);
    }
    ::close(out[0]);
    int nStatus = -1;
    ::waitpid(child, &nStatus, 0);
    dSeconds = SecondsSince(start);
    int nOk = 0;
    long nBefore = 0, nRss = 0;
    return std::sscanf(szLine, "%d %ld %ld %ld", &nOk, &nBefore, &nPeakKb, &nRss) == 4 &&
           nOk == 1 && WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0;
}

void PrintPeakFigures(const char* pszSelf) {
    long nPeak1 = 0, nPeak16 = 0;
    double dSeconds1 = 0, dSeconds16 = 0;
    const bool bOk1 = MeasurePeak(pszSelf, 1, nPeak1, dSeconds1);
    const bool bOk16 = MeasurePeak(pszSelf, 16, nPeak16, dSeconds16);
    std::printf("soak_peak_update_1mb_completed: %s\n", bOk1 ? "yes" : "no");
    std::printf("soak_peak_update_1mb_vmhwm_kb: %ld\n", nPeak1);
    std::printf("soak_peak_update_1mb_seconds: %.1f\n", dSeconds1);
    std::printf("soak_peak_update_16mb_completed: %s\n", bOk16 ? "yes" : "no");
    std::printf("soak_peak_update_16mb_vmhwm_kb: %ld\n", nPeak16);
    std::printf("soak_peak_update_16mb_seconds: %.1f\n", dSeconds16);
    std::printf("soak_peak_16mb_over_1mb_ratio: %.3f\n",
                nPeak1 > 0 ? static_cast<double>(nPeak16) / static_cast<double>(nPeak1) : 0.0);
}

// Median time of the software search over nFiles files, of which ten match.
double FindSoftwareMillis(const std::string& strFolder, int nFiles) {
    std::filesystem::create_directories(strFolder);
    for (int i = 0; i < nFiles; ++i) {
        char szName[32];
        std::snprintf(szName, sizeof(szName),
                      i % (nFiles / 10) == 0 ? "st24v%03d.s19" : "other%05d.s19", i);
        std::ofstream(strFolder + szName) << "S9030000FC\n";
    }
    CHardRig rig(0);
    CTarget& target = rig.m_catalogue.at(0);
    target.SetVariantFile("");
    target.SetWorkingDirectory(strFolder);
    std::vector<double> runs;
    for (int n = 0; n < 7; ++n) {
        const Clock::time_point start = Clock::now();
        target.FindSoftware();
        runs.push_back(SecondsSince(start) * 1000.0);
    }
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

void PrintFindSoftwareFigures(const std::string& strDir) {
    const double dSmall = FindSoftwareMillis(strDir + "/small/", 100);
    const double dLarge = FindSoftwareMillis(strDir + "/large/", 10000);
    std::printf("soak_find_software_100_files_ms: %.2f\n", dSmall);
    std::printf("soak_find_software_10000_files_ms: %.2f\n", dLarge);
    std::printf("soak_find_software_10000_over_100_ratio: %.1f\n", dLarge / dSmall);
}

void PrintHangupFigures() {
    const char* pszSeed = std::getenv("VANTORO_HANGUP_SEED");
    const unsigned long nSeed = pszSeed != nullptr ? std::strtoul(pszSeed, nullptr, 10) : 20261206;
    constexpr int kHangups = 200;
    std::mt19937 random(static_cast<std::mt19937::result_type>(nSeed));
    const std::string strFile = MakeSRecordFile(6);
    std::uniform_int_distribution<long long> pickByte(1,
                                                      7 + static_cast<long long>(strFile.size()));
    int nDocumented = 0, nClean = 0;
    const Clock::time_point start = Clock::now();
    for (int nPlatform : {0, 1}) {
        CHardRig rig(nPlatform);
        for (int n = nPlatform; n < kHangups; n += 2) {
            const HangupOutcome outcome = RunHangupUpdate(rig, strFile, pickByte(random));
            nDocumented += outcome.bAsDocumented ? 1 : 0;
            nClean += outcome.bNoLeak ? 1 : 0;
            if (!outcome.strWhy.empty()) {
                std::fprintf(stderr, "hang-up: %s\n", outcome.strWhy.c_str());
            }
        }
    }
    std::printf("soak_hangups_seed: %lu\n", nSeed);
    std::printf("soak_hangups_run: %d\n", kHangups);
    std::printf("soak_hangups_ended_as_documented: %d\n", nDocumented);
    std::printf("soak_hangups_without_leak: %d\n", nClean);
    std::printf("soak_hangups_seconds: %.1f\n", SecondsSince(start));
}

void PrintSoakFigures() {
    const char* pszUpdates = std::getenv("VANTORO_SOAK_UPDATES");
    const int kUpdates = pszUpdates != nullptr ? std::max(2, std::atoi(pszUpdates)) : 500;
    CHardRig rig(0, &SystemTicks());
    rig.m_window.m_bKeepHistory = false;
    CSimProcess sim(rig.Dir() + "/dosdevices");
    rig.UseCodeFile(MakeSRecordFile(40));
    int nCompleted = RunExternalUpdate(rig, sim, 30000) ? 1 : 0; // first use of everything
    rig.m_window.ClearHistory();
    const ProcessSample start = SampleProcess();
    const Clock::time_point began = Clock::now();
    ProcessSample middle;
    for (int n = 1; n < kUpdates; ++n) {
        nCompleted += RunExternalUpdate(rig, sim, 30000) ? 1 : 0;
        rig.m_window.ClearHistory(); // the window's log box is the window's business
        if (n == kUpdates / 2) {
            middle = SampleProcess();
        }
    }
    const double dSeconds = SecondsSince(began);
    const ProcessSample end = SampleProcess();
    std::printf("soak_updates_run: %d\n", kUpdates);
    std::printf("soak_updates_completed: %d\n", nCompleted);
    std::printf("soak_updates_per_second: %.1f\n", (kUpdates - 1) / dSeconds);
    std::printf("soak_rss_kb_start: %ld\n", start.nRssKb);
    std::printf("soak_rss_kb_middle: %ld\n", middle.nRssKb);
    std::printf("soak_rss_kb_end: %ld\n", end.nRssKb);
    std::printf("soak_threads_start: %d\n", start.nThreads);
    std::printf("soak_threads_end: %d\n", end.nThreads);
    std::printf("soak_descriptors_start: %d\n", start.nDescriptors);
    std::printf("soak_descriptors_end: %d\n", end.nDescriptors);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--peak") == 0) {
        return PeakChild(std::atoi(argv[2]));
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    char szSelf[4096] = {};
    if (::readlink("/proc/self/exe", szSelf, sizeof(szSelf) - 1) <= 0) {
        return 1;
    }
    // "--part peak|find|hangups|soak" runs one part alone.
    const std::string strPart = argc == 3 && std::strcmp(argv[1], "--part") == 0 ? argv[2] : "";
    const auto wanted = [&strPart](const char* pszPart) {
        return strPart.empty() || strPart == pszPart;
    };
    if (wanted("peak")) {
        PrintPeakFigures(szSelf);
    }
    char szTemplate[] = "/tmp/vantoro-bench-soak-XXXXXX";
    if (wanted("find") && ::mkdtemp(szTemplate) != nullptr) {
        PrintFindSoftwareFigures(szTemplate);
        std::error_code error;
        std::filesystem::remove_all(szTemplate, error);
    }
    if (wanted("hangups")) {
        PrintHangupFigures();
    }
    if (wanted("soak")) {
        PrintSoakFigures();
    }
    return 0;
}
