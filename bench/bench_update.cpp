// How fast a whole update runs through a pseudo-terminal: the engine with its listener thread
// against a minimal lock-step loop, and a paced line against its theoretical time.
#include "updaterig.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace vantoro;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

std::vector<std::string> RecordsOf(const std::string& strFile) {
    std::vector<std::string> records;
    std::istringstream lines(strFile);
    for (std::string strLine; std::getline(lines, strLine);) {
        records.push_back(strLine + "\n");
    }
    return records;
}

// Seconds for a complete update of strFile by the engine; negative when it did not complete.
double TimeEngineUpdate(const SimOptions& options, const std::string& strFile) {
    CUpdateRig rig(options, 0, &SystemTicks());
    rig.m_window.m_bKeepHistory = false;
    rig.UseCodeFile(strFile);
    rig.m_pEngine->StepUpdate(StartPressed);
    rig.m_pEngine->StepUpdate(StartPressed);
    const Clock::time_point start = Clock::now();
    rig.m_pSim->PowerOn();
    if (!rig.RunToRest(600000) || rig.m_pEngine->GetState() != WaitDonePress) {
        return -1.0;
    }
    return Seconds(Clock::now() - start);
}

bool ReadExactly(int nFd, char* pBuffer, std::size_t nWanted) {
    std::size_t nGot = 0;
    while (nGot < nWanted) {
        const ssize_t n = ::read(nFd, pBuffer + nGot, nWanted - nGot);
        if (n <= 0) {
            return false;
        }
        nGot += static_cast<std::size_t>(n);
    }
    return true;
}

// Seconds for the same exchange done the plainest way: one thread, blocking write of a record,
// blocking read of its one-byte reply, against the same simulated equipment.
double TimeLockStep(const std::string& strFile, const SimOptions& options = SimOptions{}) {
    CTargetSimulator sim(options);
    std::string strError;
    if (!sim.Open(strError)) {
        return -1.0;
    }
    std::thread server([&sim] { sim.Run(); });
    const int nFd = ::open(sim.GetDevicePath().c_str(), O_RDWR | O_NOCTTY);
    termios tio{};
    ::tcgetattr(nFd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(nFd, TCSANOW, &tio);
    const std::vector<std::string> records = RecordsOf(strFile);
    char cReply = 0;
    const Clock::time_point start = Clock::now();
    sim.PowerOn();
    bool bOk = ReadExactly(nFd, &cReply, 1) && cReply == '\n' && ::write(nFd, "QduKanZ", 7) == 7 &&
               ReadExactly(nFd, &cReply, 1) && cReply == 'F';
    for (const std::string& strRecord : records) {
        if (!bOk) {
            break;
        }
        bOk = ::write(nFd, strRecord.data(), strRecord.size()) ==
                  static_cast<ssize_t>(strRecord.size()) &&
              ReadExactly(nFd, &cReply, 1);
    }
    const double dSeconds = Seconds(Clock::now() - start);
    bOk = bOk && cReply == '+';
    ::close(nFd);
    sim.Stop();
    server.join();
    return bOk ? dSeconds : -1.0;
}

} // namespace

int main() {
    const int nRecords = 4000;
    const std::string strFile = MakeSRecordFile(nRecords - 1, 16);

    // Best of three for each, taken in turns so that both see the same machine load; the paced
    // figures are the best of two.
    double dEngine = 1e9;
    double dLockStep = 1e9;
    for (int i = 0; i < 3; ++i) {
        dEngine = std::min(dEngine, TimeEngineUpdate(SimOptions{}, strFile));
        dLockStep = std::min(dLockStep, TimeLockStep(strFile));
    }
    if (dEngine <= 0 || dLockStep <= 0) {
        std::fprintf(stderr, "bench_update: an update did not complete\n");
        return 1;
    }
    std::printf("update_records_per_second: %.0f\n", nRecords / dEngine);
    std::printf("lockstep_records_per_second: %.0f\n", nRecords / dLockStep);
    std::printf("update_vs_lockstep_ratio: %.3f\n", dLockStep / dEngine);

    // Paced at 57600 baud, 10 bits a byte: every byte each way, detection to the last reply.
    const int nBaud = 57600;
    const int nPacedRecords = 300;
    const std::string strPaced = MakeSRecordFile(nPacedRecords - 1, 16);
    SimOptions paced;
    paced.nBaud = nBaud;
    double dPaced = 1e9;
    double dPacedLockStep = 1e9;
    for (int i = 0; i < 2; ++i) {
        dPaced = std::min(dPaced, TimeEngineUpdate(paced, strPaced));
        dPacedLockStep = std::min(dPacedLockStep, TimeLockStep(strPaced, paced));
    }
    if (dPaced <= 0 || dPacedLockStep <= 0) {
        std::fprintf(stderr, "bench_update: the paced update did not complete\n");
        return 1;
    }
    const std::size_t nLineBytes = paced.strDetect.size() + paced.strHandshake.size() + 1 +
                                   strPaced.size() + static_cast<std::size_t>(nPacedRecords);
    const double dLine = static_cast<double>(nLineBytes) * 10.0 / nBaud;
    std::printf("paced_lockstep_seconds: %.3f\n", dPacedLockStep);
    std::printf("paced_update_seconds: %.3f\n", dPaced);
    std::printf("paced_line_seconds: %.3f\n", dLine);
    std::printf("paced_vs_line_ratio: %.4f\n", dPaced / dLine);
    return 0;
}
