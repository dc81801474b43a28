#include "platform/testtempfolder.h"
#include "ptypair.h"
#include "serial/comportdiscovery.h"
#include "serial/cserialline.h"
#include "serial/posix/portholders.h"
#include "serial/terminaldevice.h"
#include "serial/posix/uucplock.h"
#include "serial/serialtypes.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vantoro;
using vantoro::test::CTempFolder;
namespace fs = std::filesystem;

namespace {

// Another program, named as a terminal program is, that opens the device without any lock and
// keeps it, as a terminal left running does; ended (and reaped) with the object.
class CTerminalProgram {
public:
    explicit CTerminalProgram(const std::string& strDevice) {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::prctl(PR_SET_NAME, "minicom");
            const int fd = ::open(strDevice.c_str(), O_RDWR | O_NOCTTY);
            const char c = fd >= 0 ? '1' : '0';
            [[maybe_unused]] const ssize_t n = ::write(ready[1], &c, 1);
            ::pause();
            ::_exit(0);
        }
        char c = '0';
        m_bOpened = m_pid > 0 && ::read(ready[0], &c, 1) == 1 && c == '1';
        ::close(ready[0]);
        ::close(ready[1]);
    }
    ~CTerminalProgram() { End(); }
    void End() {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    bool Opened() const { return m_bOpened; }
    int Pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    bool m_bOpened = false;
};

std::string Cause(const std::string& strDevice, int& nResult, std::uint32_t& nError) {
    std::string strCause;
    nResult = CSerialLine::ProbePort(strDevice.c_str(), &nError, &strCause);
    return strCause;
}

} // namespace

// A terminal program that took no lock still reads what the equipment says: the port is In
// Use, and the log can say who has it. Once it is gone the port opens, and while open it carries
// the lock file that such programs look for.
TEST(PortHolders, AnOpenerWithoutALockMakesThePortInUseAndIsNamed) {
    CPtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    const std::string strDevice = fs::canonical(pty.SlavePath());
    {
        CTerminalProgram minicom(strDevice);
        ASSERT_TRUE(minicom.Opened());
        const std::vector<PortHolder> holders = FindOtherOpeners(strDevice);
        ASSERT_EQ(holders.size(), 1u);
        EXPECT_EQ(holders[0].nPid, minicom.Pid());
        EXPECT_EQ(holders[0].strProgram, "minicom");

        int nResult = -1;
        std::uint32_t nError = 0;
        const std::string strCause = Cause(strDevice, nResult, nError);
        EXPECT_EQ(nResult, PortInUse);
        EXPECT_EQ(nError, 5u);
        EXPECT_NE(strCause.find("minicom (process " + std::to_string(minicom.Pid()) + ")"),
                  std::string::npos)
            << strCause;
        CSerialLine line;
        EXPECT_EQ(line.OpenPort(strDevice.c_str(), false), 5u);
    }
    int nResult = -1;
    std::uint32_t nError = 0;
    Cause(strDevice, nResult, nError);
    EXPECT_EQ(nResult, PortAvailable);

    CSerialLine line;
    ASSERT_EQ(line.OpenPort(strDevice.c_str(), false), 0u);
    EXPECT_TRUE(FindOtherOpeners(strDevice).empty()) << "this process is never its own rival";
    const std::string strLock = UucpLockPath(strDevice, kUucpLockFolder);
    if (::access(kUucpLockFolder, W_OK) == 0) {
        EXPECT_EQ(vantoro::test::ReadTextFile(strLock),
                  std::string(10 - std::to_string(::getpid()).size(), ' ') +
                      std::to_string(::getpid()) + "\n");
    }
    line.ClosePort();
    EXPECT_FALSE(fs::exists(strLock));
}

// The lock file of a live program refuses the port; one whose program is gone is cleared.
TEST(PortHolders, LockFilesOfLiveProgramsAreHonouredAndStaleOnesCleared) {
    CTempFolder folder;
    const std::string strLocks = folder / "lock";
    fs::create_directories(strLocks);
    EXPECT_EQ(UucpLockPath("/dev/ttyUSB0", strLocks), strLocks + "/LCK..ttyUSB0");
    EXPECT_EQ(UucpLockPath("/dev/pts/7", strLocks), strLocks + "/LCK..pts_7");

    CTerminalProgram screen("/dev/null");
    ASSERT_GT(screen.Pid(), 0);
    vantoro::test::WriteTextFile(UucpLockPath("/dev/ttyUSB0", strLocks),
                                 "     " + std::to_string(screen.Pid()) + "\n");
    EXPECT_EQ(UucpLockHolder("/dev/ttyUSB0", strLocks), screen.Pid());
    EXPECT_FALSE(TakeUucpLock("/dev/ttyUSB0", strLocks));
    ReleaseUucpLock("/dev/ttyUSB0", strLocks);
    EXPECT_TRUE(fs::exists(UucpLockPath("/dev/ttyUSB0", strLocks))) << "not ours to remove";

    screen.End();
    EXPECT_EQ(UucpLockHolder("/dev/ttyUSB0", strLocks), 0);
    EXPECT_TRUE(TakeUucpLock("/dev/ttyUSB0", strLocks));
    EXPECT_TRUE(TakeUucpLock("/dev/ttyUSB0", strLocks)) << "taking our own again";
    ReleaseUucpLock("/dev/ttyUSB0", strLocks);
    EXPECT_FALSE(fs::exists(UucpLockPath("/dev/ttyUSB0", strLocks)));
}

// A comN link may name anything; what is no terminal is listed as what it is.
TEST(PortHolders, LinksToWhatIsNoTerminalAreListedAsWhatTheyAre) {
    CTempFolder folder;
    CPtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    const std::string strLinks = folder / "dosdevices";
    fs::create_directories(strLinks);
    vantoro::test::WriteTextFile(folder / "notes.txt", "");
    fs::create_symlink(folder / "notes.txt", strLinks + "/com7");
    fs::create_symlink(folder / "", strLinks + "/com8");
    fs::create_symlink("/dev/null", strLinks + "/com9");
    fs::create_symlink(pty.SlavePath(), strLinks + "/com10");
    ComPortSources sources{[](std::vector<TtyDevice>&) { return true; }, folder / "by-id",
                           strLinks};
    std::vector<ComPortEntry> entries;
    std::vector<std::string> problems;
    ASSERT_TRUE(DiscoverComPortEntries(entries, problems, sources));
    std::vector<std::string> names;
    for (const ComPortEntry& entry : entries)
        names.push_back(std::to_string(entry.nPort) + " " + entry.strFriendlyName);
    EXPECT_EQ(names, (std::vector<std::string>{
                         "7 Not a Serial Port (regular file)", "8 Not a Serial Port (directory)",
                         "9 Not a Serial Port (character device)",
                         "10 Serial Port (" + fs::canonical(pty.SlavePath()).string() + ")"}));
}
