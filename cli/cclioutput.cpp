#include "cli/cclioutput.h"

#include "cli/clitext.h"
#include "cli/cupdateunit.h"

#include <sys/ioctl.h>
#include <unistd.h>

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

std::string Padded(const std::string& strText, std::size_t nWidth) {
    return strText.size() >= nWidth ? strText + " "
                                    : strText + std::string(nWidth - strText.size(), ' ');
}

} // namespace

CCliOutput::Mode CCliOutput::ChooseMode(std::FILE* pOut, bool bJson) {
    if (bJson)
        return Mode::Json;
    return ::isatty(::fileno(pOut)) ? Mode::Terminal : Mode::Plain;
}

CCliOutput::CCliOutput(std::FILE* pOut, Mode mode) : m_pOut(pOut), m_mode(mode) {
    winsize size{};
    if (m_mode == Mode::Terminal && ::ioctl(::fileno(pOut), TIOCGWINSZ, &size) == 0 &&
        size.ws_col > 20)
        m_nColumns = size.ws_col;
}

void CCliOutput::Line(const std::string& strLine) {
    std::fputs(strLine.c_str(), m_pOut);
    std::fputc('\n', m_pOut);
    // Scripts and benches follow the output as it comes.
    std::fflush(m_pOut);
}

void CCliOutput::Text(const CUpdateUnit& unit, const char* pszKind, const std::string& strText) {
    const int nPort = unit.Port().nPort;
    if (m_mode == Mode::Plain) {
        Line(LocalClockTime(std::chrono::system_clock::now()) + " " + PortName(nPort) + " " +
             pszKind + ": " + strText);
    } else if (m_mode == Mode::Json) {
        Line("{\"time\":" + JsonString(UtcTimeStamp(std::chrono::system_clock::now())) +
             ",\"event\":" + JsonString(pszKind) + ",\"port\":" + std::to_string(nPort) +
             ",\"device\":" + JsonString(unit.Port().strDeviceNode) +
             ",\"text\":" + JsonString(strText) + "}");
    }
}

void CCliOutput::Result(const CUnitResult& result) {
    if (m_mode == Mode::Json) {
        Line(ResultJson(result, true));
        return;
    }
    ClearLive();
    Line(LocalClockTime(std::chrono::system_clock::now()) + " " + PortName(result.nPort) + " " +
         OutcomeName(result.outcome) + ": " + result.strResult + " (" +
         std::to_string(result.nRecordsSent) + " of " + std::to_string(result.nRecordsTotal) +
         " records, " + Seconds(result.dSeconds) + " s)");
}

void CCliOutput::ClearLive() {
    if (m_mode != Mode::Terminal || m_nLiveLines == 0)
        return;
    // Up to the first live line, then clear everything below it.
    std::fprintf(m_pOut, "\x1b[%dA\r\x1b[J", m_nLiveLines);
    m_nLiveLines = 0;
}

void CCliOutput::Live(const std::vector<std::unique_ptr<CUpdateUnit>>& units, bool bNow) {
    if (m_mode != Mode::Terminal)
        return;
    const Clock::time_point now = Clock::now();
    if (!bNow && m_nLiveLines == static_cast<int>(units.size()) && now - m_lastDraw < kRedrawPeriod)
        return;
    m_lastDraw = now;
    ClearLive();
    for (const auto& pUnit : units) {
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
        // A line that wrapped would take two rows and throw the redraw off by one.
        if (strLine.size() >= m_nColumns)
            strLine.resize(m_nColumns - 1);
        std::fputs(("\x1b[2K" + strLine + "\n").c_str(), m_pOut);
        ++m_nLiveLines;
    }
    std::fflush(m_pOut);
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
    Line(bInterrupted ? "Interrupted. Every port is released." : "Summary:");
    Line(Padded("Port", 7) + Padded("Device", 16) + "Completed Failed Interrupted  Last result");
    for (const auto& pUnit : units) {
        Line(Padded(PortName(pUnit->Port().nPort), 7) + Padded(pUnit->Port().strDeviceNode, 16) +
             Padded(std::to_string(pUnit->GetCount(UnitOutcome::Completed)), 10) +
             Padded(std::to_string(pUnit->GetCount(UnitOutcome::Failed)), 7) +
             Padded(std::to_string(pUnit->GetCount(UnitOutcome::Interrupted)), 13) +
             pUnit->GetLastResult());
    }
}

std::string CCliOutput::ResultJson(const CUnitResult& r, bool bWithEvent) {
    return std::string("{") + (bWithEvent ? "\"event\":\"result\"," : "") +
           "\"time\":" + JsonString(r.strTime) + ",\"port\":" + std::to_string(r.nPort) +
           ",\"device\":" + JsonString(r.strDevice) + ",\"by_id\":" + JsonString(r.strStableName) +
           ",\"product\":" + JsonString(r.strProduct) + ",\"model\":" + JsonString(r.strModel) +
           ",\"file\":" + JsonString(r.strFile) + ",\"sha256\":" + JsonString(r.strSha256) +
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
    return CsvField(r.strTime) + "," + std::to_string(r.nPort) + "," + CsvField(r.strDevice) + "," +
           CsvField(r.strStableName) + "," + CsvField(r.strProduct) + "," + CsvField(r.strModel) +
           "," + CsvField(r.strFile) + "," + r.strSha256 + "," + std::to_string(r.nRecordsSent) +
           "," + std::to_string(r.nRecordsTotal) + "," + Seconds(r.dSeconds) + "," +
           CsvField(r.strResult) + "," + OutcomeName(r.outcome);
}

} // namespace vantoro
