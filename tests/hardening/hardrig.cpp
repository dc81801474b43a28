#include "hardrig.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace vantoro {

namespace {

long StatusKb(const std::string& strStatus, const char* pszKey) {
    const std::size_t nAt = strStatus.find(pszKey);
    return nAt == std::string::npos ? -1 : std::atol(strStatus.c_str() + nAt + strlen(pszKey));
}

} // namespace

ProcessSample SampleProcess() {
    ProcessSample sample;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        std::error_code linkError;
        const std::string strTarget = std::filesystem::read_symlink(entry.path(), linkError);
        sample.nDescriptors += strTarget != "/dev/ptmx" && strTarget != "/dev/pts/ptmx";
    }
    for (auto it = std::filesystem::directory_iterator("/proc/self/task", error);
         it != std::filesystem::directory_iterator(); ++it) {
        ++sample.nThreads;
    }
    std::ifstream status("/proc/self/status");
    const std::string strStatus((std::istreambuf_iterator<char>(status)), {});
    sample.nRssKb = StatusKb(strStatus, "VmRSS:");
    sample.nPeakKb = StatusKb(strStatus, "VmHWM:");
    return sample;
}

HangupOutcome RunHangupUpdate(CUpdateRig& rig, const std::string& strFile, long long nByte) {
    HangupOutcome outcome;
    SimOptions options;
    options.nHangupAtByte = nByte;
    rig.StartSim(options);
    rig.UseCodeFile(strFile);
    rig.m_afterEvent = nullptr;
    rig.m_window.ClearHistory();
    const ProcessSample before = SampleProcess();
    UpdateEngine& engine = *rig.m_pEngine;
    CTargetSimulator& sim = *rig.m_pSim;

    engine.StepUpdate(StartPressed);
    engine.StepUpdate(StartPressed);
    sim.PowerOn();
    if (!rig.PumpUntil([&sim] { return sim.GetState() == CTargetSimulator::HungUp; })) {
        outcome.strWhy = "the equipment never hung up";
        return outcome;
    }
    // Whatever the equipment answered before hanging up is handled first.
    rig.PumpUntil([] { return false; }, 30);
    const UpdateState waiting = engine.GetState();
    const int nSent = engine.GetRecordsSent();
    const std::string kCycleComplete = "Complete : Update Cycle Complete";
    if (waiting == ActionFail && nSent == 0) {
        // Gone while 'F' was awaited: said at once, the port already closed, Cancel goes back.
        const bool bSaid =
            rig.m_window.m_strStatus == "Port 5 Hung Up while Waiting for " + rig.ModelName() &&
            !engine.IsPortOpen();
        rig.m_window.ClearHistory();
        engine.StepUpdate(CancelPressed);
        outcome.bAsDocumented =
            nByte <= 7 && bSaid &&
            rig.m_window.Log() ==
                std::vector<std::string>{"Action Fail : Cancel Button Press", kCycleComplete};
    } else if (waiting == WaitReply) {
        rig.m_clock.Advance(engine.GetReplyTimeout() + 1);
        engine.StepUpdate(IdleTick);
        const bool bFailed = engine.GetState() == ActionFail &&
                             rig.m_window.m_strStatus == "Fatal Error. Comms Timeout with " +
                                                             rig.ModelName() + " @ Record " +
                                                             std::to_string(nSent) &&
                             !engine.IsPortOpen() && !engine.IsCodeFileOpen() &&
                             sim.GetRecordsReceived() == nSent - 1;
        rig.m_window.ClearHistory();
        engine.StepUpdate(CancelPressed);
        outcome.bAsDocumented =
            bFailed &&
            rig.m_window.Log() ==
                std::vector<std::string>{"Action Fail : Cancel Button Press", kCycleComplete};
    }
    const ProcessSample after = SampleProcess();
    outcome.bNoLeak =
        after.nDescriptors == before.nDescriptors && after.nThreads == before.nThreads;
    if (!outcome.bAsDocumented || !outcome.bNoLeak) {
        outcome.strWhy = "byte " + std::to_string(nByte) + ": state " + std::to_string(waiting) +
                         " after the hang-up, record " + std::to_string(nSent) + ", status \"" +
                         rig.m_window.m_strStatus + "\", descriptors " +
                         std::to_string(before.nDescriptors) + " -> " +
                         std::to_string(after.nDescriptors) + ", threads " +
                         std::to_string(before.nThreads) + " -> " + std::to_string(after.nThreads);
    }
    return outcome;
}

} // namespace vantoro
