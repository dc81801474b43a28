#pragma once

#include "catalogue/ctarget.h"
#include "fuzz/checks/ccheckingwindow.h"
#include "fuzz/checks/cfuzzinput.h"
#include "fuzz/checks/cnotificationqueue.h"
#include "fuzz/checks/cscratchfolder.h"
#include "platform/ctickclock.h"
#include "serial/cfiledescriptor.h"
#include "update/cdetectionwindow.h"
#include "update/updateengine.h"

#include <string>
#include <vector>

namespace vantoro {

// The update engine on the slave side of one pseudo-terminal, made once per process; a fuzz
// input plays the equipment on the master side and the user's buttons and the clock around it.
//
// Input: a header byte (bit 0 platform, bits 1-2 code file, bit 3 clock just before its wrap,
// bit 4 stay idle instead of pressing Start twice), then operations until the input ends:
// 0x00-0x7F received bytes ((b & 0x3F) + 1 of them; bit 6 set: not handed to the engine yet),
// 0x80-0xBF the clock moves (b & 0x3F) * 350 ms and an idle tick follows, 0xC0-0xDF Start,
// 0xE0-0xFF Cancel.
class CEngineFuzzRig {
public:
    static CEngineFuzzRig& Instance();

    // Plays one input; the first broken promise, or the empty text.
    std::string Run(const std::uint8_t* pData, std::size_t nSize);

private:
    CEngineFuzzRig();

    void OpenTerminal();
    void MakeCodeFiles();
    std::string PlayOperation(UpdateEngine& engine, CFuzzInput& input);
    std::string Receive(UpdateEngine& engine, const std::string& strBytes, bool bDeliver);
    std::string CheckDetectionWindow(const std::string& strBytes);
    std::string MoveClock(UpdateEngine& engine, std::uint32_t nMillis);
    std::string CheckAtRest(const UpdateEngine& engine);
    std::string CheckSentBytes();
    std::string WindDown(UpdateEngine& engine);
    void DrainSent();
    std::string Reset();
    // Writes a marker to one end and reads the other until it arrives; what came before it is
    // appended to strArrived. False when the marker did not arrive within two seconds.
    static bool SyncThrough(int nFromFd, int nToFd, std::string& strArrived);

    CScratchFolder m_folder{"engine"};
    CFileDescriptor m_master;
    CFileDescriptor m_slave; // held open so the line never hangs up between cycles
    std::vector<CTarget> m_catalogue;
    std::vector<std::string> m_codePaths;
    std::vector<std::vector<std::string>> m_codeRecords;
    CNotificationQueue m_queue;
    CFakeTickSource m_clock;
    CCheckingWindow m_window;

    // One run's view of the line.
    const std::vector<std::string>* m_pRecords = nullptr;
    std::string m_strHandshake;
    std::string m_strSent;
    std::size_t m_nNextRecord = 0;
    std::uint32_t m_nLastHeard = 0;
    CDetectionWindow m_detection; // checked on its own against m_strTail
    std::string m_strTail;
};

} // namespace vantoro
