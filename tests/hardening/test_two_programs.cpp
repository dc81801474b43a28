// Two programs at once, as a bench has them: the window and a command line numbering ports at the
// same moment, each seeing its own set of adapters, and both saving settings to one file. Two
// processes run 400 rounds each, started together every round.
#include "platform/cprofilefile.h"
#include "platform/testtempfolder.h"
#include "serial/ccomportnumbering.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <sched.h>
#include <set>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vantoro;

namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 400;

// Rounds both processes begin together, so each one's reading meets the other's writing.
struct SharedRounds {
    std::atomic<int> arrived[kRounds];
};

// Runs body(round) in two child processes (0 and 1), round by round in step; the sum of what
// the bodies counted as wrong, or -1 when a child did not end properly.
template <typename Body> int InTwoProcesses(Body body) {
    void* pMemory = ::mmap(nullptr, sizeof(SharedRounds), PROT_READ | PROT_WRITE,
                           MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    auto* pRounds = new (pMemory) SharedRounds();
    pid_t children[2];
    for (int nChild = 0; nChild < 2; ++nChild) {
        children[nChild] = ::fork();
        if (children[nChild] == 0) {
            int nWrong = 0;
            for (int nRound = 0; nRound < kRounds; ++nRound) {
                pRounds->arrived[nRound].fetch_add(1);
                while (pRounds->arrived[nRound].load() < 2)
                    sched_yield();
                nWrong += body(nChild, nRound);
            }
            ::_exit(std::min(nWrong, 250));
        }
    }
    int nTotal = 0;
    for (pid_t child : children) {
        int nStatus = 0;
        ::waitpid(child, &nStatus, 0);
        nTotal = nTotal < 0 || !WIFEXITED(nStatus) ? -1 : nTotal + WEXITSTATUS(nStatus);
    }
    ::munmap(pMemory, sizeof(SharedRounds));
    return nTotal;
}

// Canonical device nodes listed more than once.
int DuplicateEntries(const std::vector<ComPortEntry>& entries) {
    std::set<std::string> nodes;
    int nTwice = 0;
    for (const ComPortEntry& entry : entries)
        nTwice += !nodes.insert(fs::weakly_canonical(entry.strDeviceNode).string()).second;
    return nTwice;
}

} // namespace

// Adapter X was plugged in second for the window (ttyUSB1) and first for the command line
// (ttyUSB0), where adapter Y has its ttyUSB0 now: each would give X another number.
TEST(TwoPrograms, NumberingAtOnceGivesNoDeviceTwoLinksOrTwoEntries) {
    test::CTempFolder tmp;
    const std::string strDev = tmp / "dev", strById = tmp / "by-id";
    test::MakeFolder(strDev);
    test::MakeFolder(strById);
    test::WriteTextFile(strDev + "/ttyUSB0", "");
    test::WriteTextFile(strDev + "/ttyUSB1", "");
    fs::create_symlink(strDev + "/ttyUSB1", strById + "/usb-X");
    fs::create_symlink(strDev + "/ttyUSB0", strById + "/usb-Y");
    const std::vector<TtyDevice> views[2] = {
        {{"ttyUSB0", strDev + "/ttyUSB1"}},
        {{"ttyUSB0", strDev + "/ttyUSB0"}, {"ttyUSB1", strDev + "/ttyUSB1"}},
    };
    const int nDuplicateEntries = InTwoProcesses([&](int nChild, int nRound) {
        CComPortNumbering numbering(tmp / ("round" + std::to_string(nRound)), strById);
        std::vector<std::string> logTexts;
        return DuplicateEntries(numbering.NumberPorts(views[nChild], logTexts));
    });
    int nDuplicateLinks = 0;
    for (int nRound = 0; nRound < kRounds; ++nRound) {
        std::map<std::string, int> targets;
        for (const auto& entry : fs::directory_iterator(tmp / ("round" + std::to_string(nRound))))
            nDuplicateLinks += targets[fs::read_symlink(entry.path()).string()]++ > 0;
    }
    std::printf("numbering, %d rounds in two processes: %d duplicate links, %d duplicate "
                "entries\n",
                kRounds, nDuplicateLinks, nDuplicateEntries);
    EXPECT_EQ(nDuplicateLinks, 0);
    EXPECT_EQ(nDuplicateEntries, 0);
}

TEST(TwoPrograms, SavingSettingsAtOnceLosesNoKey) {
    // A memory file system where there is one: the test is about turns, not about disks.
    const std::string strBase = fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string strTemplate = strBase + "/vantoro-two-XXXXXX";
    ASSERT_NE(::mkdtemp(strTemplate.data()), nullptr);
    const std::string strFile = strTemplate + "/vantoro.INI";
    // A file of some size, as a bench's grows: each save takes long enough to meet the other.
    test::WriteTextFile(strFile, "[APP]\nPORT=1\n" + std::string(64 * 1024, ';') + "\n");
    const int nFailedSaves = InTwoProcesses([&](int nChild, int nRound) {
        const std::string strKey = "KEY" + std::to_string(nChild) + "_" + std::to_string(nRound);
        return WritePrivateProfileString("SESSION", strKey, std::to_string(nRound), strFile) ? 0
                                                                                             : 1;
    });
    int nLost = 0;
    for (int nChild = 0; nChild < 2; ++nChild) {
        for (int nRound = 0; nRound < kRounds; ++nRound) {
            const std::string strKey =
                "KEY" + std::to_string(nChild) + "_" + std::to_string(nRound);
            nLost +=
                GetPrivateProfileString("SESSION", strKey, "", strFile) != std::to_string(nRound);
        }
    }
    fs::remove_all(strTemplate);
    std::printf("settings, %d saves in each of two processes: %d keys lost, %d saves failed\n",
                kRounds, nLost, nFailedSaves);
    EXPECT_EQ(nFailedSaves, 0);
    EXPECT_EQ(nLost, 0);
}
