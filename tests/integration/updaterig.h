#pragma once

#include "catalogue/ctarget.h"
#include "platform/ctickclock.h"
#include "serial/iserialmessagesink.h"
#include "sim/ctargetsimulator.h"
#include "update/iupdatewindow.h"
#include "update/updateengine.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace vantoro {

// A window that remembers everything the engine showed it.
class CRecordingWindow : public IUpdateWindow {
public:
    void SetStatusText(const std::string& s) override { Show(m_strStatus, m_statusHistory, s); }
    void SetActionText(const std::string& s) override { Show(m_strAction, m_actionHistory, s); }
    void SetProgressPos(int nPercent) override { m_nProgressPos = nPercent; }
    void SetProgressText(const std::string& s) override {
        Show(m_strProgressText, m_progressHistory, s);
    }
    void SetStartCaption(const std::string& strCaption) override { m_strCaption = strCaption; }
    void EnableStart(bool bEnable) override { m_bStartEnabled = bEnable; }
    void EnableCancel(bool bEnable) override { m_bCancelEnabled = bEnable; }
    void SetFocusTo(UpdateFocus focus) override { m_focus = focus; }
    void EnableSelectionControls(bool bEnable) override { m_bSelectionEnabled = bEnable; }
    void LogEvent(LogCategory category, const std::string& strText) override;
    int GetSelectedSoftware() const override { return m_nSelected; }
    void RefreshSoftware() override { ++m_nRefreshes; }

    // Log texts whose category is in nMask, in order.
    std::vector<std::string> Log(std::uint32_t nMask = ~0u) const;
    bool HasLogged(const std::string& strText) const;
    void ClearHistory();

    bool m_bKeepHistory = true; // off: long runs keep only the latest texts and the main log
    std::string m_strStatus, m_strAction, m_strProgressText, m_strCaption = "&Start";
    int m_nProgressPos = 0, m_nSelected = 0, m_nRefreshes = 0;
    bool m_bStartEnabled = false, m_bCancelEnabled = false, m_bSelectionEnabled = true;
    UpdateFocus m_focus = UpdateFocus::Start;
    std::vector<std::string> m_statusHistory, m_actionHistory, m_progressHistory;
    std::vector<std::pair<LogCategory, std::string>> m_log;

private:
    void Show(std::string& strNow, std::vector<std::string>& history, const std::string& strText);
};

// The listener thread's notifications, queued for the test's own "UI thread".
class CQueueSink : public ISerialMessageSink {
public:
    void PostSerialMessage(std::uint32_t nMessage, std::uintptr_t wParam,
                           std::intptr_t lParam) override;
    // The next notification, waiting at most nMillis.
    bool Take(std::uintptr_t& wParam, std::intptr_t& lParam, int nMillis);

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::pair<std::uintptr_t, std::intptr_t>> m_queue;
};

// The update engine and the real serial layer, run on the calling thread, against simulated
// equipment on a pseudo-terminal linked as COM5 of a private dosdevices folder. The equipment can
// be replaced between updates, so a second update after any fault runs on the same port.
class CUpdateRig {
public:
    static constexpr int kPort = 5;

    // nPlatform: 0 Saltir (detection "\n"), 1 Verrin ("ceL\n"). A null tick source uses the
    // rig's fake clock. Without options no equipment is started yet.
    explicit CUpdateRig(int nPlatform = 0, const ITickSource* pTicks = nullptr);
    explicit CUpdateRig(SimOptions options, int nPlatform = 0, const ITickSource* pTicks = nullptr);
    ~CUpdateRig();

    // Replaces the simulated equipment; the detection text is always the platform's.
    void StartSim(SimOptions options);
    void StopSim();

    // Writes a code file into the rig's folder and selects it.
    std::string UseCodeFile(const std::string& strContent, const std::string& strName = "code.s19");
    const std::string& Dir() const { return m_strDir; }
    std::string ModelName() const; // as the engine puts it into its texts

    // The front end's loop: notifications, then an idle tick, until bDone or nMillis passed.
    bool PumpUntil(const std::function<bool()>& bDone, int nMillis = 10000);
    // Start, Update and power on; true once the engine has left the waits for the equipment.
    bool StartAndPowerOn();
    // Until the engine rests where it waits for the user.
    bool RunToRest(int nMillis = 10000);
    // A fresh file from Start to Done on newly started, well-behaved equipment; false with a
    // reason unless it completed, sent the file exactly and came back to Idle.
    bool RunCleanUpdate(std::string& strWhy, int nRecords = 6);

    // Called after every notification handed to the engine (tests move the fake clock here).
    std::function<void()> m_afterEvent;

    CFakeTickSource m_clock{1000};
    CRecordingWindow m_window;
    CQueueSink m_sink;
    std::vector<CTarget> m_catalogue;
    std::unique_ptr<UpdateEngine> m_pEngine;
    std::unique_ptr<CTargetSimulator> m_pSim;

private:
    std::string m_strDir;
    std::thread m_simThread;
    int m_nPlatform;
};

// Whether any open descriptor of the process names strPath.
bool HoldsDescriptorTo(const std::string& strPath);

// "S1" data records of nDataBytes each from address 0, then an S9; each line in strEol.
std::string MakeSRecordFile(int nRecords, int nDataBytes = 16, const std::string& strEol = "\n");

} // namespace vantoro
