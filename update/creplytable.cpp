#include "update/creplytable.h"

#include "update/textformat.h"

namespace vantoro {

namespace {

ReplyOutcome Failure(std::string strStatus, std::string strLog) {
    ReplyOutcome outcome;
    outcome.kind = ReplyOutcome::Failure;
    outcome.strStatus = std::move(strStatus);
    outcome.strLog = std::move(strLog);
    return outcome;
}

ReplyOutcome Warning(std::string strLog) {
    ReplyOutcome outcome;
    outcome.kind = ReplyOutcome::Warning;
    outcome.strLog = std::move(strLog);
    outcome.category = LogHighLevelComms;
    return outcome;
}

bool IsReplyCharacter(char c) {
    static const std::string_view kReplies = "C+<>!()*[]";
    return kReplies.find(c) != std::string_view::npos;
}

bool LooksLikeDetection(std::string_view read, const std::string& strDetectText) {
    if (read.empty() || strDetectText.empty())
        return false;
    return read.find(strDetectText) != std::string_view::npos ||
           std::string_view(strDetectText).substr(0, read.size()) == read;
}

} // namespace

ReplyOutcome CReplyTable::InterpretRead(std::string_view read, const std::string& strDetectText,
                                        const std::string& strModel, int nRecord) {
    if (!read.empty() && !IsReplyCharacter(read.front()) &&
        LooksLikeDetection(read, strDetectText)) {
        // A power dip or a watchdog: the boot loader starts over and waits for a new handshake,
        // so nothing more of this update can land.
        return Failure(FormatText("%s Restarted @ Record %d", strModel.c_str(), nRecord),
                       FormatText("Wait Reply : Target Restarted @ Record %d", nRecord));
    }
    return Interpret(read.empty() ? '\0' : read.front(), strModel, nRecord);
}

ReplyOutcome CReplyTable::Interpret(char cReply, const std::string& strModel, int nRecord) {
    const char* pszModel = strModel.c_str();
    switch (cReply) {
    case 'C': {
        ReplyOutcome outcome;
        outcome.kind = ReplyOutcome::SendNext;
        return outcome;
    }
    case '+': {
        ReplyOutcome outcome;
        outcome.kind = ReplyOutcome::Complete;
        outcome.strLog = "Wait Reply : End Record Recieved.. Update Complete";
        return outcome;
    }
    case '<':
        return Warning(FormatText("Wait Reply : Address Low Error  @ Record %d", nRecord));
    case '>':
        return Warning(FormatText("Wait Reply : Address Too High @ Record %d", nRecord));
    case '!':
        return Failure(FormatText("%s Reports Comms Error", pszModel), "Wait Reply : Comms Error");
    case '(':
        return Failure(FormatText("%s Reports File S Record Error @ Record %d", pszModel, nRecord),
                       "Wait Reply : S Record Error Reported");
    case ')':
        return Failure(
            FormatText("%s Reports Record Checksum Error @ Record %d", pszModel, nRecord),
            FormatText("Wait Reply : Record Checksum Error @ Record %d", nRecord));
    case '*':
        return Failure(FormatText("%s Reports SIO Timeout Error", pszModel),
                       "Wait Reply : SIO Timeout");
    case '[':
        return Failure(FormatText("%s Reports Flash Write Fail Error", pszModel),
                       "Wait Reply : Flash Write Fail Reported");
    case ']':
        return Failure(FormatText("%s Reports Flash Erase Fail Error", pszModel),
                       "Wait Reply : Flash Erase Fail Reported");
    default:
        // A line break or a zero byte from the line must not break or cut the log line.
        return Failure(FormatText("Unexpected Reply Character from %s ", pszModel),
                       "Wait Reply : Unexpected Reply Character " +
                           VisibleByte(static_cast<unsigned char>(cReply)));
    }
}

} // namespace vantoro
