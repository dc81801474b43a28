#pragma once

#include "cli/ccliloop.h"
#include "cli/cclioutput.h"
#include "cli/cclistream.h"
#include "cli/creportfile.h"
#include "cli/cunitsink.h"
#include "cli/cupdateunit.h"
#include "cli/iunitobserver.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace vantoro {

// Exit statuses of the command line.
constexpr int kExitCompleted = 0;
constexpr int kExitFailed = 1;
constexpr int kExitBadArguments = 2;
constexpr int kExitInterrupted = 130; // Ctrl-C; any interrupting signal gives 128 + its number

// Every port's units side by side on one thread: the loop hands each notification to its
// unit's engine, ticks every engine once the queue has drained, and on Ctrl-C interrupts them
// all. A unit's failure stays its own; the run's status sums them up.
class CUpdateRun : public IUnitObserver {
public:
    // A report line that cannot be written goes to pErr whole, so the record can be completed.
    CUpdateRun(std::vector<CUnitSetup> setups, CCliOutput& output, CReportFile& report,
               std::FILE* pErr);
    ~CUpdateRun() override;

    // Until every port's run is over, or an interrupt. Returns the exit status.
    int Run();

    void OnUnitText(const CUpdateUnit& unit, const char* pszKind,
                    const std::string& strText) override;
    void OnUnitFinished(const CUpdateUnit& unit, const CUnitResult& result) override;

private:
    bool AllFinished() const;

    // The loop first: it blocks the interrupting signals before any listener thread starts.
    CCliLoop m_loop;
    CCliOutput& m_output;
    CReportFile& m_report;
    // Standard error behind a writer of its own: a stalled reader of it holds up no unit.
    CCliStream m_errors;
    std::vector<std::unique_ptr<CUnitSink>> m_sinks;
    // Declared after the sinks, so every unit (and its listener) is gone before them.
    std::vector<std::unique_ptr<CUpdateUnit>> m_units;
    bool m_bAnyFailed = false;
    bool m_bReportLost = false;
};

} // namespace vantoro
