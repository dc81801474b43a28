// vantoro-cli.exe under Wine against the Linux vantoro-cli, both updating one paced unit
// (57600 baud) through ser2net over socket://, in turns. The Windows build is build-win/ unless
// VANTORO_WINDOWS_BUILD names another; scripts/test and bench/run make it.
//
// The prefix's wineserver is kept running across the turns and ended at the end. Without it every
// Windows turn, which follows a Linux one of about 11 s, would start Wine cold (about a second):
// a cost of Wine, which Windows does not have, and not of the program. The program's own start
// (process, libraries, settings, connection) is still timed in every turn.
#include "clispawn.h"
#include "cser2netserver.h"
#include "updaterig.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

using namespace vantoro;

namespace {

using Clock = std::chrono::steady_clock;

// Seconds from start to end of one update of a fresh unit; negative unless it completed.
double TimeUpdate(const std::vector<std::string>& command, const std::string& strFile) {
    char szTemplate[] = "/tmp/vantoro-bench-windows-XXXXXX";
    const std::string strDir = ::mkdtemp(szTemplate);
    std::ofstream(strDir + "/vantoro.INI") << "[APP]\n";
    std::ofstream(strDir + "/st24v100.s19", std::ios::binary) << strFile;
    SimOptions options;
    options.nBaud = 57600;
    options.nPowerOnWhenOpenedMs = 100;
    CTargetSimulator sim(options);
    std::string strWhy;
    double dSeconds = -1.0;
    if (sim.Open(strWhy)) {
        std::thread runner([&sim] { sim.Run(); });
        CSer2NetServer server(strDir);
        const std::string strPort = server.Add(sim.GetDevicePath(), false);
        if (server.Start(strWhy)) {
            const Clock::time_point start = Clock::now();
            const pid_t pid = SpawnCliUpdate(command, strDir, {"--port", strPort});
            int nStatus = -1;
            if (pid > 0 && ::waitpid(pid, &nStatus, 0) == pid && WIFEXITED(nStatus) &&
                WEXITSTATUS(nStatus) == 0 && sim.GetReceived() == strFile)
                dSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        }
        server.Kill();
        sim.Stop();
        runner.join();
    }
    std::error_code error;
    std::filesystem::remove_all(strDir, error);
    if (dSeconds < 0)
        std::fprintf(stderr, "bench_windows_cli: %s did not complete an update %s\n",
                     command.back().c_str(), strWhy.c_str());
    return dSeconds;
}

// Runs a program (looked up in PATH) with these arguments; true when it ran and succeeded.
bool RunCommand(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& strArg : args)
        argv.push_back(strArg.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    int nStatus = -1;
    return ::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 &&
           ::waitpid(pid, &nStatus, 0) == pid && WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0;
}

// The program as the setup program ships it, without its debugging sections: Wine reads those
// at every start (about 0.1 s for this build's 20 MB), and no technician's copy has them. The
// build's own program when no strip tool is there, said on standard error.
std::string ShippedCopy(const std::string& strExe, const std::string& strFolder) {
    const std::string strCopy = strFolder + "/vantoro-cli.exe";
    if (RunCommand({"x86_64-w64-mingw32-strip", "-o", strCopy, strExe}))
        return strCopy;
    std::fprintf(stderr, "bench_windows_cli: no stripped copy made; timing %s\n", strExe.c_str());
    return strExe;
}

// Runs wine-run with the prefix and these arguments; true when it ran and succeeded.
bool WineRun(const std::string& strPrefix, std::vector<std::string> args) {
    args.insert(args.begin(), {VANTORO_SOURCE_DIR "/tests/windows/wine-run", strPrefix});
    return RunCommand(std::move(args));
}

} // namespace

int main() {
    const char* pszBuild = std::getenv("VANTORO_WINDOWS_BUILD");
    const std::string strBuild = pszBuild ? pszBuild : VANTORO_SOURCE_DIR "/build-win";
    const std::string strExe = strBuild + "/vantoro-cli.exe";
    if (!std::filesystem::exists(strExe)) {
        std::fprintf(stderr, "bench_windows_cli: no %s (bench/run builds it)\n", strExe.c_str());
        return 1;
    }
    const std::string strPrefix = strBuild + "/wineprefix";
    char szCopyFolder[] = "/tmp/vantoro-bench-windows-exe-XXXXXX";
    const std::string strCopyFolder = ::mkdtemp(szCopyFolder);
    const std::vector<std::string> windows = {VANTORO_SOURCE_DIR "/tests/windows/wine-run",
                                              strPrefix, ShippedCopy(strExe, strCopyFolder)};
    const std::vector<std::string> linux = {VANTORO_CLI_PATH};
    // 1300 records of 16 bytes: about 10 s of line time, against which Wine's start counts
    // as it does for a technician.
    const std::string strFile = MakeSRecordFile(1299, 16);
    // Up for a minute after its last program, should the bench end before it ends the server.
    if (!WineRun(strPrefix, {"--keep-server", "60"}))
        std::fprintf(stderr, "bench_windows_cli: the wineserver could not be kept running\n");
    if (TimeUpdate(windows, MakeSRecordFile(9, 16)) < 0) { // Wine's first start is not timed
        WineRun(strPrefix, {"--end-server"});
        std::filesystem::remove_all(strCopyFolder);
        return 1;
    }
    // Turns in pairs, so a busy spell of the machine falls on both; each side's best turn is its
    // figure. One run of the simulator alone varies by about 4% here: five pairs, not three.
    double dWindows = 1e9, dLinux = 1e9;
    bool bCompleted = true;
    for (int i = 0; i < 5 && bCompleted; ++i) {
        const double w = TimeUpdate(windows, strFile);
        const double l = TimeUpdate(linux, strFile);
        bCompleted = w >= 0 && l >= 0;
        std::fprintf(stderr, "bench_windows_cli: turn %d: Windows %.3f s, Linux %.3f s\n", i + 1, w,
                     l);
        dWindows = std::min(dWindows, w);
        dLinux = std::min(dLinux, l);
    }
    WineRun(strPrefix, {"--end-server"});
    std::error_code error;
    std::filesystem::remove_all(strCopyFolder, error);
    if (!bCompleted)
        return 1;
    std::printf("windows_cli_paced_seconds: %.3f\n", dWindows);
    std::printf("linux_cli_paced_seconds: %.3f\n", dLinux);
    std::printf("windows_cli_paced_vs_linux_ratio: %.3f\n", dWindows / dLinux);
    return 0;
}
