// vantoro-cli where a person meets it: the live block in a real terminal (tmux) of a fixed size
// and after a resize, names and replies that hold control bytes, a bench that runs out of units,
// and numbers out of range.
#include "clirig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <regex>
#include <thread>
#include <unistd.h>

using namespace vantoro;

namespace {

std::string Quoted(const std::string& strText) {
    std::string strQuoted = "'";
    for (char c : strText)
        strQuoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return strQuoted + "'";
}

// A tmux server of the test's own, with one pane running the program; stopped at the end.
class CTmuxPane {
public:
    CTmuxPane(const std::string& strFolder, const std::vector<std::string>& args, int nColumns,
              int nRows)
        : m_strTmux("tmux -f /dev/null -S " + Quoted(strFolder + "tmux.sock") + " ") {
        std::string strCommand =
            Quoted(std::string(std::getenv("VANTORO_BUILD_DIR")) + "/vantoro-cli");
        for (const std::string& strArg : args)
            strCommand += " " + Quoted(strArg);
        strCommand += "; echo \"[exit $?]\"; sleep 600";
        std::system(
            (m_strTmux +
             "start-server \\; set -g history-limit 50000 \\; set -g status off \\; new-session " +
             "-d -s t -x " + std::to_string(nColumns) + " -y " + std::to_string(nRows) + " " +
             Quoted(strCommand))
                .c_str());
    }
    ~CTmuxPane() { std::system((m_strTmux + "kill-server 2>/dev/null").c_str()); }

    // Every line the pane holds, scrollback included, wrapped lines joined.
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines =
            LinesOf(CommandOutput(m_strTmux + "capture-pane -p -J -S - -E - -t t"));
        while (!lines.empty() && lines.back().find_first_not_of(' ') == std::string::npos)
            lines.pop_back();
        return lines;
    }
    std::string Screen() const { return CommandOutput(m_strTmux + "capture-pane -p -t t"); }
    void Resize(int nColumns, int nRows) const {
        std::system((m_strTmux + "resize-window -t t -x " + std::to_string(nColumns) + " -y " +
                     std::to_string(nRows))
                        .c_str());
    }
    // Waits up to nSeconds for the screen to hold strText, or a match of pattern.
    bool WaitFor(const std::string& strText, int nSeconds) const {
        return WaitFor(
            std::regex(std::regex_replace(strText, std::regex(R"([.^$|()\[\]{}*+?\\])"), "\\$&")),
            nSeconds);
    }
    bool WaitFor(const std::regex& pattern, int nSeconds) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(nSeconds);
        while (!std::regex_search(Screen(), pattern)) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

private:
    std::string m_strTmux;
};

// A live line (port, device, then a state word) left behind once the run is over.
std::vector<std::string> StaleLiveLines(const std::vector<std::string>& lines) {
    static const std::regex kLive(R"(^(COM\d+ +\S+ +[A-Za-z].*|\.\.\. \d+ more ports:.*)$)");
    std::vector<std::string> stale;
    for (const std::string& strLine : lines) {
        if (std::regex_match(strLine, kLive))
            stale.push_back(strLine);
    }
    return stale;
}

SimOptions Slow(int nDelayMs) {
    SimOptions options;
    options.nPowerOnWhenOpenedMs = 100;
    options.nReplyDelayMs = nDelayMs;
    return options;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string strText;
    for (const std::string& strLine : lines)
        strText += strLine + "\n";
    return strText;
}

} // namespace

// More units than rows: the block keeps to the screen and says how many more there are, the
// scrollback holds each finished unit once and the summary, and no copy of the block.
TEST(CliTerminal, ThirtyTwoUnitsIn80x24KeepToTheScreen) {
    CCliRig rig;
    const std::string strFile = rig.WriteCodeFile("st24v105.s19", 40);
    std::vector<std::string> args = {"--settings", rig.SettingsPath()};
    const std::vector<std::string> update = CCliRig::Update({"--file", strFile});
    args.insert(args.end(), update.begin(), update.end());
    for (int nCom = 5; nCom < 37; ++nCom) {
        rig.AddSim(nCom, Slow(10));
        args.insert(args.end(), {"--port", std::to_string(nCom)});
    }
    CTmuxPane pane(rig.Folder(), args, 80, 24);
    EXPECT_TRUE(pane.WaitFor("... 10 more ports:", 20))
        << "22 ports and a line for the other 10 fit 23 rows:\n"
        << pane.Screen();
    ASSERT_TRUE(pane.WaitFor("[exit 0]", 60)) << "the run did not end:\n" << pane.Screen();

    const std::vector<std::string> lines = pane.Lines();
    EXPECT_EQ(StaleLiveLines(lines), std::vector<std::string>()) << Joined(lines);
    for (int nCom = 5; nCom < 37; ++nCom) {
        const std::string strResult = " COM" + std::to_string(nCom) + " completed: ";
        EXPECT_EQ(std::count_if(
                      lines.begin(), lines.end(),
                      [&](const std::string& s) { return s.find(strResult) != std::string::npos; }),
                  1)
            << strResult;
    }
    // 32 results, two heading lines, 32 summary rows and the shell's exit line.
    EXPECT_LE(lines.size(), 67u + 2u) << Joined(lines);
}

// Narrowed while units are updating and widened again: the block is redrawn at each width and
// nothing of it is left over when the run ends.
TEST(CliTerminal, AResizeRedrawsTheBlockWithoutLeavingCopies) {
    CCliRig rig;
    const std::string strFile = rig.WriteCodeFile("st24v106.s19", 150);
    std::vector<std::string> args = {"--settings", rig.SettingsPath()};
    const std::vector<std::string> update = CCliRig::Update({"--file", strFile});
    args.insert(args.end(), update.begin(), update.end());
    for (int nCom = 5; nCom < 8; ++nCom) {
        rig.AddSim(nCom, Slow(15));
        args.insert(args.end(), {"--port", std::to_string(nCom)});
    }
    CTmuxPane pane(rig.Folder(), args, 80, 24);
    ASSERT_TRUE(pane.WaitFor("Updating", 20)) << pane.Screen();
    pane.Resize(30, 24);
    // Cut to 29 columns, so the line is one row at the new width.
    EXPECT_TRUE(pane.WaitFor(std::regex("(^|\n)COM\\d+ [^\n]{24}\n"), 10))
        << "no redraw at 30 columns:\n"
        << pane.Screen();
    pane.Resize(100, 24);
    ASSERT_TRUE(pane.WaitFor("[exit 0]", 60)) << "the run did not end:\n" << pane.Screen();
    // tmux moves the top rows of its screen to the scrollback as it rewraps them (blank rows
    // below count as rows), which may take part of a block drawn at the top of a fresh pane
    // out of reach: one copy at most, never one per redraw.
    const std::vector<std::string> lines = pane.Lines();
    EXPECT_LE(StaleLiveLines(lines).size(), 3u) << Joined(lines);
}

// A finished unit's line longer than the terminal is cut to one row: it neither wraps over the
// live block nor leaves a piece of itself in the scrollback.
TEST(CliTerminal, AFinishedLineWiderThanTheTerminalIsCutToOneRow) {
    CCliRig rig;
    const std::string strFile = rig.WriteCodeFile("st24v107.s19", 40);
    std::vector<std::string> args = {"--settings", rig.SettingsPath()};
    const std::vector<std::string> update = CCliRig::Update({"--file", strFile});
    args.insert(args.end(), update.begin(), update.end());
    SimOptions checksum = Slow(10);
    checksum.replyAt[20] = ")";
    rig.AddSim(5, checksum);
    rig.AddSim(6, Slow(10));
    args.insert(args.end(), {"--port", "5", "--port", "6"});
    CTmuxPane pane(rig.Folder(), args, 80, 24);
    ASSERT_TRUE(pane.WaitFor("[exit 1]", 60)) << "the run did not end:\n" << pane.Screen();
    const std::vector<std::string> lines = pane.Lines();
    EXPECT_EQ(StaleLiveLines(lines), std::vector<std::string>()) << Joined(lines);
    const auto failed = std::find_if(lines.begin(), lines.end(), [](const std::string& s) {
        return s.find(" COM5 failed: Fatal Error.") != std::string::npos;
    });
    ASSERT_NE(failed, lines.end()) << Joined(lines);
    EXPECT_LE(failed->size(), 80u) << "wrapped: " << *failed;
    // Only the summary's rows name the records of the failure again.
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& s) {
                                return s.find("@ Record 20") != std::string::npos &&
                                       s.rfind("COM5 ", 0) != 0;
                            }),
              0)
        << Joined(lines);
}

// A bench with --repeat --wait: once no further unit is switched on in time the port's run
// ends with the units it really had; nothing invented fails.
TEST(CliBench, RepeatWithWaitEndsQuietlyWhenNoFurtherUnitComes) {
    CCliRig rig;
    const std::string strFile = rig.WriteCodeFile("st24v107.s19", 5);
    rig.AddSim(5); // one unit, switched on once by hand
    rig.Start(CCliRig::Update({"--file", strFile, "--port", "5", "--repeat", "--wait", "2",
                               "--json", "--report", rig.Folder() + "report"}));
    for (int i = 0; i < 1000 && rig.Output().find("Turn Saltir 24 On") == std::string::npos; ++i)
        usleep(10000);
    rig.Sim(5).PowerOn();
    const CCliRig::Result result = rig.WaitForEnd(20000);
    EXPECT_EQ(result.nStatus, 0) << result.strOut;
    const std::vector<std::string> report = LinesOf(test::ReadTextFile(rig.Folder() + "report"));
    ASSERT_EQ(report.size(), 1u) << result.strOut;
    EXPECT_NE(report[0].find("\"outcome\":\"completed\""), std::string::npos) << report[0];
    EXPECT_NE(result.strOut.find("{\"event\":\"summary\",\"port\":5,\"device\":\"" +
                                 rig.Sim(5).GetDevicePath() +
                                 "\",\"completed\":1,\"failed\":0,\"interrupted\":0,"),
              std::string::npos)
        << result.strOut;
    EXPECT_EQ(result.strOut.find("\"event\":\"result\",", result.strOut.find("completed\"}") + 1),
              std::string::npos)
        << "one result only:\n"
        << result.strOut;
}

// A file name with ESC, BEL, a line feed and a byte that is not UTF-8: shown escaped on every
// line of text, kept exactly (as a file:// URI) in the CSV and JSON reports.
TEST(CliNames, ControlBytesAreShownEscapedAndOddNamesStayRecoverable) {
    CCliRig rig;
    rig.WriteSettings("LOG=ENABLED\nLOG_FLAGS=1\n");
    const std::string strOdd = "odd\x1b]0;x\x07\nname\xff 1.s19";
    const std::string strFile = rig.WriteCodeFile(rig.Folder() + strOdd, 3);
    rig.AddSim(5, Slow(0));
    const std::string strUri = "file://" + rig.Folder() + "odd%1B%5D0%3Bx%07%0Aname%FF%201.s19";

    CCliRig::Result result = rig.Run(CCliRig::Update(
        {"--file", strFile, "--port", "5", "--report", rig.Folder() + "report.csv"}));
    EXPECT_EQ(result.nStatus, 0) << result.strErr;
    EXPECT_NE(
        result.strOut.find("Opened File " + rig.Folder() + "odd\\e]0;x\\x07\\nname\\xFF 1.s19"),
        std::string::npos)
        << result.strOut;
    for (const std::string& strLine : LinesOf(result.strOut)) {
        EXPECT_NE(strLine.rfind("name", 0), 0u) << "a line broken by the name: " << strLine;
        EXPECT_EQ(strLine.find_first_of("\x1b\x07\xff"), std::string::npos) << strLine;
    }
    const std::vector<std::string> csv = LinesOf(test::ReadTextFile(rig.Folder() + "report.csv"));
    ASSERT_EQ(csv.size(), 2u);
    EXPECT_NE(csv[1].find("," + strUri + ","), std::string::npos) << csv[1];

    result = rig.Run(CCliRig::Update(
        {"--file", strFile, "--port", "5", "--json", "--report", rig.Folder() + "report.json"}));
    EXPECT_EQ(result.nStatus, 0) << result.strErr;
    const std::string strJson = test::ReadTextFile(rig.Folder() + "report.json");
    EXPECT_NE(strJson.find("\"file\":\"" + strUri + "\""), std::string::npos) << strJson;

    // The file check names the file escaped, whether it can read it or not.
    std::ofstream(strFile, std::ios::app) << "not a record\n";
    for (const std::string& strName : {strFile, strFile + "\x1b[2J"}) {
        result = rig.Run({"check", strName});
        EXPECT_EQ(result.nStatus, 1);
        for (const std::string& strLine : LinesOf(result.strOut + result.strErr))
            EXPECT_EQ(strLine.find_first_of("\x1b\x07\xff"), std::string::npos) << strLine;
    }
    result = rig.Run(CCliRig::Update({"--file", strFile, "--port", "5"}));
    EXPECT_EQ(result.nStatus, 1);
    EXPECT_NE(result.strErr.find("name\\xFF 1.s19: refused"), std::string::npos) << result.strErr;

    // The name as an argument comes back escaped in the message, too.
    result = rig.Run(CCliRig::Update({"--file", strFile + "\x1b[2J", "--port", "5"}));
    EXPECT_EQ(result.nStatus, 2);
    EXPECT_NE(result.strErr.find("name\\xFF 1.s19\\e[2J: not a readable file"), std::string::npos)
        << result.strErr;
}

// Numbers out of range name the range instead of calling a number no number.
TEST(CliArguments, OutOfRangeNumbersNameTheAcceptedRange) {
    CCliRig rig;
    rig.AddSim(5);
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--wait", "2147483647"}, "--wait: 2147483647 is out of range (give 1 to 86400 seconds)"},
        {{"--wait", "0"}, "--wait: 0 is out of range (give 1 to 86400 seconds)"},
        {{"--wait", "86401"}, "--wait: 86401 is out of range (give 1 to 86400 seconds)"},
        {{"--wait=-3"}, "--wait: not a whole number of seconds: -3 (give 1 to 86400 seconds)"},
        {{"--timeout", "99999999999999999999"},
         "--timeout: 99999999999999999999 is out of range (give 10 to 4294967 seconds)"},
        {{"--timeout", "4294968"}, "--timeout: 4294968 is out of range (give 10 to 4294967"},
    };
    for (const auto& [extra, pszMessage] : cases) {
        std::vector<std::string> args = {"--dir", rig.Code(), "--port", "5"};
        args.insert(args.end(), extra.begin(), extra.end());
        const CCliRig::Result result = rig.Run(CCliRig::Update(args));
        EXPECT_EQ(result.nStatus, 2) << pszMessage;
        EXPECT_NE(result.strErr.find(pszMessage), std::string::npos) << result.strErr;
    }
}
