#pragma once

#include "serial/cfiledescriptor.h"
#include "sim/cmemoryimage.h"
#include "sim/csrecordchecker.h"
#include "sim/simoptions.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace vantoro {

// The equipment's boot loader on the far end of a serial line: boots on power-on, answers the
// handshake, checks and "programs" every record and plays the configured faults. Run() serves
// the line until Stop(); PowerOn(), PowerOff() and Stop() may be called from any thread.
class CTargetSimulator {
public:
    enum State { Off, WaitHandshake, Programming, Done, HungUp };

    explicit CTargetSimulator(SimOptions options);
    ~CTargetSimulator();
    CTargetSimulator(const CTargetSimulator&) = delete;
    CTargetSimulator& operator=(const CTargetSimulator&) = delete;

    // Creates the pseudo-terminal (or opens --device) and makes the link; false with a message.
    bool Open(std::string& strError);
    // Path the update program opens: the pseudo-terminal's slave, or the device.
    const std::string& GetDevicePath() const { return m_strDevicePath; }

    // Serves the line until Stop(), or until done or hung up with bExitWhenDone. Returns 0, or 1
    // when the line failed.
    int Run();

    void PowerOn();
    void PowerOff();
    void Stop();

    State GetState() const { return m_state.load(); }
    int GetRecordsReceived() const { return m_nRecords.load(); }
    int GetPowerOnCount() const { return m_nPowerOns.load(); }
    // Every line received since the last power-on, each with its line feed.
    std::string GetReceived() const;
    std::vector<std::uint8_t> GetImage() const;

    // Writes the --received and --image files.
    bool WriteOutputs() const;

private:
    using Clock = std::chrono::steady_clock;

    void Wake();
    void HandleCommands();
    void Boot();
    void Receive(const char* pData, std::size_t nLength);
    void ReceiveLine();
    void SendAck();
    void Reply(const std::string& strReplies);
    void Send(const std::string& strData);
    void PaceReceived(std::size_t nBytes);
    void SleepUntil(Clock::time_point when) const;
    void HangUp();
    bool WatchForOpens(std::string& strError);
    void WatchOpens();
    bool ShouldStop() const;

    SimOptions m_options;
    CSRecordChecker m_checker;
    CFileDescriptor m_master;
    CFileDescriptor m_wakeup;
    CFileDescriptor m_openWatch; // inotify on the device node, for --power-on-when-opened
    std::string m_strDevicePath;
    std::string m_strLinkPath;

    std::atomic<State> m_state{Off};
    std::atomic<bool> m_bPowerOnRequested{false};
    std::atomic<bool> m_bPowerOffRequested{false};
    std::atomic<bool> m_bStopRequested{false};
    std::atomic<int> m_nRecords{0};
    std::atomic<int> m_nPowerOns{0};

    mutable std::mutex m_mutex; // guards the received text and the image
    std::string m_strReceived;
    CMemoryImage m_image;

    std::string m_strLine;
    std::string m_strHandshakeTail;
    long long m_nBytesReceived = 0;
    unsigned m_nNoiseSeed = 12345;
    Clock::time_point m_rxFreeAt{};
    Clock::duration m_byteTime{};
    std::optional<Clock::time_point> m_powerAt;
    int m_nOpenCount = 0;
};

} // namespace vantoro
