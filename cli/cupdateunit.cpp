#include "cli/cupdateunit.h"

#include "catalogue/cstringtable.h"
#include "cli/clitext.h"
#include "cli/csha256.h"
#include "cli/iunitobserver.h"
#include "platform/ctickclock.h"
#include "session/cupdatesession.h"

namespace vantoro {

namespace {

// "%d Records Sent": the progress already says it, so it is not passed on as a line.
bool IsRecordCount(const std::string& strText) {
    static const std::string kTail = " Records Sent";
    return !strText.empty() && strText[0] >= '0' && strText[0] <= '9' &&
           strText.size() > kTail.size() &&
           strText.compare(strText.size() - kTail.size(), kTail.size(), kTail) == 0;
}

} // namespace

CUpdateUnit::CUpdateUnit(CUnitSetup setup, ISerialMessageSink& sink, IUnitObserver& observer)
    : m_setup(std::move(setup)), m_observer(observer),
      m_pEngine(std::make_unique<UpdateEngine>(*this, &sink, SystemTicks())) {
    m_setup.target.FindSoftware();
    m_pEngine->SetTarget(&m_setup.target);
    m_pEngine->SetPortNumber(m_setup.port.nPort);
    m_pEngine->SetReplyTimeout(m_setup.nReplyTimeoutMs);
}

// The engine goes first: its port closes and its listener stops before the window it talks
// to is gone.
CUpdateUnit::~CUpdateUnit() {
    m_pEngine.reset();
}

void CUpdateUnit::Begin() {
    m_bDetected = false;
    m_nPercent = 0;
    m_pEngine->StepUpdate(StartPressed);
    m_strFile = m_setup.target.GetSoftwarePath(GetSelectedSoftware());
    if (m_pEngine->GetState() != StartUpdate) {
        Finish(UnitOutcome::Failed, m_strStatus, true);
        return;
    }
    m_strSha256 = CSha256::OfFile(m_strFile);
    m_pEngine->StepUpdate(StartPressed);
    if (m_pEngine->GetState() != WaitForTarget) {
        Finish(UnitOutcome::Failed, m_strStatus, true);
        return;
    }
    m_waitFrom = Clock::now();
}

void CUpdateUnit::OnSerialEvent(std::uintptr_t wParam, std::intptr_t lParam) {
    if (m_bRunOver || !m_pEngine)
        return;
    m_pEngine->OnSerialEvent(wParam, lParam);
    const UpdateState state = m_pEngine->GetState();
    if (!m_bDetected && state != Idle && state != StartUpdate && state != WaitForTarget) {
        m_bDetected = true;
        m_detectedAt = Clock::now();
    }
    Settle();
}

void CUpdateUnit::OnIdle() {
    if (m_bRunOver || !m_pEngine)
        return;
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
    else
        Begin();
}

int CUpdateUnit::UnitsDone() const {
    return m_counts[0] + m_counts[1] + m_counts[2];
}

std::string CUpdateUnit::StateLabel() const {
    if (m_bEndedIdle)
        return "Ended";
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
