#include "update/updateengine.h"

#include "catalogue/cstringtable.h"
#include "catalogue/ctarget.h"
#include "platform/ctickclock.h"
#include "serial/cnetworkconnector.h"
#include "serial/comportnames.h"
#include "serial/cserialwndadapter.h"
#include "serial/networkportname.h"
#include "serial/serialtypes.h"
#include "srecord/cfilecheck.h"
#include "srecord/csha256.h"
#include "update/creplytable.h"
#include "update/textformat.h"

#include <cstdio>

namespace vantoro {

UpdateEngine::UpdateEngine(IUpdateWindow& window, ISerialMessageSink* pSink,
                           const ITickSource& ticks)
    : m_window(window), m_pSink(pSink), m_ticks(ticks),
      m_pSerial(std::make_unique<CSerialWndAdapter>()) {}

// The adapter's destructor stops the listener thread before the port is closed.
UpdateEngine::~UpdateEngine() = default;

bool UpdateEngine::IsPortOpen() const {
    return m_pSerial->HasPort();
}

void UpdateEngine::StepUpdate(UpdateEvent event) {
    do {
        m_bReRun = false;
        m_bFail = false;
        Dispatch(event);
    } while (m_bReRun);
}

void UpdateEngine::Dispatch(UpdateEvent event) {
    switch (m_nState) {
    case Idle:
        OnIdle(event);
        break;
    case StartUpdate:
        OnStartUpdate(event);
        break;
    case WaitForTarget:
        OnWaitForTarget(event);
        break;
    case WaitForAckProgramFlash:
        OnWaitForAck(event);
        break;
    case SendSRecord:
        SendNextRecord();
        break;
    case WaitReply:
        OnWaitReply(event);
        break;
    case WaitDonePress:
        OnWaitDonePress(event);
        break;
    case ActionFail:
        OnActionFail(event);
        break;
    case ReleasePort:
    case CycleComplete:
        break; // reached below, within the step that entered them
    }
    if (m_nState == ReleasePort) {
        ReleaseThePort();
    }
    if (m_nState == CycleComplete) {
        ReturnToIdle();
    }
}

long UpdateEngine::OnSerialEvent(std::uintptr_t wParam, std::intptr_t /*lParam*/) {
    const std::uint32_t nEvent = static_cast<std::uint32_t>(wParam & 0xFFFF);
    if (nEvent == EV_BREAK) {
        Log(LogLowLevelComms, "Serial Event Break");
    } else if (nEvent == EV_ERR) {
        Log(LogLowLevelComms, "Serial Event Error");
        m_pSerial->PurgeBuffers();
    } else if (nEvent == EV_RXCHAR) {
        Log(LogLowLevelComms, "Serial Event Rx Any Char");
        StepUpdate(SerialReceived);
    } else if (nEvent == EV_TXEMPTY) {
        Log(LogLowLevelComms, "Serial Event Send Char");
    } else if (nEvent == kEventLineGone) {
        // Said at once, so the person knows why; the reply time-out still ends an update.
        const bool bNetwork = LooksLikeNetworkPortName(m_strPortDevice);
        Log(LogSystem, FormatText(bNetwork ? "Port %d (%s) Hung Up: the server closed the network "
                                             "connection"
                                           : "Port %d (%s) Hung Up: the device has gone (adapter "
                                             "pulled or equipment's USB disconnected)",
                                  m_nPortNumber, m_strPortDevice.c_str()));
        if (m_nState == WaitForTarget || m_nState == WaitForAckProgramFlash) {
            FailLineGone();
        }
    } else if (nEvent == kEvNetworkChecked) {
        OnNetworkChecked();
    }
    return 0;
}

// Nothing will arrive on a port that has gone: waiting for the equipment would be for ever.
void UpdateEngine::FailLineGone() {
    const char* pszState =
        m_nState == WaitForTarget ? "WaitForTarget : " : "WaitForAckProgramFlash: ";
    m_window.EnableCancel(true);
    m_window.SetFocusTo(UpdateFocus::Cancel);
    m_window.SetStatusText(
        FormatText("Port %d Hung Up while Waiting for %s", m_nPortNumber, m_strModelName.c_str()));
    m_window.SetActionText("Press Cancel to Try Again");
    Log(LogApplication, FormatText("%sPort %d Hung Up", pszState, m_nPortNumber));
    m_pSerial->ClosePort();
    m_codeFile.CloseIfOpen();
    m_nState = ActionFail;
}

void UpdateEngine::StartNetworkCheck(const std::string& strName) {
    ISerialMessageSink* pSink = m_pSink;
    const std::uint32_t nMessage = SerialDefaultComMessage();
    m_pConnector = std::make_unique<CNetworkConnector>(strName, [pSink, nMessage] {
        if (pSink != nullptr) {
            pSink->PostSerialMessage(nMessage, kEvNetworkChecked, 0);
        }
    });
    Log(LogHighLevelComms, FormatText("Port %d: Connecting to %s", m_nPortNumber, strName.c_str()));
    m_window.SetActionText(
        FormatText("Connecting to %s, or Press Cancel to Abort", strName.c_str()));
}

void UpdateEngine::OnNetworkChecked() {
    if (m_nState != StartUpdate || !m_pConnector || !m_pConnector->IsDone()) {
        return; // given up meanwhile, or not yet
    }
    m_pConnector.reset();
    m_bNetworkChecked = true; // the open takes the connection, or the failure, it left
    StepUpdate(StartPressed);
}

void UpdateEngine::OnIdle(UpdateEvent event) {
    if (event == StartPressed) {
        StartCycle();
    }
}

void UpdateEngine::OnStartUpdate(UpdateEvent event) {
    if (event == StartPressed && !m_pConnector) {
        OpenPort();
    } else if (event == IdleTick && m_pConnector) {
        OnNetworkChecked(); // a front end without notifications still gets there
    } else if (event == CancelPressed) {
        m_pConnector.reset(); // given up: its thread ends within tens of milliseconds
        m_window.EnableCancel(false);
        Log(LogApplication, "StartUpdate: Cancel Button Press");
        m_nState = ReleasePort;
    }
}

void UpdateEngine::OnWaitForTarget(UpdateEvent event) {
    if (event == SerialReceived) {
        DetectTarget();
    } else if (event == CancelPressed) {
        m_window.EnableCancel(false);
        Log(LogApplication, "WaitForTarget : Cancel Button Press");
        m_nState = ReleasePort;
    }
}

void UpdateEngine::OnWaitForAck(UpdateEvent event) {
    if (event == SerialReceived) {
        ReadAcknowledge();
    } else if (event == CancelPressed) {
        // Cancel stays enabled here, as it was.
        Log(LogApplication, "WaitForAckProgramFlash: Cancel Button Press");
        m_nState = ReleasePort;
    }
}

void UpdateEngine::OnWaitReply(UpdateEvent event) {
    if (event == SerialReceived) {
        InterpretReply();
    } else if (event == IdleTick) {
        if (m_bRecordUnfinished) {
            ContinueRecord();
        }
        if (m_nState == WaitReply) {
            CheckReplyTimeout();
        }
    }
}

void UpdateEngine::OnWaitDonePress(UpdateEvent event) {
    if (event == StartPressed) {
        Log(LogApplication, "Wait Done Press : Done Button Press");
        m_nState = ReleasePort;
    }
}

void UpdateEngine::OnActionFail(UpdateEvent event) {
    if (event == CancelPressed) {
        Log(LogApplication, "Action Fail : Cancel Button Press");
        m_nState = ReleasePort;
    }
}

std::string UpdateEngine::LoadText(int nId) const {
    std::string strText;
    LoadStringId(nId, strText);
    return strText;
}

void UpdateEngine::StartCycle() {
    Log(LogApplication, "StartUpdate: Start Button Press");
    m_bNetworkChecked = false;
    m_strCheckedSha256.clear();
    m_window.EnableSelectionControls(false);
    m_progress.Reset();
    m_codeFile.CloseIfOpen();
    m_bRecordUnfinished = false;

    m_strModelName.clear();
    m_strDetectText.clear();
    std::string strPath;
    if (m_pTarget != nullptr) {
        m_strModelName = LoadText(m_pTarget->GetVariantNameId(m_pTarget->GetVariant()));
        m_strDetectText = LoadText(m_pTarget->GetDetectTextId());
        strPath = m_pTarget->GetSoftwarePath(m_window.GetSelectedSoftware());
    }

    std::unique_ptr<CPreparedCodeFile> pPrepared = std::move(m_pPrepared);
    if (pPrepared && pPrepared->GetPath() != strPath)
        pPrepared.reset();
    if (strPath.empty() ||
        !(pPrepared ? pPrepared->TakeFile(m_codeFile) : m_codeFile.OpenAndCount(strPath))) {
        m_window.SetStatusText("Can't Open Code File");
        m_window.SetActionText("Press Cancel to Try Again");
        m_window.EnableStart(false);
        m_window.EnableCancel(true);
        m_window.SetFocusTo(UpdateFocus::Cancel);
        m_nState = ActionFail;
        Log(LogApplication, "Cannot Open File " + strPath);
        return;
    }
    m_progress.Reset();
    Log(LogApplication, "StartUpdate: Opened File " + strPath);
    Log(LogApplication,
        FormatText("StartUpdate: File has %d Records", m_codeFile.GetRecordsTotal()));
    m_nState = StartUpdate;
    if (!CheckCodeFile(strPath, pPrepared.get())) {
        // Exactly what Cancel does here: nothing of the file has gone anywhere.
        m_window.EnableCancel(false);
        Log(LogApplication, "StartUpdate: Cancel Button Press");
        m_nState = ReleasePort;
        return;
    }
    m_window.SetStartCaption("&Update");
    m_window.EnableCancel(true);
    m_window.SetActionText(
        FormatText("Ensure %s is Off. Press Update To Continue. Press Cancel to Abort",
                   m_strModelName.c_str()));
}

bool UpdateEngine::CheckCodeFile(const std::string& strPath, const CPreparedCodeFile* pPrepared) {
    CFileVerdict verdict;
    std::string strReason;
    const bool bRead = pPrepared ? pPrepared->GetVerdict(verdict, strReason)
                                 : CFileCheck::CheckFile(strPath, verdict, strReason);
    if (!bRead) {
        verdict.errors.push_back({0, "the file cannot be read: " + strReason});
        verdict.nErrors = 1;
    }
    Log(LogApplication, "StartUpdate: File Check: " + verdict.Summary());
    m_strCheckedPath = strPath;
    m_strCheckedSha256 = verdict.strSha256;
    if (!verdict.HasErrors()) {
        return true;
    }
    if (!m_window.AcceptFileWithErrors(strPath, verdict)) {
        return false;
    }
    Log(LogApplication, "StartUpdate: File Check: Update Anyway Chosen");
    return true;
}

void UpdateEngine::OpenPort() {
    m_window.EnableStart(false);
    m_window.SetFocusTo(UpdateFocus::Cancel);

    const std::string strDevice = FormatText("\\\\.\\Com%d", m_nPortNumber);
    if (m_bConnectAside && !m_bNetworkChecked &&
        LooksLikeNetworkPortName(ResolveComDevice(strDevice))) {
        StartNetworkCheck(ResolveComDevice(strDevice));
        return;
    }
    m_bNetworkChecked = false;
    std::uint32_t nError = 0;
    std::string strCause;
    const int nCheck = CSerialWndAdapter::ProbePort(strDevice.c_str(), &nError, &strCause);

    std::string strAction;
    std::string strLogText;
    if (nCheck == PortAvailable) {
        // Named as it was when opened: a link may be gone by the time the device is.
        m_strPortDevice = ResolveComDevice(strDevice);
        m_pSerial->OpenForWindowObject(strDevice.c_str(), m_pSink, 0, 0);
        int nBaudRate = 0;
        const std::string strBaud =
            m_pTarget != nullptr ? LoadText(m_pTarget->GetBaudRateId()) : "";
        std::sscanf(strBaud.c_str(), "%d", &nBaudRate);
        m_pSerial->ConfigureLine(static_cast<std::uint32_t>(nBaudRate), 8, NOPARITY, ONESTOPBIT);
        m_pSerial->SetHandshaking(HandshakeOff);
        m_pSerial->SetEventMask(EV_RXCHAR);
        strLogText = FormatText("Port %d opened", m_nPortNumber);
        m_nState = WaitForTarget;
        strAction = FormatText("Turn %s On to Start Code Update, or Press Cancel to Abort",
                               m_strModelName.c_str());
    } else {
        m_bFail = true;
        const char* pszWhy = nCheck == PortUnavailable ? "Unavailable"
                             : nCheck == PortInUse     ? "In Use"
                                                       : "Unknown";
        strLogText = FormatText("Unable to open Port %d. It is %s. Error %d", m_nPortNumber, pszWhy,
                                static_cast<int>(nError));
        strAction = "Press Cancel to Try Again";
    }
    m_window.SetActionText(strAction);
    if (m_bFail) {
        m_window.SetStatusText(strLogText);
    }
    Log(LogApplication, "StartUpdate: " + strLogText);
    if (!strCause.empty()) {
        Log(LogSystem, strCause); // e.g. a permission problem and what to do about it
    }
    if (m_bFail) {
        m_nState = ActionFail;
    }
}

bool UpdateEngine::HasCodeFileChanged() const {
    return !m_strCheckedSha256.empty() && CSha256::OfFile(m_strCheckedPath) != m_strCheckedSha256;
}

// A new version copied over the file while the unit was being switched on: the file is checked
// again at the next Start, and the equipment keeps the software it has.
void UpdateEngine::FailChangedFile() {
    m_window.EnableCancel(true);
    m_window.SetFocusTo(UpdateFocus::Cancel);
    m_window.SetStatusText(
        FormatText("Code File Changed since its Check. %s Not Updated", m_strModelName.c_str()));
    m_window.SetActionText("Press Cancel to Try Again");
    Log(LogApplication, "WaitForTarget : Code File Changed since its Check: " + m_strCheckedPath);
    m_pSerial->ClosePort();
    m_codeFile.CloseIfOpen();
    m_nState = ActionFail;
}

void UpdateEngine::ReleaseThePort() {
    m_nState = CycleComplete;
    if (m_pSerial->HasPort()) {
        m_pSerial->ClosePort();
        Log(LogHighLevelComms, FormatText("Port %d Closed", m_nPortNumber));
    }
}

void UpdateEngine::ReturnToIdle() {
    m_codeFile.CloseIfOpen();
    m_window.SetStartCaption("&Start");
    m_window.EnableStart(true);
    m_window.EnableCancel(false);
    m_window.SetProgressPos(0);
    m_window.SetProgressText("Idle");
    m_window.RefreshSoftware();
    m_nState = Idle;
    m_window.EnableSelectionControls(true);
    m_window.SetFocusTo(UpdateFocus::Start);
    Log(LogApplication, "Complete : Update Cycle Complete");
}

void UpdateEngine::FailUpdate(const std::string& strStatus, const std::string& strLog) {
    m_window.EnableCancel(true);
    m_window.SetFocusTo(UpdateFocus::Cancel);
    m_window.SetStatusText("Fatal Error. " + strStatus);
    m_window.SetActionText("Update Failed. Press Cancel to Continue");
    Log(LogApplication, strLog);
    m_window.SetProgressText("Update Failed");
    m_pSerial->ClosePort();
    m_codeFile.CloseIfOpen();
    m_nState = ActionFail;
}

} // namespace vantoro
