#include "cli/cupdaterun.h"

namespace vantoro {

namespace {

// Often enough for the reply time-out and the live lines; an idle run costs next to nothing.
constexpr int kTickMillis = 100;

} // namespace

CUpdateRun::CUpdateRun(std::vector<CUnitSetup> setups, CCliOutput& output, CReportFile& report,
                       std::FILE* pErr)
    : m_output(output), m_report(report), m_errors(pErr) {
    for (std::size_t i = 0; i < setups.size(); ++i) {
        m_sinks.push_back(std::make_unique<CUnitSink>(m_loop, static_cast<int>(i)));
        m_units.push_back(std::make_unique<CUpdateUnit>(std::move(setups[i]), *m_sinks[i], *this));
    }
}

CUpdateRun::~CUpdateRun() {
    m_units.clear();
}

bool CUpdateRun::AllFinished() const {
    for (const auto& pUnit : m_units) {
        if (!pUnit->IsFinished())
            return false;
    }
    return true;
}

int CUpdateRun::Run() {
    for (auto& pUnit : m_units)
        pUnit->Begin();
    std::vector<CCliLoop::Notification> notifications;
    bool bInterrupted = false;
    while (!AllFinished()) {
        m_output.Live(m_units);
        notifications.clear();
        if (m_loop.Wait(kTickMillis, notifications)) {
            bInterrupted = true;
            break;
        }
        for (const CCliLoop::Notification& n : notifications)
            m_units[static_cast<std::size_t>(n.nUnit)]->OnSerialEvent(n.wParam, n.lParam);
        // As the window's idle tick: once everything queued has been handled.
        for (auto& pUnit : m_units)
            pUnit->OnIdle();
    }
    if (bInterrupted) {
        for (auto& pUnit : m_units)
            pUnit->Interrupt();
    }
    m_output.Summary(m_units, bInterrupted);
    m_errors.Finish();
    // As a shell reports a program its signal ended: 130 Ctrl-C, 143 SIGTERM, 129 SIGHUP.
    if (bInterrupted)
        return 128 + m_loop.InterruptSignal();
    // The report is the bench's record: a line missing from it fails the run.
    return m_bAnyFailed || m_bReportLost ? kExitFailed : kExitCompleted;
}

void CUpdateRun::OnUnitText(const CUpdateUnit& unit, const char* pszKind,
                            const std::string& strText) {
    m_output.Text(unit, pszKind, strText);
}

void CUpdateRun::OnUnitFinished(const CUpdateUnit&, const CUnitResult& result) {
    if (result.outcome != UnitOutcome::Completed)
        m_bAnyFailed = true;
    std::string strLine;
    if (!m_report.Append(result, strLine)) {
        m_bReportLost = true;
        m_errors.Write("vantoro-cli: the report lost a line: " + m_report.GetError() + "\n" +
                           strLine + "\n",
                       false);
    }
    m_output.Result(result);
}

} // namespace vantoro
