// The engine's half that speaks to the equipment: detection, acknowledgement, records, replies,
// the reply time-out, progress and completion.
#include "update/updateengine.h"

#include "catalogue/cstringtable.h"
#include "catalogue/ctarget.h"
#include "platform/ctickclock.h"
#include "serial/cserialwndadapter.h"
#include "serial/serialtypes.h"
#include "update/creplytable.h"
#include "update/textformat.h"

namespace vantoro {

namespace {

constexpr std::size_t kReadSize = 10;
// A record up to this long goes out in one write with its line feed, as always; a longer line
// (only a file sent despite the file check can hold one) goes in pieces of this size, so the
// engine's memory does not grow with it.
constexpr std::size_t kMostPerWrite = 64 * 1024;

} // namespace

int UpdateEngine::ReadPort(char* pBuffer, int nCapacity, const char* pszErrorLog,
                           LogCategory category) {
    std::uint32_t nRead = 0;
    if (m_pSerial->ReadBytes(pBuffer, static_cast<std::size_t>(nCapacity), &nRead, nullptr,
                             INFINITE) != 0) {
        Log(category, pszErrorLog);
    }
    return static_cast<int>(nRead);
}

void UpdateEngine::WritePort(const std::string& strData) {
    std::uint32_t nWritten = 0;
    m_pSerial->WriteBytes(strData.data(), strData.size(), &nWritten, nullptr, 0);
}

void UpdateEngine::DetectTarget() {
    char buffer[kReadSize];
    for (;;) {
        const int nRead =
            ReadPort(buffer, kReadSize, "WaitForTarget : Port Read Error", LogHighLevelComms);
        bool bMatched = false;
        for (int i = 0; i < nRead; ++i) {
            m_detection.Push(buffer[i]);
            if (!m_detection.EndsWith(m_strDetectText)) {
                continue;
            }
            Log(LogApplication, "Model Detected");
            // The handshake makes the equipment erase itself: never for a file it will not get.
            if (HasCodeFileChanged()) {
                FailChangedFile();
                return;
            }
            m_pSerial->SetEventMask(EV_RXCHAR);
            WritePort(m_pTarget != nullptr ? LoadText(m_pTarget->GetHandshakeTextId()) : "");
            m_nState = WaitForAckProgramFlash;
            bMatched = true;
        }
        // A full read may have left more in the driver, and no new notification comes for it.
        if (bMatched || nRead != static_cast<int>(kReadSize)) {
            return;
        }
    }
}

void UpdateEngine::ReadAcknowledge() {
    char buffer[kReadSize];
    const int nRead =
        ReadPort(buffer, kReadSize, "WaitForAckProgramFlash: Port Read Error", LogHighLevelComms);
    for (int i = 0; i < nRead; ++i) {
        if (buffer[i] == 'F') {
            BeginSending();
        }
    }
}

void UpdateEngine::BeginSending() {
    m_nState = SendSRecord;
    m_bReRun = true;
    m_nReplyTick = m_ticks.GetTickCount();
    m_window.SetActionText(
        FormatText("Updating %s Software .. Please Wait", m_strModelName.c_str()));
    m_window.EnableCancel(false);
    m_window.SetFocusTo(UpdateFocus::Hidden);
    Log(LogApplication, "WaitForAckProgramFlash: Recieved Ack");
}

void UpdateEngine::SendNextRecord() {
    std::string strPart;
    bool bComplete = false;
    const CCodeFile::ReadResult result =
        m_codeFile.ReadRecordPart(strPart, kMostPerWrite, bComplete);
    if (result != CCodeFile::Record) {
        m_bRecordUnfinished = false;
        FailFile(result == CCodeFile::ReadError);
        return;
    }
    m_nState = WaitReply;
    if (!bComplete) {
        // The rest follows piece by piece as the port takes it (at the idle ticks), so neither
        // the engine nor the port's queue ever holds more than a piece of the line.
        WritePort(strPart);
        m_bRecordUnfinished = true;
        m_nReplyTick = m_ticks.GetTickCount();
        return;
    }
    strPart.push_back('\n');
    WritePort(strPart);
    m_bRecordUnfinished = false;
    m_codeFile.AddRecordSent();
    m_window.SetStatusText(FormatText("%d Records Sent", m_codeFile.GetRecordsSent()));
    ShowProgress();
}

void UpdateEngine::ContinueRecord() {
    if (m_pSerial->QueuedOutput() != 0) {
        return; // the reply time-out ends a port that takes nothing more
    }
    m_nReplyTick = m_ticks.GetTickCount();
    SendNextRecord();
}

void UpdateEngine::FailFile(bool bReadError) {
    const int nRecord = m_codeFile.GetRecordsSent() + 1;
    m_window.SetStatusText(FormatText("File Error @ Record %d. Update Failed", nRecord));
    m_window.SetActionText(" Press Cancel to Try Again");
    m_window.EnableStart(false);
    m_window.EnableCancel(true);
    m_window.SetFocusTo(UpdateFocus::Cancel);
    if (bReadError) {
        // Not the end of the file: say why, so the user does not look for a short file.
        Log(LogSystem, "Send S Record: Code File Changed or Unreadable");
    }
    Log(LogApplication,
        FormatText("Send S Record: File Error @ Record %d. Update Failed", nRecord));
    m_nState = ActionFail;
}

void UpdateEngine::ShowProgress() {
    const CUpdateProgress::Change change = m_progress.AfterRecordSent(
        m_codeFile.GetRecordsSent(), m_codeFile.GetRecordsTotal(), m_ticks.GetTickCount());
    if (change.bPercentChanged) {
        m_window.SetProgressPos(change.nPercent);
        m_window.SetProgressText(FormatText("%d %%", change.nPercent));
    }
    if (change.bEstimateChanged) {
        m_window.SetActionText(FormatText("Updating %s Software .. ", m_strModelName.c_str()) +
                               m_progress.GetEstimateText());
    }
}

void UpdateEngine::InterpretReply() {
    char buffer[kReadSize];
    const int nRead = ReadPort(buffer, kReadSize, "WaitReply : Port Read Error", LogApplication);
    if (nRead == 0) {
        return;
    }
    // One read is one reply: whatever else came with it is dropped.
    const ReplyOutcome outcome =
        CReplyTable::InterpretRead(std::string_view(buffer, static_cast<std::size_t>(nRead)),
                                   m_strDetectText, m_strModelName, m_codeFile.GetRecordsSent());
    switch (outcome.kind) {
    case ReplyOutcome::SendNext:
        m_nReplyTick = m_ticks.GetTickCount();
        m_nState = SendSRecord;
        m_bReRun = true;
        break;
    case ReplyOutcome::Complete:
        CompleteUpdate(outcome.strLog);
        break;
    case ReplyOutcome::Warning:
        m_nReplyTick = m_ticks.GetTickCount();
        Log(outcome.category, outcome.strLog);
        break;
    case ReplyOutcome::Failure:
        FailUpdate(outcome.strStatus, outcome.strLog);
        break;
    }
}

void UpdateEngine::CheckReplyTimeout() {
    const std::uint32_t nElapsed = m_ticks.GetTickCount() - m_nReplyTick;
    if (nElapsed > m_nReplyTimeout) {
        // A port that stopped taking the record looks the same to the equipment as silence,
        // but the technician should know the record never went out whole.
        const std::size_t nUnsent = m_pSerial->QueuedOutput();
        if (nUnsent != 0) {
            Log(LogSystem, FormatText("Wait Reply : Record %d not sent, the port took no more "
                                      "(%d bytes left)",
                                      m_codeFile.GetRecordsSent(), static_cast<int>(nUnsent)));
        }
        FailUpdate(FormatText("Comms Timeout with %s @ Record %d", m_strModelName.c_str(),
                              m_codeFile.GetRecordsSent()),
                   "Wait Reply : Target Comms Timeout");
    }
}

void UpdateEngine::CompleteUpdate(const std::string& strLog) {
    m_window.SetStatusText(m_pTarget != nullptr ? LoadText(m_pTarget->GetCompleteStatusId()) : "");
    m_window.SetActionText(m_pTarget != nullptr ? LoadText(m_pTarget->GetCompleteActionId()) : "");
    m_window.SetProgressText("Update Complete");
    m_window.EnableStart(true);
    m_window.SetStartCaption("&Done");
    m_window.SetFocusTo(UpdateFocus::Start);
    m_pSerial->ClosePort();
    m_codeFile.CloseIfOpen();
    m_nState = WaitDonePress;
    Log(LogApplication, strLog);
}

} // namespace vantoro
