#pragma once

#include "cli/cclistream.h"
#include "cli/cunitresult.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace vantoro {

class CUpdateUnit;

// The console side of an update run. On a terminal: one live line per port, redrawn in place,
// with each finished unit printed above them. Otherwise one plain line per event, or one JSON
// object per line with --json. A summary of every port closes the run in each form.
class CCliOutput {
public:
    enum class Mode { Terminal, Plain, Json };

    // Terminal when pOut is a terminal and JSON was not asked for.
    static Mode ChooseMode(std::FILE* pOut, bool bJson);

    CCliOutput(std::FILE* pOut, Mode mode);

    void Text(const CUpdateUnit& unit, const char* pszKind, const std::string& strText);
    void Result(const CUnitResult& result);
    // Redraws the live lines (terminal only), at most a few times a second unless bNow.
    void Live(const std::vector<std::unique_ptr<CUpdateUnit>>& units, bool bNow = false);
    void Summary(const std::vector<std::unique_ptr<CUpdateUnit>>& units, bool bInterrupted);
    // Waits until everything has been written; the error number of a write that failed, or 0.
    // Called once the loop is gone, so that a signal still ends a wait for a stalled reader.
    int Finish();

    // A result as one JSON object (the report file's form too) and as one CSV line.
    static std::string ResultJson(const CUnitResult& result, bool bWithEvent);
    static std::string ResultCsv(const CUnitResult& result);
    static const char* CsvHeader();

    // The live block for a terminal of nRows rows: every unit when they fit below the top row,
    // else the busiest units and one line saying how many more there are and in which state.
    static std::vector<std::string>
    LiveBlock(const std::vector<std::unique_ptr<CUpdateUnit>>& units, std::size_t nRows);

private:
    // The live block's rows become stale below the cursor, which waits at the block's first
    // row; EraseBelow clears them once new text has been written over them.
    void ClearLive();
    void EraseBelow();
    // Progress may be dropped while standard output is not read; results and the summary never.
    void Line(const std::string& strLine, bool bDroppable = false);
    void Send(bool bDroppable);
    // The terminal's size now; true when it differs from the last one seen.
    bool ReadTerminalSize();

    std::FILE* m_pOut;
    Mode m_mode;
    CCliStream m_stream;
    std::string m_strPending; // what goes to the stream in one piece
    int m_nLiveLines = 0;     // rows of the live block, from the cursor's row down
    bool m_bStaleBelow = false;
    std::size_t m_nColumns = 80;
    std::size_t m_nRows = 24;
    std::chrono::steady_clock::time_point m_lastDraw{};
};

} // namespace vantoro
