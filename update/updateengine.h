#pragma once

#include "update/ccodefile.h"
#include "update/cdetectionwindow.h"
#include "update/cpreparedcodefile.h"
#include "update/cupdateprogress.h"
#include "update/iupdatewindow.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vantoro {

class CNetworkConnector;
class CSerialWndAdapter;
class CTarget;
class ISerialMessageSink;
class ITickSource;

// The update cycle's states; the numbers are part of the contract (the close question reads them).
enum UpdateState : int {
    Idle = 0,
    StartUpdate = 1,
    WaitForTarget = 2,
    WaitForAckProgramFlash = 3,
    SendSRecord = 4,
    WaitReply = 5,
    WaitDonePress = 6,
    ReleasePort = 7,
    CycleComplete = 8,
    ActionFail = 9,
};

// The four things that drive the cycle.
enum UpdateEvent : int {
    StartPressed = 0,
    IdleTick = 1,
    SerialReceived = 2,
    CancelPressed = 3,
};

// Whether closing the window in this state must first ask "Complete the Update ?": from the
// handshake until the update has ended, and while a failure is on screen.
constexpr bool CloseNeedsConfirmation(UpdateState state) {
    return !(state == Idle || state == StartUpdate || state == WaitForTarget ||
             state == WaitDonePress);
}

// Serial event bits the engine tells apart in a notification.
constexpr std::uint32_t kEvRxChar = 0x0001;
// Not a line event: the engine's own notice that a network port's check has finished.
constexpr std::uint32_t kEvNetworkChecked = 0x4000;
constexpr std::uint32_t kEvTxEmpty = 0x0004;
constexpr std::uint32_t kEvBreak = 0x0040;
constexpr std::uint32_t kEvErr = 0x0080;

// Smallest and default reply time-out, in milliseconds.
constexpr std::uint32_t kMinReplyTimeout = 10000;

// The firmware update cycle: from Start to Done, the conversation with the equipment's boot
// loader, the code file and the progress display. It owns the serial port and the code file;
// the window is reached only through IUpdateWindow, so any front end (or a test) can drive it.
// Every call must come from one thread (the UI thread); the port's listener thread only posts to
// the sink given here, and the front end hands those notifications to OnSerialEvent.
class UpdateEngine {
public:
    // The sink receives the port's notifications (from the listener thread); the tick source gives
    // the millisecond clock for the reply time-out and the estimate. Both must outlive the engine.
    UpdateEngine(IUpdateWindow& window, ISerialMessageSink* pSink, const ITickSource& ticks);
    ~UpdateEngine();
    UpdateEngine(const UpdateEngine&) = delete;
    UpdateEngine& operator=(const UpdateEngine&) = delete;

    // The one entry of the cycle.
    void StepUpdate(UpdateEvent event);

    // A notification from the port (wParam: event bits low, line errors high). Returns 0.
    long OnSerialEvent(std::uintptr_t wParam, std::intptr_t lParam);

    UpdateState GetState() const { return m_nState; }

    // True while a record's reply is awaited: the front end should then deliver idle ticks
    // periodically, so a silent device fails at its time-out.
    bool IsAwaitingReply() const { return m_nState == WaitReply; }

    // On: a network port (rfc2217://, socket://) is connected on a worker thread when Update is
    // pressed, and StepUpdate returns at once; the engine goes on when the worker's notification
    // (posted to the sink, handed back through OnSerialEvent) arrives, or at an idle tick after
    // it is done. Cancel gives the connection up. Off (the default): the open waits in place.
    void SetConnectNetworkPortsAside(bool bAside) { m_bConnectAside = bAside; }
    bool IsConnectingNetworkPort() const { return m_pConnector != nullptr; }

    // The current platform; read at each Start press, at detection and at completion. May be null
    // (nothing can then be sent: the file path is empty).
    void SetTarget(const CTarget* pTarget) { m_pTarget = pTarget; }
    void SetPortNumber(int nPortNumber) { m_nPortNumber = nPortNumber; }
    int GetPortNumber() const { return m_nPortNumber; }
    // Milliseconds; the caller applies the settings rule (whole seconds, at least 10).
    void SetReplyTimeout(std::uint32_t nMillis) { m_nReplyTimeout = nMillis; }
    std::uint32_t GetReplyTimeout() const { return m_nReplyTimeout; }

    int GetRecordsSent() const { return m_codeFile.GetRecordsSent(); }
    int GetRecordsTotal() const { return m_codeFile.GetRecordsTotal(); }
    bool IsPortOpen() const;
    bool IsCodeFileOpen() const { return m_codeFile.IsOpen(); }
    // The code file the next Start reads, already read elsewhere (off the window's thread):
    // that Start takes it instead, if it is still the file selected then.
    void UsePreparedFile(std::unique_ptr<CPreparedCodeFile> pFile) {
        m_pPrepared = std::move(pFile);
    }

private:
    void Dispatch(UpdateEvent event);
    void OnIdle(UpdateEvent event);
    void OnStartUpdate(UpdateEvent event);
    void OnWaitForTarget(UpdateEvent event);
    void OnWaitForAck(UpdateEvent event);
    void OnWaitReply(UpdateEvent event);
    void OnWaitDonePress(UpdateEvent event);
    void OnActionFail(UpdateEvent event);

    void StartCycle();
    // Runs the file check on the opened file and logs its verdict; false when the user chose
    // not to send a file with errors.
    bool CheckCodeFile(const std::string& strPath, const CPreparedCodeFile* pPrepared);
    void OpenPort();
    void DetectTarget();
    void ReadAcknowledge();
    void BeginSending();
    void SendNextRecord();
    // The next piece of a line longer than one write, once the port has taken the last one.
    void ContinueRecord();
    void InterpretReply();
    void CheckReplyTimeout();
    void CompleteUpdate(const std::string& strLog);
    void FailUpdate(const std::string& strStatus, const std::string& strLog);
    void FailFile(bool bReadError);
    void ReleaseThePort();
    void ReturnToIdle();
    void ShowProgress();
    // The network port's check, started on a worker so this thread stays free meanwhile.
    void StartNetworkCheck(const std::string& strName);
    void OnNetworkChecked();
    void FailLineGone();
    bool HasCodeFileChanged() const;
    void FailChangedFile();

    std::string LoadText(int nId) const;
    int ReadPort(char* pBuffer, int nCapacity, const char* pszErrorLog, LogCategory category);
    void WritePort(const std::string& strData);
    void Log(LogCategory category, const std::string& strText) {
        m_window.LogEvent(category, strText);
    }

    IUpdateWindow& m_window;
    ISerialMessageSink* m_pSink;
    const ITickSource& m_ticks;
    const CTarget* m_pTarget = nullptr;
    int m_nPortNumber = 1;
    std::string m_strPortDevice; // the device the port was opened on
    std::uint32_t m_nReplyTimeout = kMinReplyTimeout;

    UpdateState m_nState = Idle;
    bool m_bFail = false;
    bool m_bReRun = false;
    bool m_bRecordUnfinished = false; // part of a long line is still to be sent

    std::string m_strModelName;
    std::string m_strDetectText;
    std::uint32_t m_nReplyTick = 0;

    bool m_bConnectAside = false;
    bool m_bNetworkChecked = false; // the worker's answer is parked for the open
    std::unique_ptr<CNetworkConnector> m_pConnector;
    std::string m_strCheckedPath;
    std::string m_strCheckedSha256; // of the code file as its check read it

    std::unique_ptr<CSerialWndAdapter> m_pSerial;
    CCodeFile m_codeFile;
    std::unique_ptr<CPreparedCodeFile> m_pPrepared;
    CDetectionWindow m_detection;
    CUpdateProgress m_progress;
};

} // namespace vantoro
