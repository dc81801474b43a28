// The two timings every update benchmark compares against each other.
#include "lockstep.h"

#include "updaterig.h"

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace vantoro {

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

} // namespace

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

double TimeLockStep(const std::string& strFile, const SimOptions& options) {
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

} // namespace vantoro
