#include "updaterig.h"

#include "catalogue/ccatalogue.h"
#include "catalogue/cstringtable.h"
#include "serial/comportnames.h"
#include "testmain/boundedwait.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace vantoro {

void CRecordingWindow::Show(std::string& strNow, std::vector<std::string>& history,
                            const std::string& strText) {
    strNow = strText;
    if (m_bKeepHistory) {
        history.push_back(strText);
    }
}

void CRecordingWindow::LogEvent(LogCategory category, const std::string& strText) {
    if (m_bKeepHistory || category != LogLowLevelComms) {
        m_log.emplace_back(category, strText);
    }
}

std::vector<std::string> CRecordingWindow::Log(std::uint32_t nMask) const {
    std::vector<std::string> texts;
    for (const auto& [category, strText] : m_log) {
        if ((category & nMask) != 0) {
            texts.push_back(strText);
        }
    }
    return texts;
}

bool CRecordingWindow::HasLogged(const std::string& strText) const {
    return std::any_of(m_log.begin(), m_log.end(),
                       [&strText](const auto& entry) { return entry.second == strText; });
}

void CRecordingWindow::ClearHistory() {
    m_statusHistory.clear();
    m_actionHistory.clear();
    m_progressHistory.clear();
    m_log.clear();
}

void CQueueSink::PostSerialMessage(std::uint32_t, std::uintptr_t wParam, std::intptr_t lParam) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.emplace_back(wParam, lParam);
    }
    m_ready.notify_one();
}

bool CQueueSink::Take(std::uintptr_t& wParam, std::intptr_t& lParam, int nMillis) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_ready.wait_for(lock, std::chrono::milliseconds(nMillis),
                          [this] { return !m_queue.empty(); })) {
        return false;
    }
    std::tie(wParam, lParam) = m_queue.front();
    m_queue.pop_front();
    return true;
}

CUpdateRig::CUpdateRig(int nPlatform, const ITickSource* pTicks) : m_nPlatform(nPlatform) {
    char szTemplate[] = "/tmp/vantoro-rig-XXXXXX";
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

CUpdateRig::CUpdateRig(SimOptions options, int nPlatform, const ITickSource* pTicks)
    : CUpdateRig(nPlatform, pTicks) {
    StartSim(std::move(options));
}

// The engine's steps, closing the port included, are bounded by the serial layer: a step that
// never comes back is a fault, ended here with the step named instead of by the test runner.
constexpr int kStepLimitS = 20;

CUpdateRig::~CUpdateRig() {
    const CWatchdog watchdog(kStepLimitS, "closing port 5 and stopping the equipment at the end");
    m_pEngine.reset(); // the port and its listener go first
    StopSim();
    std::error_code error;
    std::filesystem::remove_all(m_strDir, error);
}

void CUpdateRig::StartSim(SimOptions options) {
    StopSim();
    options.strDetect = m_nPlatform == 0 ? "\n" : "ceL\n";
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

void CUpdateRig::StopSim() {
    if (m_pSim) {
        m_pSim->Stop();
        m_simThread.join();
        m_pSim.reset();
    }
}

std::string CUpdateRig::UseCodeFile(const std::string& strContent, const std::string& strName) {
    const std::string strPath = m_strDir + "/" + strName;
    std::ofstream(strPath, std::ios::binary | std::ios::trunc) << strContent;
    CTarget& target = m_catalogue.at(static_cast<std::size_t>(m_nPlatform));
    target.SetVariantFile(strPath);
    target.FindSoftware();
    m_window.m_nSelected = 0;
    return strPath;
}

std::string CUpdateRig::ModelName() const {
    const CTarget& target = m_catalogue.at(static_cast<std::size_t>(m_nPlatform));
    return StringFromId(target.GetVariantNameId(target.GetVariant()));
}

bool CUpdateRig::PumpUntil(const std::function<bool()>& bDone, int nMillis) {
    const CWatchdog watchdog(nMillis / 1000 + kStepLimitS,
                             "the engine's steps returning while the rig pumps its events");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nMillis);
    while (!bDone()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::uintptr_t wParam = 0;
        std::intptr_t lParam = 0;
        if (m_sink.Take(wParam, lParam, 5)) {
            // Everything queued is handled before the idle tick, as a message loop does.
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

bool CUpdateRig::StartAndPowerOn() {
    {
        const CWatchdog watchdog(kStepLimitS, "Start and Update returning, port 5 opened");
        m_pEngine->StepUpdate(StartPressed);
        if (m_pEngine->GetState() != StartUpdate) {
            return false;
        }
        m_pEngine->StepUpdate(StartPressed);
    }
    if (m_pEngine->GetState() != WaitForTarget || !m_pSim) {
        return false;
    }
    m_pSim->PowerOn();
    return PumpUntil([this] {
        const UpdateState state = m_pEngine->GetState();
        return state != WaitForTarget && state != WaitForAckProgramFlash;
    });
}

bool CUpdateRig::RunToRest(int nMillis) {
    return PumpUntil(
        [this] {
            const UpdateState state = m_pEngine->GetState();
            return state == ActionFail || state == WaitDonePress || state == Idle;
        },
        nMillis);
}

bool CUpdateRig::RunCleanUpdate(std::string& strWhy, int nRecords) {
    StartSim(SimOptions{});
    const std::string strFile = MakeSRecordFile(nRecords);
    UseCodeFile(strFile, "clean.s19");
    m_afterEvent = nullptr;
    if (!StartAndPowerOn() || !RunToRest() || m_pEngine->GetState() != WaitDonePress ||
        m_window.m_strStatus != "Update Complete.") {
        strWhy = "ended in state " + std::to_string(m_pEngine->GetState()) + " with \"" +
                 m_window.m_strStatus + "\"";
        return false;
    }
    m_pEngine->StepUpdate(StartPressed);
    if (m_pEngine->GetState() != Idle || m_pSim->GetReceived() != strFile) {
        strWhy = "Done did not return to Idle, or the equipment received other bytes";
        return false;
    }
    return true;
}

bool HoldsDescriptorTo(const std::string& strPath) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        std::error_code linkError;
        if (std::filesystem::read_symlink(entry.path(), linkError).string() == strPath) {
            return true;
        }
    }
    return false;
}

std::string MakeSRecordFile(int nRecords, int nDataBytes, const std::string& strEol) {
    std::string strFile;
    const auto Hex = [](unsigned nByte) {
        char szByte[3];
        std::snprintf(szByte, sizeof(szByte), "%02X", nByte & 0xFF);
        return std::string(szByte);
    };
    for (int n = 0; n < nRecords; ++n) {
        const unsigned nAddress = static_cast<unsigned>(n * nDataBytes) & 0xFFFF;
        std::vector<unsigned> bytes = {static_cast<unsigned>(nDataBytes + 3), nAddress >> 8,
                                       nAddress & 0xFF};
        for (int i = 0; i < nDataBytes; ++i) {
            bytes.push_back(static_cast<unsigned>((n * 7 + i * 13) & 0xFF));
        }
        unsigned nSum = 0;
        strFile += "S1";
        for (unsigned nByte : bytes) {
            nSum += nByte;
            strFile += Hex(nByte);
        }
        strFile += Hex(~nSum) + strEol;
    }
    return strFile + "S9030000FC" + strEol;
}

} // namespace vantoro
