#include "fuzz/checks/cenginefuzzrig.h"

#include "catalogue/ccatalogue.h"
#include "catalogue/cstringtable.h"
#include "serial/comportnames.h"
#include "update/textformat.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace vantoro {

namespace {

constexpr int kPort = 7;
constexpr int kNotificationWait = 2000; // ms; a notification normally follows within microseconds
constexpr int kRecordCounts[] = {1, 3, 40, 4};
constexpr bool kCrLfEndings[] = {false, false, false, true};

std::string Text(int nId) {
    std::string strText;
    LoadStringId(nId, strText);
    return strText;
}

std::string MakeRecord(int nIndex) {
    std::vector<unsigned> bytes = {3 + 8, static_cast<unsigned>(nIndex * 8) >> 8,
                                   static_cast<unsigned>(nIndex * 8) & 0xFF};
    for (int i = 0; i < 8; ++i) {
        bytes.push_back(static_cast<unsigned>(nIndex * 31 + i * 7) & 0xFF);
    }
    unsigned nSum = 0;
    std::string strLine = "S1";
    char szByte[3];
    for (unsigned nByte : bytes) {
        nSum += nByte;
        std::snprintf(szByte, sizeof szByte, "%02X", nByte);
        strLine += szByte;
    }
    std::snprintf(szByte, sizeof szByte, "%02X", ~nSum & 0xFF);
    return strLine + szByte;
}

} // namespace

CEngineFuzzRig& CEngineFuzzRig::Instance() {
    static CEngineFuzzRig rig;
    return rig;
}

CEngineFuzzRig::CEngineFuzzRig() {
    OpenTerminal();
    MakeCodeFiles();
    m_catalogue = BuildCatalogue();
}

void CEngineFuzzRig::OpenTerminal() {
    m_master.Reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    char szName[256];
    if (!m_master.IsValid() || ::grantpt(m_master.Get()) != 0 || ::unlockpt(m_master.Get()) != 0 ||
        ::ptsname_r(m_master.Get(), szName, sizeof szName)) {
        std::fprintf(stderr, "engine rig: no pseudo-terminal\n");
        std::abort();
    }
    m_slave.Reset(::open(szName, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    termios tio{};
    if (!m_slave.IsValid() || ::tcgetattr(m_slave.Get(), &tio) != 0) {
        std::fprintf(stderr, "engine rig: cannot open %s\n", szName);
        std::abort();
    }
    ::cfmakeraw(&tio);
    ::tcsetattr(m_slave.Get(), TCSANOW, &tio);
    const std::string strDosDevices = m_folder.FilePath("dosdevices");
    ::mkdir(strDosDevices.c_str(), 0755);
    const std::string strLink = strDosDevices + "/com" + std::to_string(kPort);
    if (::symlink(szName, strLink.c_str()) != 0) {
        std::fprintf(stderr, "engine rig: cannot link %s\n", strLink.c_str());
        std::abort();
    }
    SetDosDevicesFolder(strDosDevices);
}

void CEngineFuzzRig::MakeCodeFiles() {
    for (std::size_t nFile = 0; nFile < std::size(kRecordCounts); ++nFile) {
        std::vector<std::string> records;
        for (int i = 0; i < kRecordCounts[nFile]; ++i) {
            records.push_back(MakeRecord(i));
        }
        records.push_back("S9030000FC");
        std::string strContent;
        for (const std::string& strRecord : records) {
            strContent += strRecord + (kCrLfEndings[nFile] ? "\r\n" : "\n");
        }
        const std::string strPath = m_folder.FilePath("code" + std::to_string(nFile) + ".s19");
        CScratchFolder::WriteFile(strPath, strContent);
        m_codePaths.push_back(strPath);
        m_codeRecords.push_back(std::move(records));
    }
}

std::string CEngineFuzzRig::Run(const std::uint8_t* pData, std::size_t nSize) {
    CFuzzInput input(pData, nSize);
    const std::uint8_t nHeader = input.TakeByte();
    CTarget& target = m_catalogue.at(nHeader & 1);
    const std::size_t nFile = (nHeader >> 1) & 3;
    target.SetVariantFile(m_codePaths[nFile]);
    target.FindSoftware();
    m_pRecords = &m_codeRecords[nFile];
    m_strHandshake = Text(target.GetHandshakeTextId());
    m_strSent.clear();
    m_nNextRecord = 0;
    m_detection = CDetectionWindow();
    m_strTail.clear();
    m_window.ClearFault();
    m_window.Expect(Text(target.GetVariantNameId(target.GetVariant())),
                    Text(target.GetCompleteStatusId()), Text(target.GetCompleteActionId()),
                    static_cast<int>(m_pRecords->size()));
    // Just before the wrap, a time-out must still be measured across it.
    m_clock.SetNow((nHeader & 8) ? 0xFFFFFFFFu - 9000u : 1000u);
    m_nLastHeard = m_clock.GetTickCount();

    std::string strFault;
    {
        UpdateEngine engine(m_window, &m_queue, m_clock);
        engine.SetTarget(&target);
        engine.SetPortNumber(kPort);
        engine.SetReplyTimeout(kMinReplyTimeout);
        if (!(nHeader & 16)) {
            engine.StepUpdate(StartPressed);
            engine.StepUpdate(StartPressed);
            if (engine.GetState() != WaitForTarget) {
                strFault = "the update did not reach WaitForTarget: " + m_window.GetStatus();
            }
        }
        while (strFault.empty() && !input.IsEmpty()) {
            strFault = PlayOperation(engine, input);
        }
        const std::string strWindDown = WindDown(engine);
        if (strFault.empty()) {
            strFault = strWindDown;
        }
    }
    const std::string strReset = Reset();
    return strFault.empty() ? strReset : strFault;
}

std::string CEngineFuzzRig::PlayOperation(UpdateEngine& engine, CFuzzInput& input) {
    const std::uint8_t nOperation = input.TakeByte();
    std::string strFault;
    if (nOperation < 0x80) {
        const std::string strBytes = input.TakeText((nOperation & 0x3F) + 1u);
        strFault = Receive(engine, strBytes, (nOperation & 0x40) == 0);
    } else if (nOperation < 0xC0) {
        strFault = MoveClock(engine, (nOperation & 0x3Fu) * 350u);
    } else {
        engine.StepUpdate(nOperation < 0xE0 ? StartPressed : CancelPressed);
    }
    DrainSent();
    if (strFault.empty()) {
        strFault = CheckAtRest(engine);
    }
    return strFault;
}

std::string CEngineFuzzRig::Receive(UpdateEngine& engine, const std::string& strBytes,
                                    bool bDeliver) {
    bool bArrived = false;
    if (engine.IsPortOpen()) {
        // A full line buffer drops the rest, as an overrun would.
        ssize_t nWritten;
        do {
            nWritten = ::write(m_master.Get(), strBytes.data(), strBytes.size());
        } while (nWritten < 0 && errno == EINTR);
        bArrived = nWritten > 0;
    }
    std::string strFault = CheckDetectionWindow(strBytes);
    if (!bDeliver || !strFault.empty()) {
        return strFault;
    }
    std::uintptr_t wParam = 0;
    if (!m_queue.Take(wParam, bArrived ? kNotificationWait : 0)) {
        return bArrived ? "no notification within 2 s of bytes arriving" : "";
    }
    do {
        m_nLastHeard = m_clock.GetTickCount();
        engine.OnSerialEvent(wParam, 0);
    } while (m_queue.Take(wParam, 0));
    return "";
}

// The engine's detection window, fed the same bytes on its own, against the plain tail of
// everything received.
std::string CEngineFuzzRig::CheckDetectionWindow(const std::string& strBytes) {
    static const std::string kTexts[] = {"\n", "ceL\n", "", "12345678", "123456789"};
    for (char c : strBytes) {
        m_detection.Push(c);
        m_strTail = (m_strTail + c).substr(m_strTail.size() + 1 > 8 ? 1 : 0);
        for (const std::string& strText : kTexts) {
            const bool bExpected =
                !strText.empty() && m_strTail.size() >= strText.size() &&
                m_strTail.compare(m_strTail.size() - strText.size(), strText.size(), strText) == 0;
            if (m_detection.EndsWith(strText) != bExpected) {
                return "the detection window holding \"" + m_strTail + "\" says " +
                       (bExpected ? "no" : "yes") + " to \"" + strText + "\"";
            }
        }
    }
    return "";
}

std::string CEngineFuzzRig::MoveClock(UpdateEngine& engine, std::uint32_t nMillis) {
    const bool bAwaiting = engine.GetState() == WaitReply;
    m_clock.Advance(nMillis);
    engine.StepUpdate(IdleTick);
    const std::uint32_t nSilent = m_clock.GetTickCount() - m_nLastHeard;
    if (bAwaiting && nSilent > engine.GetReplyTimeout() && engine.GetState() == WaitReply) {
        return "still waiting for a reply after " + std::to_string(nSilent) + " ms of silence";
    }
    return "";
}

std::string CEngineFuzzRig::CheckAtRest(const UpdateEngine& engine) {
    if (!m_window.GetFault().empty()) {
        return m_window.GetFault();
    }
    const UpdateState state = engine.GetState();
    const int nSent = engine.GetRecordsSent();
    if (state < Idle || state > ActionFail || state == SendSRecord || state == ReleasePort ||
        state == CycleComplete) {
        return "the engine rests in state " + std::to_string(state);
    }
    if (nSent < 0 || nSent > engine.GetRecordsTotal() ||
        engine.GetRecordsTotal() > static_cast<int>(m_pRecords->size())) {
        return "records sent " + std::to_string(nSent) + " of " +
               std::to_string(engine.GetRecordsTotal());
    }
    const bool bPort = engine.IsPortOpen();
    const bool bFile = engine.IsCodeFileOpen();
    if ((state == WaitForTarget || state == WaitForAckProgramFlash || state == WaitReply) &&
        !(bPort && bFile)) {
        return "port or code file closed in state " + std::to_string(state);
    }
    if ((state == Idle || state == WaitDonePress) && (bPort || bFile)) {
        return "port or code file left open in state " + std::to_string(state);
    }
    if (state == WaitReply && m_window.GetStatus() != FormatText("%d Records Sent", nSent)) {
        return "awaiting a reply with the Status line \"" + m_window.GetStatus() + "\"";
    }
    return CheckSentBytes();
}

void CEngineFuzzRig::DrainSent() {
    char buffer[512];
    for (;;) {
        const ssize_t nRead = ::read(m_master.Get(), buffer, sizeof buffer);
        if (nRead > 0) {
            m_strSent.append(buffer, static_cast<std::size_t>(nRead));
        } else if (nRead < 0 && errno == EINTR) {
            continue;
        } else {
            return;
        }
    }
}

// The line carries only handshake texts and records, each record the next one of the file or
// the first one again (a new cycle); anything else is a corrupted or misordered transfer.
std::string CEngineFuzzRig::CheckSentBytes() {
    const std::vector<std::string>& records = *m_pRecords;
    while (!m_strSent.empty()) {
        if (m_strSent.compare(0, m_strHandshake.size(), m_strHandshake) == 0) {
            m_strSent.erase(0, m_strHandshake.size());
            continue;
        }
        const std::size_t nEnd = m_strSent.find('\n');
        if (nEnd == std::string::npos) {
            const bool bPartial =
                m_strHandshake.compare(0, m_strSent.size(), m_strSent) == 0 ||
                records.front().compare(0, m_strSent.size(), m_strSent) == 0 ||
                (m_nNextRecord < records.size() &&
                 records[m_nNextRecord].compare(0, m_strSent.size(), m_strSent) == 0);
            return bPartial ? "" : "the line carries \"" + m_strSent + "\"";
        }
        const std::string strLine = m_strSent.substr(0, nEnd);
        m_strSent.erase(0, nEnd + 1);
        if (m_nNextRecord < records.size() && strLine == records[m_nNextRecord]) {
            ++m_nNextRecord;
        } else if (strLine == records.front()) {
            m_nNextRecord = 1;
        } else {
            return "sent \"" + strLine + "\" where record " + std::to_string(m_nNextRecord + 1) +
                   " was due";
        }
    }
    return "";
}

// Whatever the input left behind, the cycle can be ended by the user and the clock alone, and
// ending it releases the port and the code file.
std::string CEngineFuzzRig::WindDown(UpdateEngine& engine) {
    for (int nStep = 0; nStep < 8 && engine.GetState() != Idle; ++nStep) {
        switch (engine.GetState()) {
        case WaitReply:
            m_clock.Advance(engine.GetReplyTimeout() + 1);
            engine.StepUpdate(IdleTick);
            break;
        case WaitDonePress:
            engine.StepUpdate(StartPressed);
            break;
        default:
            engine.StepUpdate(CancelPressed);
            break;
        }
    }
    DrainSent();
    if (!m_window.GetFault().empty()) {
        return m_window.GetFault();
    }
    if (engine.GetState() != Idle) {
        return "Cancel, Done and the time-out do not bring the engine back to Idle";
    }
    if (engine.IsPortOpen() || engine.IsCodeFileOpen()) {
        return "back in Idle with the port or the code file open";
    }
    return CheckSentBytes();
}

// Nothing of one input may reach the next: bytes still on their way in either direction are
// flushed through by a marker sent behind them, and stale notifications are dropped.
// Once everything the engine wrote has arrived, the line must end between two whole texts.
std::string CEngineFuzzRig::Reset() {
    std::string strDiscard;
    const bool bInbound = SyncThrough(m_master.Get(), m_slave.Get(), strDiscard);
    const bool bOutbound = SyncThrough(m_slave.Get(), m_master.Get(), m_strSent);
    std::string strFault = CheckSentBytes();
    if (strFault.empty() && !m_strSent.empty()) {
        strFault = "the line ends inside a text: \"" + m_strSent + "\"";
    }
    if (strFault.empty() && !(bInbound && bOutbound)) {
        strFault = "the pseudo-terminal did not pass a marker within two seconds";
    }
    m_strSent.clear();
    m_queue.Clear();
    return strFault;
}

bool CEngineFuzzRig::SyncThrough(int nFromFd, int nToFd, std::string& strArrived) {
    static const std::string kMarker("\x01\x02rig-sync\x03", 11);
    if (::write(nFromFd, kMarker.data(), kMarker.size()) != static_cast<ssize_t>(kMarker.size())) {
        return false;
    }
    for (int nWaits = 0; nWaits < 200; ++nWaits) {
        char buffer[512];
        const ssize_t nRead = ::read(nToFd, buffer, sizeof buffer);
        if (nRead > 0) {
            strArrived.append(buffer, static_cast<std::size_t>(nRead));
            const std::size_t nAt = strArrived.find(kMarker);
            if (nAt != std::string::npos) {
                strArrived.resize(nAt);
                return true;
            }
            continue;
        }
        pollfd poll{nToFd, POLLIN, 0};
        ::poll(&poll, 1, 10);
    }
    return false;
}

} // namespace vantoro
