// Nothing outside the units holds them: standard output that nobody reads (a pipe into a busy
// program, a terminal stopped with Ctrl-S), network servers that never answer, and signals
// that whoever started the run chose to ignore (nohup, a script's background job).
#include "clirig.h"
#include "csilentservers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

using namespace vantoro;

namespace {

SimOptions Paced() {
    SimOptions options;
    options.nPowerOnWhenOpenedMs = 100;
    options.nReplyDelayMs = 5;
    return options;
}

int CountOf(const std::string& strText, const std::string& strWhat) {
    int nCount = 0;
    for (std::size_t n = strText.find(strWhat); n != std::string::npos;
         n = strText.find(strWhat, n + 1))
        ++nCount;
    return nCount;
}

// Where standard output goes: a pipe or a terminal, already so full that the next write would
// wait, and nobody reading it until Drain().
class CStalledOutput {
public:
    explicit CStalledOutput(bool bTerminal) {
        if (bTerminal) {
            m_reader = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
            ::grantpt(m_reader);
            ::unlockpt(m_reader);
            m_writer = ::open(::ptsname(m_reader), O_RDWR | O_NOCTTY | O_CLOEXEC);
            const winsize size = {24, 80, 0, 0};
            ::ioctl(m_writer, TIOCSWINSZ, &size);
        } else {
            int fds[2];
            if (::pipe2(fds, O_CLOEXEC) == 0) {
                m_reader = fds[0];
                m_writer = fds[1];
                ::fcntl(m_writer, F_SETPIPE_SZ, 4096);
            }
        }
        // Filled while the writer does not wait, then handed on as a writer that would.
        const int nFlags = ::fcntl(m_writer, F_GETFL);
        ::fcntl(m_writer, F_SETFL, nFlags | O_NONBLOCK);
        const std::string strFill(256, 'x');
        for (ssize_t n; (n = ::write(m_writer, strFill.data(), strFill.size())) > 0;)
            m_nFilled += static_cast<std::size_t>(n);
        m_bFull = errno == EAGAIN;
        ::fcntl(m_writer, F_SETFL, nFlags);
    }
    ~CStalledOutput() {
        ::close(m_writer);
        ::close(m_reader);
    }
    bool IsFull() const { return m_bFull; }
    int Writer() const { return m_writer; }
    // Once the program holds the writer: from now on only the program keeps it open.
    void LetGo() {
        ::close(m_writer);
        m_writer = -1;
    }
    // Reads until the program's end closes its side; what it wrote after the filling.
    std::string Drain() {
        std::string strAll;
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(m_reader, buffer, sizeof buffer);
            if (n > 0)
                strAll.append(buffer, static_cast<std::size_t>(n));
            else if (n == 0 || errno != EINTR)
                break; // the end of a pipe, or EIO once a terminal has no writer left
        }
        return strAll.substr(std::min(m_nFilled, strAll.size()));
    }

private:
    int m_reader = -1;
    int m_writer = -1;
    bool m_bFull = false;
    std::size_t m_nFilled = 0;
};

} // namespace

// The units go on while standard output takes nothing at all; once it is read again the
// summary is there, after every finished unit.
TEST(CliStalledOutput, UnitsCompleteWhileNobodyReadsAndTheSummaryFollows) {
    const struct {
        const char* pszName;
        bool bTerminal;
        bool bJson;
        const char* pszResult;
        const char* pszSummary;
        const char* pszLeftOut; // what says that event lines were left out
    } kCases[] = {{"pipe", false, false, " completed: ", "Summary:", " event lines left out"},
                  {"pipe --json", false, true, "\"event\":\"result\"", "\"event\":\"summary\"",
                   "{\"event\":\"dropped\",\"lines\":"},
                  {"terminal", true, false, " completed: ", "Summary:", nullptr}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.pszName);
        CCliRig rig;
        rig.WriteCodeFile("st24v104.s19", 200); // more event lines than are kept waiting
        std::vector<std::string> args = {"--dir", rig.Code(), "--report", rig.Folder() + "report"};
        for (int nCom = 5; nCom <= 8; ++nCom) {
            rig.AddSim(nCom, Paced());
            args.insert(args.end(), {"--port", std::to_string(nCom)});
        }
        if (c.bJson)
            args.push_back("--json");
        CStalledOutput output(c.bTerminal);
        ASSERT_TRUE(output.IsFull());
        rig.Start(CCliRig::Update(args), {output.Writer(), {}});
        output.LetGo();
        const bool bAllDone = Within(30000, [&] {
            return CountOf(test::ReadTextFile(rig.Folder() + "report"), "completed") == 4;
        });
        const std::string strOut = output.Drain();
        const CCliRig::Result result = rig.WaitForEnd(30000);
        EXPECT_TRUE(bAllDone) << "units were held by the output\n"
                              << test::ReadTextFile(rig.Folder() + "report");
        EXPECT_EQ(result.nStatus, 0) << result.strErr;
        // Every unit's result and the summary, none of them dropped.
        EXPECT_EQ(CountOf(strOut, c.pszResult), 4) << strOut;
        EXPECT_EQ(CountOf(strOut, c.pszSummary), c.bJson ? 4 : 1) << strOut;
        if (c.pszLeftOut) {
            EXPECT_GE(CountOf(strOut, c.pszLeftOut), 1) << strOut;
        }
    }
}

// A signal acts at once although the output waits: the ports are free within a second, and the
// summary still comes once the output is read.
TEST(CliStalledOutput, ASignalReleasesEveryPortAtOnce) {
    CCliRig rig;
    rig.WriteCodeFile("st24v104.s19", 3);
    CTargetSimulator& sim5 = rig.AddSim(5);
    CTargetSimulator& sim6 = rig.AddSim(6);
    CStalledOutput output(false);
    ASSERT_TRUE(output.IsFull());
    rig.Start(CCliRig::Update({"--dir", rig.Code(), "--port", "5", "--port", "6"}),
              {output.Writer(), {}});
    output.LetGo();
    ASSERT_TRUE(Within(10000, [&] {
        return !CanTakePort(sim5.GetDevicePath()) && !CanTakePort(sim6.GetDevicePath());
    })) << "the ports were not opened";
    ::usleep(300000);
    ASSERT_TRUE(rig.IsRunning());
    rig.Signal(SIGTERM, 0);
    const bool bReleased = Within(1000, [&] {
        return CanTakePort(sim5.GetDevicePath()) && CanTakePort(sim6.GetDevicePath());
    });
    const std::string strOut = output.Drain();
    const CCliRig::Result result = rig.WaitForEnd(10000);
    EXPECT_TRUE(bReleased) << "SIGTERM did not release the ports within a second";
    EXPECT_EQ(result.nStatus, 143);
    EXPECT_NE(strOut.find("Interrupted. Every port is released."), std::string::npos) << strOut;
}

// A report line that cannot be written is printed on standard error; a standard error nobody
// reads (a log pipe into a stopped program) must hold up no other unit either.
TEST(CliStalledOutput, ALostReportLineOnAStalledStandardErrorHoldsNoOtherUnit) {
    CCliRig rig;
    // With a header record: the file check's warning about a missing one would be the first
    // text to wait for standard error, before any port is opened.
    const std::string strCode = rig.WriteCodeFile("st24v104.s19", 3);
    test::WriteTextFile(strCode, "S0030000FC\n" + test::ReadTextFile(strCode));
    rig.AddSim(5);
    CTargetSimulator& sim6 = rig.AddSim(6);
    const std::string strFolder = rig.Folder() + "records";
    test::MakeFolder(strFolder);
    CStalledOutput errors(false);
    ASSERT_TRUE(errors.IsFull());
    CliLaunch launch;
    launch.nStderr = errors.Writer();
    rig.Start(CCliRig::Update({"--dir", rig.Code(), "--port", "5", "--port", "6", "--report",
                               strFolder + "/r.csv"}),
              launch);
    errors.LetGo();
    ASSERT_TRUE(Within(10000, [&] {
        return !CanTakePort(rig.Sim(5).GetDevicePath()) && !CanTakePort(sim6.GetDevicePath());
    })) << "the ports were not opened";
    std::filesystem::remove_all(strFolder); // every line from now on is lost
    rig.Sim(5).PowerOn();
    ASSERT_TRUE(Within(10000, [&] { return rig.Output().find("COM5 completed") != std::string::npos; }))
        << rig.Output();
    sim6.PowerOn();
    const bool bOtherDone =
        Within(10000, [&] { return rig.Output().find("COM6 completed") != std::string::npos; });
    const std::string strErr = errors.Drain();
    const CCliRig::Result result = rig.WaitForEnd(10000);
    EXPECT_TRUE(bOtherDone) << "COM 6 was held while standard error took nothing\n"
                            << rig.Output();
    EXPECT_EQ(result.nStatus, 1) << result.strOut;
    EXPECT_EQ(CountOf(strErr, "the report lost a line"), 2) << strErr;
}

// nohup and a script's background job start the program with the signal ignored: it then
// ends nothing, and the unit being flashed completes.
TEST(CliSignals, ASignalIgnoredAtStartStaysIgnored) {
    for (const int nSignal : {SIGHUP, SIGINT}) {
        SCOPED_TRACE(nSignal);
        CCliRig rig;
        rig.WriteCodeFile("st24v104.s19", 40);
        const std::string strReport = rig.Folder() + "report";
        CTargetSimulator& sim = rig.AddSim(5, Paced());
        rig.Start(CCliRig::Update({"--dir", rig.Code(), "--port", "5", "--report", strReport}),
                  {-1, {nSignal}});
        ASSERT_TRUE(Within(10000, [&] { return sim.GetRecordsReceived() > 0; }));
        const CCliRig::Result result = rig.Signal(nSignal, 30000);
        EXPECT_EQ(result.nStatus, 0) << result.strOut;
        EXPECT_EQ(CountOf(test::ReadTextFile(strReport), ",completed"), 1);
        EXPECT_EQ(sim.GetRecordsReceived(), 41);
    }
}

// Network ports whose servers never answer are connected side by side, each within its own
// bound: the local unit given after them completes meanwhile, and a signal still acts at once.
TEST(CliNetwork, SilentServersHoldUpNeitherTheLocalUnitNorASignal) {
    CCliRig rig;
    rig.WriteCodeFile("st24v104.s19", 3);
    rig.AddSim(5, Paced());
    CSilentServers silent(3);
    ASSERT_EQ(silent.Names().size(), 3u);
    std::vector<std::string> args = {"--dir", rig.Code()};
    for (const std::string& strName : silent.Names())
        args.insert(args.end(), {"--port", strName});
    args.insert(args.end(), {"--port", "5"});
    rig.Start(CCliRig::Update(args));
    const bool bLocalDone =
        Within(2500, [&] { return rig.Output().find("COM5 completed") != std::string::npos; });
    const CCliRig::Result result = rig.Signal(SIGTERM, 1000);
    EXPECT_TRUE(bLocalDone) << "the local unit waited for the servers\n" << result.strOut;
    EXPECT_EQ(result.nStatus, 143) << "-1: the signal did not end the run within a second";
    // The summary's counts stay under their heading beside long network names.
    const std::vector<std::string> lines = LinesOf(result.strOut);
    const auto heading = std::find_if(
        lines.begin(), lines.end(), [](const std::string& s) { return s.rfind("Port ", 0) == 0; });
    ASSERT_NE(heading, lines.end()) << result.strOut;
    const std::size_t nColumn = heading->find("Completed");
    for (auto it = heading + 1; it != lines.end(); ++it) {
        ASSERT_GT(it->size(), nColumn) << *it;
        EXPECT_TRUE(std::isdigit(static_cast<unsigned char>((*it)[nColumn])) &&
                    (*it)[nColumn - 1] == ' ')
            << *heading << "\n"
            << *it;
    }
}
