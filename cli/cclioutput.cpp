#include "cli/cclioutput.h"

#include "cli/clitext.h"
#include "cli/cupdateunit.h"
#include "platform/console.h"

#include <algorithm>
#include <map>

namespace vantoro {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kRedrawPeriod = std::chrono::milliseconds(200);

std::string Seconds(double dSeconds) {
    char szText[32];
    std::snprintf(szText, sizeof(szText), "%.2f", dSeconds);
    return szText;
}

std::string PortName(int nPort) {
    return "COM" + std::to_string(nPort);
}

// The estimate out of the Action line ("Updating X Software ..  Complete in 5s"), if any.
std::string EstimateOf(const std::string& strAction) {
    const std::size_t nAt = strAction.find("Complete in ");
    return nAt == std::string::npos ? std::string() : strAction.substr(nAt);
}

// The first nColumns characters of a line of printable UTF-8.
std::string FirstColumns(const std::string& strText, std::size_t nColumns) {
    std::size_t nSeen = 0;
    for (std::size_t i = 0; i < strText.size(); ++i) {
        if ((static_cast<unsigned char>(strText[i]) & 0xC0) != 0x80 && nSeen++ == nColumns)
            return strText.substr(0, i);
    }
    return strText;
}

// Columns a line of UTF-8 takes, one per character.
std::size_t TextColumns(const std::string& strText) {
    return static_cast<std::size_t>(std::count_if(strText.begin(), strText.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string Padded(const std::string& strText, std::size_t nWidth) {
    const std::size_t nColumns = TextColumns(strText);
    return nColumns >= nWidth ? strText + " " : strText + std::string(nWidth - nColumns, ' ');
}

} // namespace

CCliOutput::Mode CCliOutput::ChooseMode(std::FILE* pOut, bool bJson) {
    if (bJson)
        return Mode::Json;
    return IsVirtualTerminal(pOut) ? Mode::Terminal : Mode::Plain;
}

CCliOutput::CCliOutput(std::FILE* pOut, Mode mode) : m_pOut(pOut), m_mode(mode), m_stream(pOut) {
    ReadTerminalSize();
}

bool CCliOutput::ReadTerminalSize() {
    std::size_t nColumns = 0;
    std::size_t nRows = 0;
    if (m_mode != Mode::Terminal || !GetTerminalSize(m_pOut, nColumns, nRows))
        return false;
    const bool bChanged = nColumns != m_nColumns || nRows != m_nRows;
    m_nColumns = nColumns;
    m_nRows = nRows;
    return bChanged;
}

void CCliOutput::Line(const std::string& strLine, bool bDroppable) {
    // JSON strings carry their own escapes; anything else may reach a terminal as it is.
    std::string strOut = m_mode == Mode::Json ? strLine : TerminalText(strLine);
    if (m_mode == Mode::Terminal)
        strOut = "\x1b[2K" + strOut;
    m_strPending += strOut + "\n";
    EraseBelow();
    Send(bDroppable);
}

void CCliOutput::Send(bool bDroppable) {
    // Said with the next text that is never left out (a result, the summary), so that a script
    // can tell a quiet unit from lost lines and the count itself is never lost.
    const std::size_t nDropped =
        m_mode == Mode::Terminal || bDroppable ? 0 : m_stream.TakeDropped();
    if (nDropped > 0) {
        const std::string strCount = std::to_string(nDropped);
        m_strPending.insert(0, m_mode == Mode::Json
                                   ? "{\"event\":\"dropped\",\"lines\":" + strCount + "}\n"
                                   : LocalClockTime(std::chrono::system_clock::now()) + " " +
                                         strCount +
                                         " event lines left out: standard output was not read\n");
    }
    // Scripts and benches follow the output as it comes.
    m_stream.Write(m_strPending, bDroppable);
    m_strPending.clear();
}

int CCliOutput::Finish() {
    return m_stream.Finish();
}

void CCliOutput::Text(const CUpdateUnit& unit, const char* pszKind, const std::string& strText) {
    const int nPort = unit.Port().nPort;
    if (m_mode == Mode::Plain) {
        Line(LocalClockTime(std::chrono::system_clock::now()) + " " + PortName(nPort) + " " +
                 pszKind + ": " + strText,
             true);
    } else if (m_mode == Mode::Json) {
        Line("{\"time\":" + JsonString(UtcTimeStamp(std::chrono::system_clock::now())) +
                 ",\"event\":" + JsonString(pszKind) + ",\"port\":" + std::to_string(nPort) +
                 ",\"device\":" + JsonString(unit.Port().strDeviceNode) +
                 ",\"text\":" + JsonString(strText) + "}",
             true);
    }
}

void CCliOutput::Result(const CUnitResult& result) {
    if (m_mode == Mode::Json) {
        Line(ResultJson(result, true));
        return;
    }
    ClearLive();
    const std::string strLine = LocalClockTime(std::chrono::system_clock::now()) + " " +
                                PortName(result.nPort) + " " + OutcomeName(result.outcome) + ": " +
                                result.strResult + " (" + std::to_string(result.nRecordsSent) +
                                " of " + std::to_string(result.nRecordsTotal) + " records, " +
                                Seconds(result.dSeconds) + " s)";
    if (m_mode != Mode::Terminal) {
        Line(strLine);
        return;
    }
    // A line that wrapped would take a row the redraw does not know of and leave part of it
    // over the block; the report and the plain output keep it whole.
    ReadTerminalSize();
    m_strPending +=
        "\x1b[?7l\x1b[2K" + FirstColumns(TerminalText(strLine), m_nColumns - 1) + "\x1b[?7h\n";
    EraseBelow();
    Send(false);
}

void CCliOutput::ClearLive() {
    if (m_mode != Mode::Terminal || m_nLiveLines == 0)
        return;
    // The cursor waits at the block's first row: what comes next is written over the block, and
    // what is left of it is erased below the new text.
    m_strPending += "\r";
    m_nLiveLines = 0;
    m_bStaleBelow = true;
}

void CCliOutput::EraseBelow() {
    if (!m_bStaleBelow)
        return;
    m_strPending += "\x1b[J";
    m_bStaleBelow = false;
}

std::vector<std::string>
CCliOutput::LiveBlock(const std::vector<std::unique_ptr<CUpdateUnit>>& units, std::size_t nRows) {
    // The cursor's own row stays free, or the top line would scroll away on every redraw.
    const std::size_t nRoom = nRows > 1 ? nRows - 1 : 1;
    std::vector<const CUpdateUnit*> shown;
    for (const auto& pUnit : units)
        shown.push_back(pUnit.get());
    std::string strMore;
    if (shown.size() > nRoom) {
        // Units being updated matter most, then those detected, then those waiting.
        const auto rank = [](const CUpdateUnit* pUnit) {
            const std::string strLabel = pUnit->StateLabel();
            return pUnit->IsFinished()      ? 3
                   : strLabel == "Updating" ? 0
                   : strLabel == "Detected" ? 1
                                            : 2;
        };
        std::stable_sort(
            shown.begin(), shown.end(),
            [&](const CUpdateUnit* a, const CUpdateUnit* b) { return rank(a) < rank(b); });
        const std::size_t nKept = nRoom - 1;
        std::map<std::string, int> hidden;
        for (std::size_t i = nKept; i < shown.size(); ++i)
            ++hidden[shown[i]->StateLabel()];
        strMore = "... " + std::to_string(shown.size() - nKept) + " more ports:";
        for (const auto& [strLabel, nCount] : hidden)
            strMore += " " + std::to_string(nCount) + " " + strLabel + ",";
        strMore.pop_back();
        shown.resize(nKept);
        std::stable_sort(shown.begin(), shown.end(),
                         [](const CUpdateUnit* a, const CUpdateUnit* b) {
                             return a->Port().nPort < b->Port().nPort;
                         });
    }
    std::vector<std::string> lines;
    for (const CUpdateUnit* pUnit : shown) {
        std::string strLine = Padded(PortName(pUnit->Port().nPort), 7) +
                              Padded(pUnit->Port().strDeviceNode, 16) +
                              Padded(pUnit->StateLabel(), 12);
        if (pUnit->IsFinished()) {
            strLine += pUnit->GetLastResult();
        } else if (pUnit->StateLabel() == "Updating") {
            strLine += Padded(std::to_string(pUnit->GetPercent()) + " %", 7) +
                       EstimateOf(pUnit->GetActionText());
        } else {
            strLine += pUnit->GetActionText();
        }
        lines.push_back(strLine);
    }
    if (!strMore.empty())
        lines.push_back(strMore);
    return lines;
}

void CCliOutput::Live(const std::vector<std::unique_ptr<CUpdateUnit>>& units, bool bNow) {
    if (m_mode != Mode::Terminal)
        return;
    const bool bResized = ReadTerminalSize();
    const Clock::time_point now = Clock::now();
    if (!bNow && !bResized && m_nLiveLines > 0 && now - m_lastDraw < kRedrawPeriod)
        return;
    // A terminal that does not take what it was given (Ctrl-S) gets the latest state once it
    // does, not every redraw in between.
    if (!bNow && !m_stream.IsIdle())
        return;
    m_lastDraw = now;
    ClearLive();
    // Line wrap off while the block is written: a line that wrapped would take two rows and
    // throw the redraw off, and the terminal may have narrowed since its size was read (tmux
    // rewraps its screen before it tells the program).
    std::string strBlock = "\x1b[?7l";
    const std::vector<std::string> lines = LiveBlock(units, m_nRows);
    for (const std::string& strText : lines)
        strBlock += "\x1b[2K" + FirstColumns(TerminalText(strText), m_nColumns - 1) + "\n";
    m_strPending += strBlock + "\x1b[?7h";
    EraseBelow();
    // Back to the block's first row. A terminal that rewraps its lines when it narrows moves
    // them with the cursor, so the next redraw starts at the right row; a cursor below the block
    // would leave rewrapped rows of it behind, in the scrollback.
    m_nLiveLines = static_cast<int>(lines.size());
    m_strPending += "\x1b[" + std::to_string(m_nLiveLines) + "A";
    Send(false);
}

void CCliOutput::Summary(const std::vector<std::unique_ptr<CUpdateUnit>>& units,
                         bool bInterrupted) {
    if (m_mode == Mode::Json) {
        for (const auto& pUnit : units) {
            Line("{\"event\":\"summary\",\"port\":" + std::to_string(pUnit->Port().nPort) +
                 ",\"device\":" + JsonString(pUnit->Port().strDeviceNode) +
                 ",\"completed\":" + std::to_string(pUnit->GetCount(UnitOutcome::Completed)) +
                 ",\"failed\":" + std::to_string(pUnit->GetCount(UnitOutcome::Failed)) +
                 ",\"interrupted\":" + std::to_string(pUnit->GetCount(UnitOutcome::Interrupted)) +
                 ",\"result\":" + JsonString(pUnit->GetLastResult()) + "}");
        }
        return;
    }
    Live(units, true);
    ClearLive();
    // The device column as wide as its longest name, so the counts stay in line beneath their
    // headings; network names run long.
    std::size_t nDeviceWidth = 16;
    for (const auto& pUnit : units)
        nDeviceWidth = std::max(nDeviceWidth, TextColumns(pUnit->Port().strDeviceNode) + 2);
    Line(bInterrupted ? "Interrupted. Every port is released." : "Summary:");
    Line(Padded("Port", 7) + Padded("Device", nDeviceWidth) +
         "Completed Failed Interrupted  Last result");
    for (const auto& pUnit : units) {
        Line(Padded(PortName(pUnit->Port().nPort), 7) +
             Padded(pUnit->Port().strDeviceNode, nDeviceWidth) +
             Padded(std::to_string(pUnit->GetCount(UnitOutcome::Completed)), 10) +
             Padded(std::to_string(pUnit->GetCount(UnitOutcome::Failed)), 7) +
             Padded(std::to_string(pUnit->GetCount(UnitOutcome::Interrupted)), 13) +
             pUnit->GetLastResult());
    }
}

std::string CCliOutput::ResultJson(const CUnitResult& r, bool bWithEvent) {
    return std::string("{") + (bWithEvent ? "\"event\":\"result\"," : "") +
           "\"time\":" + JsonString(r.strTime) + ",\"port\":" + std::to_string(r.nPort) +
           ",\"device\":" + JsonString(ReportPath(r.strDevice)) +
           ",\"by_id\":" + JsonString(ReportPath(r.strStableName)) +
           ",\"product\":" + JsonString(r.strProduct) + ",\"model\":" + JsonString(r.strModel) +
           ",\"file\":" + JsonString(ReportPath(r.strFile)) +
           ",\"sha256\":" + JsonString(r.strSha256) +
           ",\"records_sent\":" + std::to_string(r.nRecordsSent) +
           ",\"records_total\":" + std::to_string(r.nRecordsTotal) +
           ",\"seconds\":" + Seconds(r.dSeconds) + ",\"result\":" + JsonString(r.strResult) +
           ",\"outcome\":" + JsonString(OutcomeName(r.outcome)) + "}";
}

const char* CCliOutput::CsvHeader() {
    return "time,port,device,by_id,product,model,file,sha256,records_sent,records_total,"
           "seconds,result,outcome";
}

std::string CCliOutput::ResultCsv(const CUnitResult& r) {
    return CsvField(r.strTime) + "," + std::to_string(r.nPort) + "," +
           CsvField(ReportPath(r.strDevice)) + "," + CsvField(ReportPath(r.strStableName)) + "," +
           CsvField(r.strProduct) + "," + CsvField(r.strModel) + "," +
           CsvField(ReportPath(r.strFile)) + "," + r.strSha256 + "," +
           std::to_string(r.nRecordsSent) + "," + std::to_string(r.nRecordsTotal) + "," +
           Seconds(r.dSeconds) + "," + CsvField(r.strResult) + "," + OutcomeName(r.outcome);
}

} // namespace vantoro
