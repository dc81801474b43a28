#include "hardrig.h"

#include "catalogue/ccatalogue.h"
#include "catalogue/cstringtable.h"
#include "serial/comportnames.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace vantoro {

namespace {

const std::string kCycleComplete = "Complete : Update Cycle Complete";

bool IsPseudoTerminalMaster(const std::string& strTarget) {
    return strTarget == "/dev/ptmx" || strTarget == "/dev/pts/ptmx";
}

std::vector<std::string> DescriptorTargets() {
    std::vector<std::string> targets;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        std::error_code linkError;
        targets.push_back(std::filesystem::read_symlink(entry.path(), linkError).string());
    }
    return targets;
}

long StatusKb(const std::string& strStatus, const char* pszKey) {
    const std::size_t nAt = strStatus.find(pszKey);
    return nAt == std::string::npos ? -1 : std::atol(strStatus.c_str() + nAt + strlen(pszKey));
}

} // namespace

ProcessSample SampleProcess() {
    ProcessSample sample;
    for (const std::string& strTarget : DescriptorTargets()) {
        if (!IsPseudoTerminalMaster(strTarget)) {
            ++sample.nDescriptors;
        }
    }
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator("/proc/self/task", error);
         it != std::filesystem::directory_iterator(); ++it) {
        ++sample.nThreads;
    }
    std::ifstream status("/proc/self/status");
    const std::string strStatus((std::istreambuf_iterator<char>(status)),
                                std::istreambuf_iterator<char>());
    sample.nRssKb = StatusKb(strStatus, "VmRSS:");
    sample.nPeakKb = StatusKb(strStatus, "VmHWM:");
    return sample;
}

bool HoldsDescriptorTo(const std::string& strPath) {
    for (const std::string& strTarget : DescriptorTargets()) {
        if (strTarget == strPath) {
            return true;
        }
    }
    return false;
}

std::string DetectTextOf(int nPlatform) {
    return nPlatform == 0 ? "\n" : "ceL\n";
}

CHardRig::CHardRig(int nPlatform, const ITickSource* pTicks) : m_nPlatform(nPlatform) {
    char szTemplate[] = "/tmp/vantoro-hard-XXXXXX";
    if (::mkdtemp(szTemplate) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    m_strDir = szTemplate;
    SetDosDevicesFolder(m_strDir + "/dosdevices");
    m_catalogue = BuildCatalogue();
    m_pEngine = std::make_unique<UpdateEngine>(m_window, &m_sink, pTicks ? *pTicks : m_clock);
    m_pEngine->SetTarget(&m_catalogue.at(static_cast<std::size_t>(m_nPlatform)));
    m_pEngine->SetPortNumber(kPort);
    m_pEngine->SetReplyTimeout(kMinReplyTimeout);
}

CHardRig::~CHardRig() {
    m_pEngine.reset(); // the port and its listener go first
    StopSim();
    std::error_code error;
    std::filesystem::remove_all(m_strDir, error);
}

void CHardRig::StartSim(SimOptions options) {
    StopSim();
    options.strDetect = DetectTextOf(m_nPlatform);
    options.strLinkFolder = m_strDir + "/dosdevices";
    options.nLinkCom = kPort;
    m_pSim = std::make_unique<CTargetSimulator>(options);
    std::string strError;
    if (!m_pSim->Open(strError)) {
        std::fprintf(stderr, "simulator: %s\n", strError.c_str());
        std::abort();
    }
    m_simThread = std::thread([this] { m_pSim->Run(); });
}

void CHardRig::StopSim() {
    if (m_pSim) {
        m_pSim->Stop();
        m_simThread.join();
        m_pSim.reset();
    }
}

std::string CHardRig::UseCodeFile(const std::string& strContent, const std::string& strName) {
    const std::string strPath = m_strDir + "/" + strName;
    std::ofstream(strPath, std::ios::binary | std::ios::trunc) << strContent;
    CTarget& target = m_catalogue.at(static_cast<std::size_t>(m_nPlatform));
    target.SetVariantFile(strPath);
    target.FindSoftware();
    m_window.m_nSelected = 0;
    return strPath;
}

std::string CHardRig::DeviceLinkPath() const {
    return m_strDir + "/dosdevices/com" + std::to_string(kPort);
}

std::string CHardRig::ModelName() const {
    const CTarget& target = m_catalogue.at(static_cast<std::size_t>(m_nPlatform));
    return StringFromId(target.GetVariantNameId(target.GetVariant()));
}

bool CHardRig::PumpUntil(const std::function<bool()>& bDone, int nMillis) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nMillis);
    while (!bDone()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::uintptr_t wParam = 0;
        std::intptr_t lParam = 0;
        if (m_sink.Take(wParam, lParam, 5)) {
            do {
                m_pEngine->OnSerialEvent(wParam, lParam);
                if (m_afterEvent) {
                    m_afterEvent();
                }
            } while (m_sink.Take(wParam, lParam, 0));
        }
        m_pEngine->StepUpdate(IdleTick);
    }
    return true;
}

bool CHardRig::StartAndPowerOn() {
    m_pEngine->StepUpdate(StartPressed);
    if (m_pEngine->GetState() != StartUpdate) {
        return false;
    }
    m_pEngine->StepUpdate(StartPressed);
    if (m_pEngine->GetState() != WaitForTarget || !m_pSim) {
        return false;
    }
    m_pSim->PowerOn();
    return PumpUntil([this] {
        const UpdateState state = m_pEngine->GetState();
        return state != WaitForTarget && state != WaitForAckProgramFlash;
    });
}

bool CHardRig::RunToRest(int nMillis) {
    return PumpUntil(
        [this] {
            const UpdateState state = m_pEngine->GetState();
            return state == ActionFail || state == WaitDonePress || state == Idle;
        },
        nMillis);
}

bool CHardRig::RunCleanUpdate(std::string& strWhy, int nRecords) {
    StartSim(SimOptions{});
    const std::string strFile = MakeSRecordFile(nRecords);
    UseCodeFile(strFile, "clean.s19");
    m_afterEvent = nullptr;
    if (!StartAndPowerOn() || !RunToRest()) {
        strWhy = "did not come to rest; status \"" + m_window.m_strStatus + "\"";
        return false;
    }
    if (m_pEngine->GetState() != WaitDonePress || m_window.m_strStatus != "Update Complete.") {
        strWhy = "ended with \"" + m_window.m_strStatus + "\"";
        return false;
    }
    m_pEngine->StepUpdate(StartPressed);
    if (m_pEngine->GetState() != Idle || m_pSim->GetReceived() != strFile) {
        strWhy = "Done did not return to Idle, or the equipment received other bytes";
        return false;
    }
    return true;
}

HangupOutcome RunHangupUpdate(CHardRig& rig, const std::string& strFile, long long nByte) {
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
    std::vector<std::string> expected;
    if (waiting == WaitForAckProgramFlash) {
        // No time-out applies while waiting for 'F': the user cancels.
        rig.m_window.ClearHistory();
        engine.StepUpdate(CancelPressed);
        expected = {"WaitForAckProgramFlash: Cancel Button Press", "Port 5 Closed", kCycleComplete};
        outcome.bAsDocumented = nByte <= 7 && rig.m_window.Log() == expected;
    } else if (waiting == WaitReply) {
        rig.m_clock.Advance(engine.GetReplyTimeout() + 1);
        engine.StepUpdate(IdleTick);
        const std::string strStatus = "Fatal Error. Comms Timeout with " + rig.ModelName() +
                                      " @ Record " + std::to_string(nSent);
        const bool bFailed = engine.GetState() == ActionFail &&
                             rig.m_window.m_strStatus == strStatus && !engine.IsPortOpen() &&
                             !engine.IsCodeFileOpen() && sim.GetRecordsReceived() == nSent - 1;
        rig.m_window.ClearHistory();
        engine.StepUpdate(CancelPressed);
        expected = {"Action Fail : Cancel Button Press", kCycleComplete};
        outcome.bAsDocumented = bFailed && rig.m_window.Log() == expected;
    }
    if (!outcome.bAsDocumented) {
        outcome.strWhy = "byte " + std::to_string(nByte) + ": state " + std::to_string(waiting) +
                         " after the hang-up, record " + std::to_string(nSent) + ", status \"" +
                         rig.m_window.m_strStatus + "\", final state " +
                         std::to_string(engine.GetState());
    }
    const ProcessSample after = SampleProcess();
    outcome.bNoLeak =
        after.nDescriptors == before.nDescriptors && after.nThreads == before.nThreads;
    if (!outcome.bNoLeak) {
        outcome.strWhy += " descriptors " + std::to_string(before.nDescriptors) + " -> " +
                          std::to_string(after.nDescriptors) + ", threads " +
                          std::to_string(before.nThreads) + " -> " + std::to_string(after.nThreads);
    }
    return outcome;
}

} // namespace vantoro
