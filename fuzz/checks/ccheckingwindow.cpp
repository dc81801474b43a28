#include "fuzz/checks/ccheckingwindow.h"

#include "fuzz/checks/ctextpattern.h"

#include <algorithm>
#include <cctype>

namespace vantoro {

namespace {

// Failures the equipment can report, and the time-out, as shown after "Fatal Error. ".
const char* const kFailureFormats[] = {
    "%s Reports Comms Error",
    "%s Reports File S Record Error @ Record %d",
    "%s Reports Record Checksum Error @ Record %d",
    "%s Reports SIO Timeout Error",
    "%s Reports Flash Write Fail Error",
    "%s Reports Flash Erase Fail Error",
    "Unexpected Reply Character from %s ",
    "Comms Timeout with %s @ Record %d",
    "%s Restarted @ Record %d",
};

const char* const kActionFormats[] = {
    "Ensure %s is Off. Press Update To Continue. Press Cancel to Abort",
    "Turn %s On to Start Code Update, or Press Cancel to Abort",
    "Updating %s Software .. Please Wait",
    "Update Failed. Press Cancel to Continue",
    " Press Cancel to Try Again",
    "Press Cancel to Try Again",
};

// What the engine logs about a reply ("%c" is the reply byte itself).
const char* const kReplyLogFormats[] = {
    "Wait Reply : End Record Recieved.. Update Complete",
    "Wait Reply : Address Low Error  @ Record %d",
    "Wait Reply : Address Too High @ Record %d",
    "Wait Reply : Comms Error",
    "Wait Reply : S Record Error Reported",
    "Wait Reply : Record Checksum Error @ Record %d",
    "Wait Reply : SIO Timeout",
    "Wait Reply : Flash Write Fail Reported",
    "Wait Reply : Flash Erase Fail Reported",
    "Wait Reply : Target Comms Timeout",
    "Wait Reply : Target Restarted @ Record %d",
};

} // namespace

void CCheckingWindow::Expect(const std::string& strModel, const std::string& strCompleteStatus,
                             const std::string& strCompleteAction, int nRecordsTotal) {
    m_strModel = strModel;
    m_strCompleteStatus = strCompleteStatus;
    m_strCompleteAction = strCompleteAction;
    m_nRecordsTotal = nRecordsTotal;
    m_strStatus.clear();
}

void CCheckingWindow::Fault(const std::string& strWhat, const std::string& strText) {
    if (m_strFault.empty()) {
        m_strFault = strWhat + " \"" + strText + "\"";
    }
}

bool CCheckingWindow::MatchesRecordFormat(const std::string& strText, const char* pszFormat,
                                          int nHighest) const {
    const auto numbers = CTextPattern::Match(strText, pszFormat, m_strModel);
    if (!numbers) {
        return false;
    }
    for (long long nNumber : *numbers) {
        if (nNumber < 1 || nNumber > nHighest) {
            return false;
        }
    }
    return true;
}

bool CCheckingWindow::IsStatusAllowed(const std::string& strText) const {
    if (strText == m_strCompleteStatus || strText == "Can't Open Code File" ||
        MatchesRecordFormat(strText, "%d Records Sent", m_nRecordsTotal) ||
        MatchesRecordFormat(strText, "File Error @ Record %d. Update Failed",
                            m_nRecordsTotal + 1)) {
        return true;
    }
    const std::string strFatal = "Fatal Error. ";
    if (strText.compare(0, strFatal.size(), strFatal) != 0) {
        return false;
    }
    const std::string strCause = strText.substr(strFatal.size());
    for (const char* pszFormat : kFailureFormats) {
        if (MatchesRecordFormat(strCause, pszFormat, m_nRecordsTotal)) {
            return true;
        }
    }
    return false;
}

bool CCheckingWindow::IsActionAllowed(const std::string& strText) const {
    if (strText == m_strCompleteAction) {
        return true;
    }
    for (const char* pszFormat : kActionFormats) {
        if (CTextPattern::Match(strText, pszFormat, m_strModel)) {
            return true;
        }
    }
    const auto minutes =
        CTextPattern::Match(strText, "Updating %s Software ..  Complete in %dm %ds", m_strModel);
    if (minutes) {
        return (*minutes)[0] >= 1 && (*minutes)[1] >= 0 && (*minutes)[1] < 60;
    }
    const auto seconds =
        CTextPattern::Match(strText, "Updating %s Software ..  Complete in %ds", m_strModel);
    return seconds && (*seconds)[0] >= 0 && (*seconds)[0] < 60;
}

void CCheckingWindow::SetStatusText(const std::string& strText) {
    m_strStatus = strText;
    if (!IsStatusAllowed(strText)) {
        Fault("Status line shows", strText);
    }
}

void CCheckingWindow::SetActionText(const std::string& strText) {
    if (!IsActionAllowed(strText)) {
        Fault("Action line shows", strText);
    }
}

void CCheckingWindow::SetProgressPos(int nPercent) {
    if (nPercent < 0 || nPercent > 100) {
        Fault("progress bar at", std::to_string(nPercent));
    }
}

void CCheckingWindow::SetProgressText(const std::string& strText) {
    if (strText == "Idle" || strText == "Update Failed" || strText == "Update Complete") {
        return;
    }
    const auto percent = CTextPattern::Match(strText, "%d %%", "");
    if (!percent || (*percent)[0] < 0 || (*percent)[0] > 100) {
        Fault("progress bar reads", strText);
    }
}

void CCheckingWindow::SetStartCaption(const std::string& strCaption) {
    if (strCaption != "&Start" && strCaption != "&Update" && strCaption != "&Done") {
        Fault("Start button reads", strCaption);
    }
}

void CCheckingWindow::LogEvent(LogCategory category, const std::string& strText) {
    const std::uint32_t nBits = static_cast<std::uint32_t>(category);
    if (nBits == 0 || (nBits & (nBits - 1)) != 0 || nBits > LogDebug) {
        Fault("log line of no single category", strText);
    } else if (strText.empty()) {
        Fault("empty log line", strText);
    } else if (strText.compare(0, 13, "Wait Reply : ") == 0 && !IsReplyLogAllowed(strText)) {
        Fault("reply logged as", strText);
    }
}

namespace {

bool IsVisibleByteText(const std::string& strByte) {
    if (strByte.size() == 1)
        return strByte[0] > 0x20 && strByte[0] < 0x7F;
    if (strByte.size() < 4 || strByte.compare(0, 2, "0x") != 0 ||
        !std::isxdigit(static_cast<unsigned char>(strByte[2])) ||
        !std::isxdigit(static_cast<unsigned char>(strByte[3])))
        return false;
    if (strByte.size() == 4)
        return true;
    if (strByte.size() < 7 || strByte.compare(4, 2, " (") != 0 || strByte.back() != ')')
        return false;
    return std::all_of(strByte.begin() + 6, strByte.end() - 1,
                       [](unsigned char c) { return std::isalnum(c); });
}

} // namespace

bool CCheckingWindow::IsReplyLogAllowed(const std::string& strText) const {
    // Any byte at all may have come; it is shown as a printable character or as 0xHH with an
    // optional name, so the line never holds a line break or a zero byte.
    const std::string strUnexpected = "Wait Reply : Unexpected Reply Character ";
    if (strText.compare(0, strUnexpected.size(), strUnexpected) == 0 &&
        IsVisibleByteText(strText.substr(strUnexpected.size()))) {
        return true;
    }
    for (const char* pszFormat : kReplyLogFormats) {
        if (MatchesRecordFormat(strText, pszFormat, m_nRecordsTotal)) {
            return true;
        }
    }
    return false;
}

} // namespace vantoro
