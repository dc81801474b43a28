#include "cli/cupdateunit.h"

#include "catalogue/cstringtable.h"
#include "cli/clitext.h"
#include "cli/iunitobserver.h"
#include "platform/ctickclock.h"
#include "serial/cnetworkline.h"
#include "serial/comportnames.h"
#include "serial/iserialmessagesink.h"
#include "serial/networkportname.h"
#include "serial/serialtypes.h"
#include "session/cupdatesession.h"
#include "srecord/cfilecheck.h"
#include "srecord/csha256.h"
#include "update/textformat.h"

#include <filesystem>
#include <thread>

namespace vantoro {

namespace {

// How often a port whose device went away looks for its return.
constexpr auto kLookPeriod = std::chrono::milliseconds(500);
// Posted by a port's connecting thread; no serial event looks like it.
constexpr std::uintptr_t kConnectFinished = 0x7FFF0000u;

// "%d Records Sent": the progress already says it, so it is not passed on as a line.
bool IsRecordCount(const std::string& strText) {
    static const std::string kTail = " Records Sent";
    return !strText.empty() && strText[0] >= '0' && strText[0] <= '9' &&
           strText.size() > kTail.size() &&
           strText.compare(strText.size() - kTail.size(), kTail.size(), kTail) == 0;
}

} // namespace

CUpdateUnit::CUpdateUnit(CUnitSetup setup, ISerialMessageSink& sink, IUnitObserver& observer)
    : m_setup(std::move(setup)), m_observer(observer), m_sink(sink),
      m_pEngine(std::make_unique<UpdateEngine>(*this, &sink, SystemTicks())) {
    std::error_code error;
    m_bLinked = std::filesystem::is_symlink(LinkPath(), error);
    m_setup.target.FindSoftware();
    m_pEngine->SetTarget(&m_setup.target);
    m_pEngine->SetPortNumber(m_setup.port.nPort);
    m_pEngine->SetReplyTimeout(m_setup.nReplyTimeoutMs);
}

// The engine goes first: its port closes and its listener stops before the window it talks
// to is gone.
CUpdateUnit::~CUpdateUnit() {
    if (m_pConnect) {
        std::lock_guard<std::mutex> lock(m_pConnect->mutex);
        m_pConnect->pSink = nullptr;
    }
    m_pEngine.reset();
}

bool CUpdateUnit::StartConnect() {
    if (m_bConnected) {
        m_bConnected = false; // each unit's cycle connects anew
        return false;
    }
    const std::string strName = ResolveComDevice("\\\\.\\Com" + std::to_string(m_setup.port.nPort));
    if (!LooksLikeNetworkPortName(strName))
        return false;
    SetActionText("Connecting to " + strName);
    m_pConnect = std::make_shared<ConnectJob>();
    m_pConnect->pSink = &m_sink;
    std::thread([pJob = m_pConnect, strName] {
        std::uint32_t nError = 0;
        std::string strCause;
        const int nCheck = CNetworkLine::Probe(strName, &nError, &strCause);
        std::lock_guard<std::mutex> lock(pJob->mutex);
        pJob->nCheck = nCheck;
        pJob->nError = nError;
        pJob->strCause = strCause;
        if (pJob->pSink)
            pJob->pSink->PostSerialMessage(SerialDefaultComMessage(), kConnectFinished, 0);
    }).detach();
    return true;
}

void CUpdateUnit::OnConnected() {
    if (!m_pConnect)
        return;
    int nCheck;
    std::uint32_t nError;
    std::string strCause;
    {
        std::lock_guard<std::mutex> lock(m_pConnect->mutex);
        nCheck = m_pConnect->nCheck;
        nError = m_pConnect->nError;
        strCause = m_pConnect->strCause;
    }
    m_pConnect.reset();
    if (m_bRunOver)
        return; // interrupted meanwhile
    if (nCheck == PortAvailable) {
        m_bConnected = true;
        Begin();
        return;
    }
    if (m_bGone) {
        m_lastLook = Clock::now(); // a server that went: asked again later
        return;
    }
    // In the engine's words, as if it had found the port so.
    const char* pszWhy = nCheck == PortInUse ? "In Use" : "Unavailable";
    if (!strCause.empty())
        LogEvent(LogSystem, strCause);
    Finish(UnitOutcome::Failed,
           FormatText("Unable to open Port %d. It is %s. Error %d", m_setup.port.nPort, pszWhy,
                      static_cast<int>(nError)),
           true);
}

void CUpdateUnit::Begin() {
    if (StartConnect())
        return;
    m_bDetected = false;
    m_bLineGone = false;
    m_nPercent = 0;
    m_strRefusal.clear();
    m_pEngine->StepUpdate(StartPressed);
    m_strFile = m_setup.target.GetSoftwarePath(GetSelectedSoftware());
    if (m_pEngine->GetState() != StartUpdate) {
        m_bGone = false;
        Finish(UnitOutcome::Failed, m_strRefusal.empty() ? m_strStatus : m_strRefusal, true);
        return;
    }
    m_strSha256 = CSha256::OfFile(m_strFile);
    m_pEngine->StepUpdate(StartPressed);
    if (m_pEngine->GetState() != WaitForTarget) {
        // A device that came back may not be ready to open yet: it is tried again.
        if (m_bGone) {
            m_pEngine->StepUpdate(CancelPressed);
            return;
        }
        Finish(UnitOutcome::Failed, m_strStatus, true);
        return;
    }
    if (m_bGone) {
        m_bGone = false;
        SetStatusText("Port Back: " + m_setup.port.strDeviceNode + " is there again");
    }
    m_waitFrom = Clock::now();
}

bool CUpdateUnit::AcceptFileWithErrors(const std::string&, const CFileVerdict& verdict) {
    // Every cycle keeps the rule of the check before the first: a file that changed into one
    // with errors is refused unless --force was given, never sent on the program's own say.
    if (m_setup.bForce)
        return true;
    m_strRefusal = "File Check: refused, nothing was sent: " + verdict.Summary();
    return false;
}

void CUpdateUnit::PortGone(UpdateState awaited) {
    m_bLineGone = true;
    if (awaited != WaitForTarget && awaited != WaitForAckProgramFlash)
        return; // during an update the missing reply ends the unit, as on a cut cable
    // The engine has failed the wait at once ("Hung Up while Waiting"): the unit says it as
    // a gone port, and Cancel brings the engine back to Idle either way.
    const std::string strGone = "Port Gone: " + m_setup.port.strDeviceNode + " went away";
    m_pEngine->StepUpdate(CancelPressed);
    if (!m_setup.bRepeat) {
        Finish(UnitOutcome::Failed, strGone, true);
        return;
    }
    SetStatusText(strGone + "; waiting for it to return");
    WaitForReturn();
}

void CUpdateUnit::WaitForReturn() {
    m_bGone = true;
    m_lastLook = Clock::now();
    m_waitFrom = m_lastLook;
}

std::string CUpdateUnit::LinkPath() const {
    return GetDosDevicesFolder() + "/com" + std::to_string(m_setup.port.nPort);
}

bool CUpdateUnit::DeviceIsThere() {
    // Behind the same name as before: a port reached through its comN link returns only with
    // the link, never as the built-in device its number would fall back to.
    std::error_code error;
    if (m_bLinked && !std::filesystem::exists(LinkPath(), error))
        return false;
    const std::string strDevice =
        ResolveComDevice("\\\\.\\Com" + std::to_string(m_setup.port.nPort));
    if (strDevice.empty() || strDevice[0] != '/')
        return true; // a network port: its connection is tried again
    if (!std::filesystem::exists(strDevice, error))
        return false;
    m_setup.port.strDeviceNode = strDevice;
    return true;
}

void CUpdateUnit::OnSerialEvent(std::uintptr_t wParam, std::intptr_t lParam) {
    if (wParam == kConnectFinished) {
        OnConnected();
        return;
    }
    if (m_bRunOver || !m_pEngine)
        return;
    const UpdateState before = m_pEngine->GetState();
    m_pEngine->OnSerialEvent(wParam, lParam);
    if ((wParam & 0xFFFF) == kEventLineGone) {
        PortGone(before);
        return;
    }
    const UpdateState state = m_pEngine->GetState();
    if (!m_bDetected && state != Idle && state != StartUpdate && state != WaitForTarget) {
        m_bDetected = true;
        m_detectedAt = Clock::now();
    }
    Settle();
}

void CUpdateUnit::OnIdle() {
    if (m_bRunOver || !m_pEngine || m_pConnect)
        return;
    if (m_bGone) {
        if (m_setup.nWaitSeconds > 0 &&
            Clock::now() - m_waitFrom >= std::chrono::seconds(m_setup.nWaitSeconds)) {
            m_bGone = false;
            Finish(UnitOutcome::Failed,
                   "Port Gone: " + m_setup.port.strDeviceNode + " did not return within " +
                       std::to_string(m_setup.nWaitSeconds) + " s",
                   true);
        } else if (Clock::now() - m_lastLook >= kLookPeriod) {
            m_lastLook = Clock::now();
            if (DeviceIsThere())
                Begin();
        }
        return;
    }
    if (m_pEngine->IsAwaitingReply()) {
        m_pEngine->StepUpdate(IdleTick);
        Settle();
        return;
    }
    const UpdateState state = m_pEngine->GetState();
    if (m_setup.nWaitSeconds > 0 && (state == WaitForTarget || state == WaitForAckProgramFlash) &&
        Clock::now() - m_waitFrom >= std::chrono::seconds(m_setup.nWaitSeconds)) {
        if (state == WaitForTarget && m_setup.bRepeat && UnitsDone() > 0) {
            // The bench has run out of units: the port's run ends, no unit failed.
            m_pEngine->StepUpdate(CancelPressed);
            m_bRunOver = true;
            m_bEndedIdle = true;
            SetStatusText("No Further Unit within " + std::to_string(m_setup.nWaitSeconds) + " s");
            return;
        }
        const std::string strResult =
            (state == WaitForTarget ? "Not Detected within " : "No Acknowledgement within ") +
            std::to_string(m_setup.nWaitSeconds) + " s";
        m_pEngine->StepUpdate(CancelPressed);
        Finish(UnitOutcome::Failed, strResult, true);
    }
}

void CUpdateUnit::Interrupt() {
    if (m_bRunOver || !m_pEngine)
        return;
    if (m_pConnect) {
        m_bRunOver = true; // nothing is open yet; the connection is let go once it is made
        return;
    }
    const UpdateState state = m_pEngine->GetState();
    if (state == WaitReply || state == SendSRecord) {
        // Cancel is not offered while records flow; the unit is left as a closed window
        // leaves it, and its port is released with the engine.
        const std::string strResult = m_strStatus;
        Finish(UnitOutcome::Interrupted, strResult, true);
        m_pEngine.reset();
        return;
    }
    const bool bUnitPresent = state == WaitForAckProgramFlash;
    m_pEngine->StepUpdate(CancelPressed);
    if (bUnitPresent)
        Finish(UnitOutcome::Interrupted, "Interrupted before sending", true);
    m_bRunOver = true;
}

void CUpdateUnit::Settle() {
    if (m_bRunOver || !m_pEngine)
        return;
    const UpdateState state = m_pEngine->GetState();
    if (state == WaitDonePress)
        Finish(UnitOutcome::Completed, m_strStatus, false);
    else if (state == ActionFail)
        Finish(UnitOutcome::Failed, m_strStatus, false);
}

void CUpdateUnit::Finish(UnitOutcome outcome, const std::string& strResult, bool bEndsRun) {
    CUnitResult result;
    result.strTime = UtcTimeStamp(std::chrono::system_clock::now());
    result.nPort = m_setup.port.nPort;
    result.strDevice = m_setup.port.strDeviceNode;
    result.strStableName = m_setup.port.strStableName;
    result.strProduct = m_setup.strProduct;
    result.strModel = StringFromId(m_setup.target.GetVariantNameId(m_setup.target.GetVariant()));
    result.strFile = m_strFile;
    result.strSha256 = m_strSha256;
    result.nRecordsSent = m_pEngine->GetRecordsSent();
    result.nRecordsTotal = m_pEngine->GetRecordsTotal();
    if (m_bDetected)
        result.dSeconds = std::chrono::duration<double>(Clock::now() - m_detectedAt).count();
    result.strResult = strResult;
    result.outcome = outcome;
    ++m_counts[static_cast<int>(outcome)];
    m_lastOutcome = outcome;
    m_strLastResult = strResult;
    m_observer.OnUnitFinished(*this, result);

    // Done after a completion, Cancel after a failure: back to Idle, every port and file closed.
    const UpdateState state = m_pEngine->GetState();
    if (state == WaitDonePress)
        m_pEngine->StepUpdate(StartPressed);
    else if (state == ActionFail)
        m_pEngine->StepUpdate(CancelPressed);
    if (bEndsRun || !m_setup.bRepeat)
        m_bRunOver = true;
    else if (m_bLineGone)
        WaitForReturn(); // the next unit comes on the device that returns
    else
        Begin();
}

int CUpdateUnit::UnitsDone() const {
    return m_counts[0] + m_counts[1] + m_counts[2];
}

std::string CUpdateUnit::StateLabel() const {
    if (m_bEndedIdle)
        return "Ended";
    if (m_bGone)
        return "Gone";
    if (m_pConnect && !m_bRunOver)
        return "Connecting";
    if (m_bRunOver) {
        return m_lastOutcome == UnitOutcome::Completed ? "Completed"
               : m_lastOutcome == UnitOutcome::Failed  ? "Failed"
                                                       : "Interrupted";
    }
    switch (m_pEngine ? m_pEngine->GetState() : Idle) {
    case WaitForTarget:
        return "Switch On";
    case WaitForAckProgramFlash:
        return "Detected";
    case SendSRecord:
    case WaitReply:
        return "Updating";
    default:
        return "Starting";
    }
}

void CUpdateUnit::SetStatusText(const std::string& strText) {
    m_strStatus = strText;
    if (!IsRecordCount(strText))
        m_observer.OnUnitText(*this, "status", strText);
}

void CUpdateUnit::SetActionText(const std::string& strText) {
    m_strAction = strText;
    m_observer.OnUnitText(*this, "action", strText);
}

void CUpdateUnit::SetProgressText(const std::string& strText) {
    m_observer.OnUnitText(*this, "progress", strText);
}

void CUpdateUnit::LogEvent(LogCategory category, const std::string& strText) {
    if ((m_setup.nLogMask & category) != 0)
        m_observer.OnUnitText(*this, "log", strText);
}

int CUpdateUnit::GetSelectedSoftware() const {
    // The window pre-selects the newest file, the first of the list.
    return m_setup.target.GetSoftwareFiles().empty() ? -1 : 0;
}

void CUpdateUnit::RefreshSoftware() {
    const CSoftwareRefresh refresh = CUpdateSession::RefreshSoftwareOf(&m_setup.target, 1);
    SetStatusText(refresh.strStatusText);
    SetActionText(refresh.strActionText);
}

} // namespace vantoro
