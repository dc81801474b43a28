// A lock another process keeps (a program stopped half-way) is waited for a bounded time; then
// the program goes on without changing what the lock guards, and says why.
#include "platform/cfilelock.h"
#include "platform/cprofilefile.h"
#include "platform/testtempfolder.h"
#include "serial/ccomportnumbering.h"
#include "serial/comportnames.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vantoro;
using namespace vantoro::test;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Another process holding flock on a path until the object goes.
class CHeldElsewhere {
public:
    explicit CHeldElsewhere(const std::string& strPath) {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            const bool bFolder = !strPath.empty() && strPath.back() == '/';
            const int fd = ::open(strPath.c_str(), bFolder ? O_RDONLY : O_RDONLY | O_CREAT, 0644);
            if (fd >= 0 && ::flock(fd, LOCK_EX) == 0 && ::write(fds[1], "L", 1) == 1)
                ::pause();
            ::_exit(1);
        }
        ::close(fds[1]);
        pollfd pfd{fds[0], POLLIN, 0};
        char c = 0;
        m_bHeld = ::poll(&pfd, 1, 10000) == 1 && ::read(fds[0], &c, 1) == 1;
        ::close(fds[0]);
    }
    ~CHeldElsewhere() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    bool IsHeld() const { return m_bHeld; }

private:
    pid_t m_pid = -1;
    bool m_bHeld = false;
};

TEST(HeldLocks, AreWaitedForAboutTwoSecondsThenGivenUpSayingWhy) {
    CTempFolder tmp;
    const std::string strLock = tmp / "dosdevices.lock";
    {
        CHeldElsewhere holder(strLock);
        ASSERT_TRUE(holder.IsHeld()) << "the other process never took the lock";
        const Clock::time_point start = Clock::now();
        CFileLock lock(strLock);
        const double seconds = SecondsSince(start);
        EXPECT_FALSE(lock.IsHeld());
        EXPECT_TRUE(lock.IsHeldElsewhere());
        EXPECT_GE(seconds, 1.5);
        EXPECT_LT(seconds, 4.0) << "waited for the holder far past the bound";
        EXPECT_NE(lock.Problem().find(strLock), std::string::npos) << lock.Problem();
    }
    const Clock::time_point start = Clock::now();
    CFileLock free(strLock);
    EXPECT_TRUE(free.IsHeld());
    EXPECT_TRUE(free.Problem().empty());
    EXPECT_LT(SecondsSince(start), 0.5);
}

// Numbers as plugged, no link written, and a line for the log; a whole settings save gives up
// in one wait and leaves the file as it was.
TEST(HeldLocks, NumberingAndSavingGoOnWithoutChangingAnything) {
    CTempFolder tmp;
    const std::string strDos = tmp / "dosdevices";
    std::filesystem::create_directories(tmp / "by-id");
    WriteTextFile(tmp / "ttyUSB3", "");
    std::filesystem::create_symlink(tmp / "ttyUSB3", tmp / "by-id/usb-FTDI_A1-if00-port0");
    const std::vector<TtyDevice> devices{{"ttyUSB3", tmp / "ttyUSB3"}};
    const std::string strIni = tmp / "vantoro.INI";
    WriteTextFile(strIni, "[APP]\nPort=3\n");

    CHeldElsewhere numbering(strDos + ".lock");
    CHeldElsewhere settings(tmp.Path());
    ASSERT_TRUE(numbering.IsHeld() && settings.IsHeld());
    Clock::time_point start = Clock::now();
    std::vector<std::string> logTexts;
    const std::vector<ComPortEntry> ports =
        CComPortNumbering(strDos, tmp / "by-id").NumberPorts(devices, logTexts);
    EXPECT_LT(SecondsSince(start), 4.0);
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].nPort, 36) << "not its plug-order number";
    EXPECT_FALSE(std::filesystem::exists(strDos + "/com36"));
    ASSERT_EQ(logTexts.size(), 1u);
    EXPECT_NE(logTexts[0].find("held the lock"), std::string::npos) << logTexts[0];
    start = Clock::now();
    std::string strWhy;
    EXPECT_EQ(CComPortNumbering(strDos, "").LinkNetworkPort("rfc2217://rack1:7001", {}, strWhy),
              -1);
    EXPECT_LT(SecondsSince(start), 0.5) << "one run waited for the same holder twice";
    EXPECT_NE(strWhy.find("held the lock"), std::string::npos) << strWhy;

    start = Clock::now();
    for (const char* pszKey : {"Port", "Platform", "Log", "LogFlags", "ReplyTimeout"})
        EXPECT_FALSE(WritePrivateProfileString("APP", pszKey, "9", strIni)) << pszKey;
    EXPECT_LT(SecondsSince(start), 4.0) << "each key waited for the lock again";
    EXPECT_EQ(ReadTextFile(strIni), "[APP]\nPort=3\n");
    EXPECT_NE(ProfileSaveLockProblem().find("held the lock"), std::string::npos);
}

// A network name keeps the number it was given at first sight, in every later run.
TEST(NetworkPortNumbers, AreLinkedAtFirstSightAndKeptAcrossRuns) {
    CTempFolder tmp;
    const std::string strDos = tmp / "dosdevices";
    std::filesystem::create_directories(strDos);
    std::filesystem::create_symlink("/dev/ttyS0", strDos + "/com129");
    const std::string strA = "rfc2217://127.0.0.1:7001";
    const std::string strB = "socket://rack2:4001";
    std::string strWhy;
    const int nA = CComPortNumbering(strDos, "").LinkNetworkPort(strA, {130}, strWhy);
    EXPECT_EQ(nA, 131) << strWhy;
    const int nB = CComPortNumbering(strDos, "").LinkNetworkPort(strB, {}, strWhy);
    EXPECT_EQ(nB, 130) << strWhy;
    for (int nRun = 0; nRun < 3; ++nRun) {
        EXPECT_EQ(CComPortNumbering(strDos, "").LinkNetworkPort(strA, {}, strWhy), nA);
        EXPECT_EQ(CComPortNumbering(strDos, "").LinkNetworkPort(strB, {130}, strWhy), nB);
    }
    // The same port written another way keeps its number; another port does not take it.
    for (const char* pszSame : {"RFC2217://127.0.0.1:7001/", "rfc2217://127.0.0.1:07001"})
        EXPECT_EQ(CComPortNumbering(strDos, "").LinkNetworkPort(pszSame, {}, strWhy), nA);
    EXPECT_EQ(CComPortNumbering(strDos, "").LinkNetworkPort("socket://127.0.0.1:7001", {}, strWhy),
              132);
    // A number the settings' [NetworkPorts] section gives is the user's: no link takes it.
    const std::string strSettings = tmp / "vantoro.INI";
    WriteTextFile(strSettings, "[NetworkPorts]\nCOM133=socket://rack3:4001\n");
    SetNetworkPortsFile(strSettings);
    EXPECT_EQ(CComPortNumbering(strDos, "").LinkNetworkPort("socket://rack4:4001", {}, strWhy), 134);
    SetNetworkPortsFile("");
    SetDosDevicesFolder(strDos);
    EXPECT_EQ(ResolveComDevice("\\\\.\\Com131"), strA);
    SetDosDevicesFolder("");
    EXPECT_EQ(CComPortNumbering("", "").LinkNetworkPort(strA, {}, strWhy), -1);
    EXPECT_FALSE(strWhy.empty());
}

} // namespace
