#pragma once

#include "updaterig.h"

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace vantoro {

// What the process holds at one moment, read from /proc/self.
struct ProcessSample {
    int nDescriptors = 0; // open descriptors, the simulators' pseudo-terminal masters left out
    int nThreads = 0;
    long nRssKb = 0;  // VmRSS
    long nPeakKb = 0; // VmHWM
};
ProcessSample SampleProcess();

// Whether any open descriptor of the process names strPath.
bool HoldsDescriptorTo(const std::string& strPath);

// The update engine and the real serial layer against simulated equipment that can be replaced
// between updates, always linked as COM5 of a private dosdevices folder, so that a second update
// after any fault runs on the same port. The engine runs on the calling thread with a fake clock.
class CHardRig {
public:
    static constexpr int kPort = 5;

    // nPlatform: 0 Saltir (detection "\n"), 1 Verrin ("ceL\n").
    explicit CHardRig(int nPlatform, const ITickSource* pTicks = nullptr);
    ~CHardRig();
    CHardRig(const CHardRig&) = delete;
    CHardRig& operator=(const CHardRig&) = delete;

    // Replaces the simulated equipment; the detection text is always the platform's.
    void StartSim(SimOptions options);
    void StopSim();

    // Writes a code file into the rig's folder and selects it.
    std::string UseCodeFile(const std::string& strContent, const std::string& strName = "code.s19");
    const std::string& Dir() const { return m_strDir; }
    std::string DeviceLinkPath() const;
    // Model name the engine puts into its texts.
    std::string ModelName() const;

    // The front end's loop: notifications, then an idle tick, until bDone or nMillis passed.
    bool PumpUntil(const std::function<bool()>& bDone, int nMillis = 10000);
    // Start, Update and power on; true once the engine has left the waits for the equipment.
    bool StartAndPowerOn();
    // Until the engine rests where it waits for the user.
    bool RunToRest(int nMillis = 10000);
    // A clean update of a fresh file from Start to Done against well-behaved equipment, on a
    // newly started simulator; false with a reason when it did not end back in Idle after
    // "Update Complete.".
    bool RunCleanUpdate(std::string& strWhy, int nRecords = 6);

    // Called after every notification handed to the engine.
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

// The detection text of a platform, as the simulator sends it.
std::string DetectTextOf(int nPlatform);

// How one update with the equipment hanging up at a given byte ended.
struct HangupOutcome {
    bool bAsDocumented = false;
    bool bNoLeak = false;
    std::string strWhy; // what went wrong, empty when both hold
};

// One update of strFile with the simulator hanging up when nByte bytes have arrived (counting
// the handshake text), taken to its documented end and back to Idle with Cancel: a hang-up
// during the handshake leaves the engine waiting for 'F' until Cancel; a later one ends in the
// reply time-out at the record being sent. Also checks that no descriptor or thread is left.
HangupOutcome RunHangupUpdate(CHardRig& rig, const std::string& strFile, long long nByte);

} // namespace vantoro
