#pragma once

#include "update/iupdatewindow.h"

#include <string>

namespace vantoro {

// A window that accepts only what the engine is allowed to show: every text must come from one
// of the engine's own formats, with the current model and a record number the file can have.
// The first text that does not is kept as the fault.
class CCheckingWindow : public IUpdateWindow {
public:
    // A new cycle of checks: model name, completion texts and the file's record count.
    void Expect(const std::string& strModel, const std::string& strCompleteStatus,
                const std::string& strCompleteAction, int nRecordsTotal);

    void SetStatusText(const std::string& strText) override;
    void SetActionText(const std::string& strText) override;
    void SetProgressPos(int nPercent) override;
    void SetProgressText(const std::string& strText) override;
    void SetStartCaption(const std::string& strCaption) override;
    void EnableStart(bool) override {}
    void EnableCancel(bool) override {}
    void SetFocusTo(UpdateFocus) override {}
    void EnableSelectionControls(bool) override {}
    void LogEvent(LogCategory category, const std::string& strText) override;
    int GetSelectedSoftware() const override { return 0; }
    void RefreshSoftware() override {}

    const std::string& GetFault() const { return m_strFault; }
    const std::string& GetStatus() const { return m_strStatus; }
    void ClearFault() { m_strFault.clear(); }

private:
    bool IsStatusAllowed(const std::string& strText) const;
    bool IsActionAllowed(const std::string& strText) const;
    bool IsReplyLogAllowed(const std::string& strText) const;
    // The format matches and each number in it is a record number the file can have.
    bool MatchesRecordFormat(const std::string& strText, const char* pszFormat, int nHighest) const;
    void Fault(const std::string& strWhat, const std::string& strText);

    std::string m_strModel;
    std::string m_strCompleteStatus;
    std::string m_strCompleteAction;
    int m_nRecordsTotal = 0;
    std::string m_strStatus;
    std::string m_strFault;
};

} // namespace vantoro
