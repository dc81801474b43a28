#pragma once

#include "catalogue/ctarget.h"
#include "cli/cunitresult.h"
#include "serial/comportdiscovery.h"
#include "update/iupdatewindow.h"
#include "update/updateengine.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace vantoro {

class ISerialMessageSink;
class IUnitObserver;

// What one port's units are updated with.
struct CUnitSetup {
    ComPortEntry port;
    CTarget target; // the unit's own copy: its refresh never disturbs another port
    std::string strProduct;
    std::uint32_t nReplyTimeoutMs = kMinReplyTimeout;
    int nWaitSeconds = -1; // -1: wait for the equipment until interrupted
    bool bRepeat = false;
    bool bForce = false;        // a code file with errors is sent all the same (--force)
    std::uint32_t nLogMask = 0; // log categories passed on
};

// One port and the units updated on it, one after another: its own update engine, driven as
// a user drives the window (Start, Update, Done or Cancel), with the window's texts passed on
// to an observer. Everything runs on the loop's thread; the port's listener only posts.
class CUpdateUnit : public IUpdateWindow {
public:
    CUpdateUnit(CUnitSetup setup, ISerialMessageSink& sink, IUnitObserver& observer);
    ~CUpdateUnit() override;
    CUpdateUnit(const CUpdateUnit&) = delete;
    CUpdateUnit& operator=(const CUpdateUnit&) = delete;

    // Start and Update: the code file is opened and the port waits for the equipment.
    void Begin();
    void OnSerialEvent(std::uintptr_t wParam, std::intptr_t lParam);
    // The loop's idle tick: the reply time-out, and the bound on the wait for the equipment.
    void OnIdle();
    // Ctrl-C: Cancel where the window offers it; while records flow, the engine is dropped as
    // closing the window drops it. Either way the port is released at once.
    void Interrupt();

    bool IsFinished() const { return m_bRunOver; }
    const ComPortEntry& Port() const { return m_setup.port; }
    // What the live line shows.
    std::string StateLabel() const;
    int GetPercent() const { return m_nPercent; }
    const std::string& GetStatusText() const { return m_strStatus; }
    const std::string& GetActionText() const { return m_strAction; }
    int GetCount(UnitOutcome outcome) const { return m_counts[static_cast<int>(outcome)]; }
    const std::string& GetLastResult() const { return m_strLastResult; }

    // IUpdateWindow
    void SetStatusText(const std::string& strText) override;
    void SetActionText(const std::string& strText) override;
    void SetProgressPos(int nPercent) override { m_nPercent = nPercent; }
    void SetProgressText(const std::string& strText) override;
    void SetStartCaption(const std::string&) override {}
    void EnableStart(bool) override {}
    void EnableCancel(bool) override {}
    void SetFocusTo(UpdateFocus) override {}
    void EnableSelectionControls(bool) override {}
    void LogEvent(LogCategory category, const std::string& strText) override;
    int GetSelectedSoftware() const override;
    void RefreshSoftware() override;
    bool AcceptFileWithErrors(const std::string& strPath, const CFileVerdict& verdict) override;

private:
    using Clock = std::chrono::steady_clock;

    void Settle();
    // The port's device went away while the engine was in state awaited: when the equipment
    // was awaited it is said at once; on --repeat the port waits for it to return.
    void PortGone(UpdateState awaited);
    void WaitForReturn();
    bool DeviceIsThere();
    // A network port is connected on a thread of its own, so that a slow or silent server
    // holds up neither the loop nor another port; the engine then takes the connection made.
    // False when the port is no network port or its connection is there already.
    bool StartConnect();
    void OnConnected();
    std::string LinkPath() const;
    int UnitsDone() const;
    // Reports the unit, brings the engine back to Idle, and starts the next unit on --repeat
    // unless bEndsRun (the port or the file cannot be used at all).
    void Finish(UnitOutcome outcome, const std::string& strResult, bool bEndsRun);

    CUnitSetup m_setup;
    IUnitObserver& m_observer;
    ISerialMessageSink& m_sink;
    std::unique_ptr<UpdateEngine> m_pEngine;

    bool m_bRunOver = false;
    bool m_bDetected = false;
    bool m_bEndedIdle = false; // --repeat --wait: no further unit came; nothing failed
    bool m_bLineGone = false;  // the device went away during this cycle
    bool m_bGone = false;      // waiting for the device to return (--repeat)
    bool m_bLinked = false;    // the port is reached through a comN link
    Clock::time_point m_lastLook{};
    std::string m_strRefusal; // the file check's refusal of this cycle's code file
    // What a connecting thread found. The thread is never waited for: a run that ends while
    // a server is still being asked lets it go, and the thread then tells nobody.
    struct ConnectJob {
        std::mutex mutex;
        ISerialMessageSink* pSink = nullptr;
        int nCheck = 0;
        std::uint32_t nError = 0;
        std::string strCause;
    };
    std::shared_ptr<ConnectJob> m_pConnect;
    bool m_bConnected = false;
    Clock::time_point m_waitFrom{};
    Clock::time_point m_detectedAt{};
    std::string m_strFile;
    std::string m_strSha256;
    std::string m_strStatus;
    std::string m_strAction;
    std::string m_strLastResult;
    UnitOutcome m_lastOutcome = UnitOutcome::Failed;
    int m_nPercent = 0;
    int m_counts[3] = {0, 0, 0};
};

} // namespace vantoro
