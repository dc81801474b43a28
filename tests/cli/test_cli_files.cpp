// Files that are not what they claim, and a report that cannot take its line: vantoro-cli says
// which file and why, never blocks on a FIFO, never writes into the firmware or the settings,
// and never leaves half a line or a second header in a bench's record.
#include "clirig.h"
#include "testmain/boundedwait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vantoro;

namespace {

SimOptions PoweredWhenOpened() {
    SimOptions options;
    options.nPowerOnWhenOpenedMs = 100;
    return options;
}

const std::string kCsvHeader = "time,port,device,by_id,product,model,file,sha256,records_sent,"
                               "records_total,seconds,result,outcome";

// A disk of its own, 64 KiB, that the test can fill; unmounted at the end.
class CSmallDisk {
public:
    explicit CSmallDisk(const std::string& strFolder) : m_strFolder(strFolder) {
        test::MakeFolder(strFolder);
        m_bMounted =
            std::system(
                ("mount -t tmpfs -o size=64k tmpfs " + strFolder + " 2>/dev/null").c_str()) == 0;
    }
    ~CSmallDisk() {
        if (m_bMounted)
            std::system(("umount " + m_strFolder).c_str());
    }
    bool IsMounted() const { return m_bMounted; }
    // Takes every block that is left.
    void Fill() const {
        const int fd = ::open((m_strFolder + "/filler").c_str(), O_WRONLY | O_CREAT, 0644);
        const std::string strBlock(4096, '.');
        while (::write(fd, strBlock.data(), strBlock.size()) > 0) {
        }
        while (::write(fd, strBlock.data(), 1) > 0) {
        }
        ::close(fd);
    }

private:
    std::string m_strFolder;
    bool m_bMounted = false;
};

} // namespace

TEST(CliFiles, OddFilesAreRefusedByNameAndKindWithoutBlocking) {
    CCliRig rig;
    const std::string strCode = rig.WriteCodeFile("st24v104.s19", 3);
    rig.AddSim(5, PoweredWhenOpened());
    const std::string strFifo = rig.Folder() + "fifo", strFolder = rig.Folder() + "folder";
    ASSERT_EQ(::mkfifo(strFifo.c_str(), 0644), 0);
    test::MakeFolder(strFolder);
    const std::string strCsv = rig.Folder() + "bench.csv", strJson = rig.Folder() + "bench.json";
    test::WriteTextFile(strCsv, kCsvHeader + "\n");
    test::WriteTextFile(strJson, "{\"port\":5}\n");
    const auto update = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = {"--port", "5"};
        if (std::find(extra.begin(), extra.end(), "--file") == extra.end())
            args.insert(args.end(), {"--dir", rig.Code()});
        args.insert(args.end(), extra.begin(), extra.end());
        return CCliRig::Update(args);
    };
    const struct {
        const char* pszName;
        std::vector<std::string> args;
        std::string strMessage;
    } kCases[] = {
        {"CodeFileFifo", update({"--file", strFifo}),
         strFifo + ": not a readable file: it is a FIFO"},
        {"CodeFileFolder", update({"--file", strFolder}), "it is a directory"},
        {"SettingsFifo", {"--settings", strFifo, "ports"}, "not a readable file: it is a FIFO"},
        {"SettingsZero", {"--settings", "/dev/zero", "ports"}, "it is a character device"},
        {"SettingsFolder", {"--settings", strFolder, "ports"}, "it is a directory"},
        {"ReportFifo", update({"--report", strFifo}), "--report " + strFifo + ": it is a FIFO"},
        {"ReportDevFull", update({"--report", "/dev/full"}), "it is a character device"},
        {"ReportIsCodeFile", update({"--file", strCode, "--report", strCode}),
         "which this run reads"},
        {"ReportIsSettings", update({"--report", rig.SettingsPath()}), "which this run reads"},
        {"ReportInSoftwareFolder", update({"--report", rig.Code() + "report.csv"}),
         "is in the software folder"},
        {"JsonOntoCsv", update({"--json", "--report", strCsv}), "holds a CSV report"},
        {"CsvOntoJson", update({"--report", strJson}), "holds a JSON report"},
    };
    const std::string strCodeBefore = test::ReadTextFile(strCode);
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.pszName);
        const CCliRig::Result result = rig.Run(c.args, 10000);
        EXPECT_EQ(result.nStatus, 2) << "-1: it did not end";
        EXPECT_NE(result.strErr.find(c.strMessage), std::string::npos) << result.strErr;
    }
    EXPECT_EQ(test::ReadTextFile(strCode), strCodeBefore);
    EXPECT_EQ(test::ReadTextFile(strCsv), kCsvHeader + "\n");
    EXPECT_EQ(test::ReadTextFile(strJson), "{\"port\":5}\n");
    EXPECT_FALSE(std::filesystem::exists(rig.Code() + "report.csv"));
}

// The report at the file-size limit (a full disk to the program) loses the line, not its end.
TEST(CliReport, ALineThatCannotGoInWholeIsTakenOutAndFailsTheRun) {
    CCliRig rig;
    rig.WriteCodeFile("st24v104.s19", 3);
    rig.AddSim(5, PoweredWhenOpened());
    const std::string strReport = rig.Folder() + "report";
    std::string strBefore = kCsvHeader + "\n";
    while (strBefore.size() < 8000)
        strBefore +=
            "2026-01-01T00:00:00Z,5,/dev/ttyUSB0,,Saltir Series,Saltir 24,a,b,1,1,1,x,completed\n";
    test::WriteTextFile(strReport, strBefore);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = strBefore.size() + 40; // room for part of a line only
    ::setrlimit(RLIMIT_FSIZE, &limited);
    rig.Start(CCliRig::Update({"--dir", rig.Code(), "--port", "5", "--report", strReport}));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    const CCliRig::Result result = rig.WaitForEnd(30000);
    EXPECT_EQ(result.nStatus, 1) << result.strOut;
    EXPECT_NE(result.strErr.find("the report lost a line: " + strReport + ": File too large\n"),
              std::string::npos)
        << result.strErr;
    // Whole on standard error, so the record can be completed by hand.
    const std::vector<std::string> lines = LinesOf(result.strErr);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& s) {
                                return s.find(",Saltir Series,Saltir 24,") != std::string::npos &&
                                       s.compare(s.size() - 10, 10, ",completed") == 0;
                            }),
              1)
        << result.strErr;
    EXPECT_EQ(test::ReadTextFile(strReport), strBefore);
}

// A report the system will not create fails the run (1, not the argument error) with the
// reason, and leaves no empty file to be taken for a record.
TEST(CliReport, AReportThatCannotBeCreatedFailsWithTheReasonAndLeavesNothing) {
    CCliRig rig;
    rig.WriteCodeFile("st24v104.s19", 3);
    CTargetSimulator& sim = rig.AddSim(5, PoweredWhenOpened());
    CSmallDisk disk(rig.Folder() + "disk");
    if (!disk.IsMounted())
        GTEST_SKIP() << "mounting a tmpfs needs root";
    disk.Fill();
    const struct {
        const char* pszName;
        std::string strReport;
        const char* pszWhy;
    } kCases[] = {{"FullDisk", rig.Folder() + "disk/new.csv", "No space left on device"},
                  {"NoFolder", rig.Folder() + "gone/new.csv", "No such file or directory"}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.pszName);
        const CCliRig::Result result = rig.Run(
            CCliRig::Update({"--dir", rig.Code(), "--port", "5", "--report", c.strReport}), 10000);
        EXPECT_EQ(result.nStatus, 1);
        EXPECT_NE(
            result.strErr.find("--report " + c.strReport + ": cannot be written: " + c.pszWhy),
            std::string::npos)
            << result.strErr;
        EXPECT_EQ(result.strErr.find("Try"), std::string::npos) << result.strErr;
        EXPECT_FALSE(std::filesystem::exists(c.strReport));
    }
    EXPECT_EQ(sim.GetPowerOnCount(), 0);
}

// Lines that cannot go in (a full disk, a report whose folder was removed mid-run) are each
// printed whole on standard error, and the run fails.
TEST(CliReport, EveryLostLineIsPrintedWholeAndFailsTheRun) {
    const struct {
        const char* pszName;
        bool bFullDisk;
        const char* pszWhy;
    } kCases[] = {{"FullDisk", true, "No space left on device"},
                  {"FolderRemoved", false, "was removed during the run"}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.pszName);
        CCliRig rig;
        rig.WriteCodeFile("st24v104.s19", 3);
        rig.AddSim(5, PoweredWhenOpened());
        CTargetSimulator& later = rig.AddSim(6);
        const std::string strFolder = rig.Folder() + "records", strReport = strFolder + "/r.csv";
        std::unique_ptr<CSmallDisk> pDisk;
        if (c.bFullDisk) {
            pDisk = std::make_unique<CSmallDisk>(strFolder);
            if (!pDisk->IsMounted())
                GTEST_SKIP() << "mounting a tmpfs needs root";
        }
        test::MakeFolder(strFolder);
        // A whole page of earlier lines, so the next line needs a block the disk does not have.
        std::string strBefore = kCsvHeader + "\n";
        strBefore += std::string(4095 - strBefore.size(), 'x') + "\n";
        test::WriteTextFile(strReport, strBefore);
        if (pDisk)
            pDisk->Fill();
        rig.Start(CCliRig::Update(
            {"--dir", rig.Code(), "--port", "5", "--port", "6", "--report", strReport}));
        for (int i = 0; i < 1000 && rig.Output().find("COM5 completed") == std::string::npos; ++i)
            ::usleep(10000);
        if (!c.bFullDisk)
            std::filesystem::remove_all(strFolder);
        later.PowerOn();
        const CCliRig::Result result = rig.WaitForEnd(30000);
        EXPECT_EQ(result.nStatus, 1) << result.strOut;
        EXPECT_NE(result.strErr.find(c.pszWhy), std::string::npos) << result.strErr;
        const std::vector<std::string> lines = LinesOf(result.strErr);
        for (const char* pszPort : {",5,/", ",6,/"}) {
            const bool bLost = std::any_of(lines.begin(), lines.end(), [&](const std::string& s) {
                return s.find(pszPort) != std::string::npos &&
                       s.compare(s.size() - 10, 10, ",completed") == 0;
            });
            EXPECT_EQ(bLost, c.bFullDisk || pszPort[1] == '6') << pszPort << "\n" << result.strErr;
        }
    }
}

// The window's settings file is never taken as the report, also before it has been written.
TEST(CliReport, TheSettingsFileIsRefusedBeforeItExists) {
    CCliRig rig;
    const std::string strCode = rig.WriteCodeFile("st24v104.s19", 3);
    CTargetSimulator& sim = rig.AddSim(5);
    // A copy of the program in a folder of the test's own: its settings would live beside it.
    const std::string strBin = rig.Folder() + "bin/";
    test::MakeFolder(strBin);
    std::filesystem::copy_file(std::string(std::getenv("VANTORO_BUILD_DIR")) + "/vantoro-cli",
                               strBin + "vantoro-cli");
    std::filesystem::permissions(strBin + "vantoro-cli", std::filesystem::perms::owner_all);
    const std::string strSettings = strBin + "vantoro.INI";
    const std::string strCommand =
        "timeout 20 " + strBin +
        "vantoro-cli update --product 'Saltir Series' --model 'Saltir 24' --file " + strCode +
        " --port " + sim.GetDevicePath() + " --report " + strSettings + " 2>" + rig.Folder() +
        "err >/dev/null";
    const int nStatus = std::system(strCommand.c_str());
    EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 2) << nStatus;
    EXPECT_NE(test::ReadTextFile(rig.Folder() + "err").find("which this run reads"),
              std::string::npos)
        << test::ReadTextFile(rig.Folder() + "err");
}

TEST(CliReport, ALastLineWithoutItsLineFeedIsEndedFirst) {
    CCliRig rig;
    rig.WriteCodeFile("st24v104.s19", 3);
    rig.AddSim(5, PoweredWhenOpened());
    const std::string strReport = rig.Folder() + "report";
    test::WriteTextFile(strReport, kCsvHeader + "\ncut off");
    const CCliRig::Result result =
        rig.Run(CCliRig::Update({"--dir", rig.Code(), "--port", "5", "--report", strReport}));
    EXPECT_EQ(result.nStatus, 0) << result.strErr;
    const std::vector<std::string> lines = LinesOf(test::ReadTextFile(strReport));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "cut off");
    EXPECT_NE(lines[2].find(",completed"), std::string::npos) << lines[2];
}

namespace {

// How many processes wait for a lock on the file with this inode (the kernel lists them).
int LockWaiters(ino_t nInode) {
    std::ifstream locks("/proc/locks");
    const std::string strInode = ":" + std::to_string(nInode) + " ";
    int nWaiters = 0;
    for (std::string strLine; std::getline(locks, strLine);)
        nWaiters +=
            strLine.find("-> ") != std::string::npos && strLine.find(strInode) != std::string::npos;
    return nWaiters;
}

} // namespace

// Four runs starting one new report together: whoever comes first writes the header, once.
// The test holds the report's lock while they start, as a run that just created it would: none
// may look at it or write to it before the lock is theirs.
TEST(CliReport, RunsStartingOneNewReportTogetherWriteOneHeaderAndWholeLines) {
    test::CTempFolder shared;
    const std::string strReport = shared / "report.csv";
    const int fd = ::open(strReport.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    struct stat info {};
    ASSERT_EQ(::fstat(fd, &info), 0);
    std::vector<std::unique_ptr<CCliRig>> rigs;
    for (int i = 0; i < 4; ++i) {
        rigs.push_back(std::make_unique<CCliRig>());
        rigs.back()->WriteCodeFile("st24v104.s19", 3);
        rigs.back()->AddSim(5, PoweredWhenOpened());
        rigs.back()->Start(
            CCliRig::Update({"--dir", rigs.back()->Code(), "--port", "5", "--report", strReport}));
    }
    const bool bAllWait = WaitUntil([&] { return LockWaiters(info.st_ino) == 4; }, 30000);
    const off_t nSizeWhileLocked = ::lseek(fd, 0, SEEK_END);
    ::flock(fd, LOCK_UN);
    ::close(fd);
    EXPECT_EQ(nSizeWhileLocked, 0) << "a run wrote to the report while another held its lock";
    EXPECT_TRUE(bAllWait) << "not all four runs came to wait for the report's lock within 30 s";
    for (auto& pRig : rigs)
        EXPECT_EQ(pRig->WaitForEnd(30000).nStatus, 0) << "-1: it did not end within 30 s";
    const std::vector<std::string> lines = LinesOf(test::ReadTextFile(strReport));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), kCsvHeader), 1);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& s) {
                                return s.size() > 10 &&
                                       s.compare(s.size() - 10, 10, ",completed") == 0;
                            }),
              4);
    EXPECT_EQ(lines.size(), 5u);
}

TEST(CliOutput, StandardOutputThatCannotBeWrittenFailsWithAMessage) {
    CCliRig rig;
    rig.AddSim(5);
    const std::string strCommand = std::string(std::getenv("VANTORO_BUILD_DIR")) +
                                   "/vantoro-cli --settings " + rig.SettingsPath() +
                                   " ports > /dev/full 2> " + rig.Folder() + "err";
    const int nStatus = std::system(strCommand.c_str());
    EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 1) << nStatus;
    EXPECT_NE(test::ReadTextFile(rig.Folder() + "err")
                  .find("cannot write to standard output: No space left on device"),
              std::string::npos);
}
