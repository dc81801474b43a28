// The simulated equipment on its own: its record checks, its options and the command-line program.
#include "serial/cserialline.h"
#include "sim/cmemoryimage.h"
#include "sim/csrecordchecker.h"
#include "sim/simoptions.h"
#include "updaterig.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace vantoro;

namespace {

std::string SimulatorPath() {
    return std::string(std::getenv("VANTORO_BUILD_DIR")) + "/vantoro-target-sim";
}

// Reads from nFd until nWanted bytes have arrived or two seconds passed.
std::string ReadFor(int nFd, std::size_t nWanted) {
    std::string strGot;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (strGot.size() < nWanted && std::chrono::steady_clock::now() < deadline) {
        pollfd fd{nFd, POLLIN, 0};
        if (::poll(&fd, 1, 50) > 0) {
            char buffer[256];
            const ssize_t n = ::read(nFd, buffer, sizeof(buffer));
            if (n > 0) {
                strGot.append(buffer, static_cast<std::size_t>(n));
            }
        }
    }
    return strGot;
}

} // namespace

TEST(SRecordCheckerTest, RepliesAsTheBootLoaderDoes) {
    const CSRecordChecker checker(0x0100, 0x01FF);
    struct Case {
        const char* pszLine;
        char cReply;
    };
    const Case cases[] = {
        {"S00600004844521B", 'C'},       // header
        {"S107010001020304ED", 'C'},     // S1 at 0x0100
        {"S107010001020304ed", 'C'},     // lower-case digits
        {"S107010001020304ED\r", 'C'},   // a carriage return left on the line
        {"S20800010001020304EC", 'C'},   // S2: three address bytes
        {"S3090000010001020304EB", 'C'}, // S3: four address bytes
        {"S50300FFFD", 'C'},             // record count
        {"S9030000FC", '+'},             // terminations
        {"S804000000FB", '+'},
        {"S70500000000FA", '+'},
        {"S107010001020304EA", ')'}, // checksum
        {"S107010001020304", '('},   // too short for its count
        {"S1070100010203G4ED", '('}, // not a hex digit
        {"S10701000102030ED", '('},  // odd number of digits
        {"S4030000FC", '('},         // no such type
        {"", '('},
        {"C", '('},
        {"X107010001020304EB", '('},
        {"S107000001020304EE", '<'}, // below the range
        {"S10701FC01020304F1", 'C'}, // last byte exactly at the top
        {"S10701FD01020304F0", '>'}, // one byte beyond it
    };
    for (const Case& c : cases) {
        EXPECT_EQ(checker.Check(c.pszLine).cReply, c.cReply) << '"' << c.pszLine << '"';
    }
    const SRecordCheck check = checker.Check("S107010001020304ED");
    EXPECT_EQ(check.nType, 1);
    EXPECT_EQ(check.nAddress, 0x0100u);
    EXPECT_EQ(check.data, (std::vector<std::uint8_t>{1, 2, 3, 4}));
}

TEST(SRecordCheckerTest, MemoryImageFillsGapsAsErasedFlash) {
    CMemoryImage image;
    image.Program(0x10, {1, 2});
    image.Program(0x14, {5});
    EXPECT_EQ(image.Contiguous(), (std::vector<std::uint8_t>{1, 2, 0xFF, 0xFF, 5}));
    image.Program(0x10 + CMemoryImage::kMaxSpan, {9});
    EXPECT_TRUE(image.Contiguous().empty()); // too sparse for one binary
}

TEST(SimOptionsTest, ParsesFaultsAndRejectsWhatItCannotUse) {
    SimOptions options;
    bool bHelp = false;
    std::string strError;
    ASSERT_TRUE(ParseSimOptions({"--platform", "verrin", "--noise", "12", "--reply-at", "3:<C",
                                 "--reply-at", "5:\\x21", "--silent-from", "9", "--baud", "57600",
                                 "--address-high", "0xFFFF", "--ack", "\\x00F"},
                                options, bHelp, strError))
        << strError;
    EXPECT_EQ(options.strDetect, "ceL\n");
    EXPECT_EQ(options.nNoise, 12);
    EXPECT_EQ(options.replyAt.at(3), "<C");
    EXPECT_EQ(options.replyAt.at(5), "!");
    EXPECT_EQ(options.nSilentFrom, 9);
    EXPECT_EQ(options.nBaud, 57600);
    EXPECT_EQ(options.nAddressHigh, 0xFFFFu);
    EXPECT_EQ(options.strAck, std::string("\0F", 2));
    EXPECT_FALSE(bHelp);

    // clang-format off
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"}, {"--noise"}, {"--noise", "many"}, {"--noise", "-1"}, {"--baud", "0"},
        {"--reply-at", "0:C"}, {"--reply-at", "3"}, {"--detect", "\\q"}, {"--detect", ""}, {"--ack", ""},
        {"--platform", "other"}, {"--link-folder", "/tmp"}, {"stray"},
        {"--address-low", "10", "--address-high", "5"}, {"--silent-from", "zero"}};
    // clang-format on
    for (const auto& args : bad) {
        SimOptions other;
        strError.clear();
        EXPECT_FALSE(ParseSimOptions(args, other, bHelp, strError)) << args[0];
        EXPECT_FALSE(strError.empty()) << args[0];
    }
    EXPECT_NE(strError.find("bad value for --silent-from"), std::string::npos) << strError;
    ASSERT_TRUE(ParseSimOptions({"--help"}, options, bHelp, strError));
    EXPECT_TRUE(bHelp);
}

TEST(TargetSimProgramTest, HelpAndBadOptions) {
    const auto ExitStatus = [](const std::string& strArgs) {
        const int nStatus = std::system((SimulatorPath() + strArgs + " >/dev/null 2>&1").c_str());
        return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    };
    EXPECT_EQ(ExitStatus(" --help"), 0);
    EXPECT_EQ(ExitStatus(" --silent-from zero"), 2);
    EXPECT_NE(SimUsage().find("--hangup-at"), std::string::npos);
}

TEST(TargetSimProgramTest, RunsAnUpdateThroughItsLinkAndWritesWhatArrived) {
    char szDir[] = "/tmp/vantoro-simprog-XXXXXX";
    ASSERT_NE(::mkdtemp(szDir), nullptr);
    const std::string strDir = szDir;
    const std::string strLink = strDir + "/dosdevices/com9";
    int pipeOut[2];
    ASSERT_EQ(::pipe(pipeOut), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(pipeOut[1], 1);
        const std::string strProgram = SimulatorPath(), strFolder = strDir + "/dosdevices",
                          strReceived = strDir + "/received.txt", strImage = strDir + "/image.bin";
        ::execl(strProgram.c_str(), strProgram.c_str(), "--link-folder", strFolder.c_str(), "--com",
                "9", "--platform", "verrin", "--ack", "\\x00F", "--power-on-after", "300",
                "--received", strReceived.c_str(), "--image", strImage.c_str(), "--exit-when-done",
                nullptr);
        ::_exit(127);
    }
    ::close(pipeOut[1]);
    const std::string strBanner = ReadFor(pipeOut[0], 1);
    EXPECT_EQ(strBanner.rfind("pty: /dev/pts/", 0), 0u) << strBanner;

    const int nFd = ::open(strLink.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(nFd, 0);
    EXPECT_EQ(ReadFor(nFd, 4), "ceL\n");
    ASSERT_EQ(::write(nFd, "QduKanZ", 7), 7);
    EXPECT_EQ(ReadFor(nFd, 2), std::string("\0F", 2));
    const std::string strFile = MakeSRecordFile(2, 4);
    std::istringstream lines(strFile);
    std::string strReplies;
    for (std::string strLine; std::getline(lines, strLine);) {
        strLine += "\n";
        ASSERT_EQ(::write(nFd, strLine.data(), strLine.size()),
                  static_cast<ssize_t>(strLine.size()));
        strReplies += ReadFor(nFd, 1);
    }
    EXPECT_EQ(strReplies, "CC+");
    ::close(nFd);
    int nStatus = 0;
    ASSERT_EQ(::waitpid(pid, &nStatus, 0), pid);
    EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0);
    ::close(pipeOut[0]);

    const auto Contents = [&strDir](const char* pszName) {
        std::ifstream file(strDir + pszName, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    EXPECT_EQ(Contents("/received.txt"), strFile);
    const std::string strImage = Contents("/image.bin");
    ASSERT_EQ(strImage.size(), 8u);
    EXPECT_EQ(static_cast<unsigned char>(strImage[4]), 7u); // record 2, first data byte
    EXPECT_FALSE(std::filesystem::exists(strLink));         // the link goes with the program
    std::filesystem::remove_all(strDir);
}

// Another program trying the line mid-update is refused as In Use; the equipment, switched on by
// the program that opened the line, must not be power-cycled by that attempt.
TEST(TargetSimProgramTest, PowerOnWhenOpenedIgnoresAnotherProgramsRefusedOpen) {
    SimOptions options;
    options.nPowerOnWhenOpenedMs = 0;
    options.nReplyDelayMs = 20; // the update outlasts the simulator's settling time
    CUpdateRig rig(options);
    rig.UseCodeFile(MakeSRecordFile(30));
    rig.m_pEngine->StepUpdate(StartPressed);
    rig.m_pEngine->StepUpdate(StartPressed); // opens the line: the equipment comes on by itself
    ASSERT_TRUE(rig.PumpUntil([&] { return rig.m_pSim->GetRecordsReceived() >= 2; }));
    std::uint32_t nError = 0;
    EXPECT_EQ(CSerialLine::ProbePort(rig.m_pSim->GetDevicePath().c_str(), &nError), PortInUse);
    ASSERT_TRUE(rig.RunToRest());
    EXPECT_EQ(rig.m_pEngine->GetState(), WaitDonePress) << rig.m_window.m_strStatus;
    EXPECT_EQ(rig.m_pSim->GetRecordsReceived(), 31);
}
