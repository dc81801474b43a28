// Input nobody should feed the program: code files of binary data, NUL bytes or odd names, and
// ports that another program holds, that the user may not open, that vanish after the port list
// was made or that are no serial device. Each ends in a clear text, sends nothing but the file's
// own bytes, and leaves the port ready for the next update. (The 1 MB line and a file gone
// before Update are among the end-to-end cases; bench/ runs the 16 MB file and times the
// software list of a folder of 10,000 files.)
#include "hardrig.h"

#include "serial/comportdiscovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vantoro;

namespace {

constexpr uid_t kNobody = 65534;

// Start and Update; the port cannot be opened, so the engine must rest in ActionFail with the
// code file open until Cancel.
void ExpectRefusedPort(CUpdateRig& rig, const std::string& strText) {
    rig.m_pEngine->StepUpdate(StartPressed);
    rig.m_pEngine->StepUpdate(StartPressed);
    EXPECT_EQ(rig.m_pEngine->GetState(), ActionFail);
    EXPECT_EQ(rig.m_window.m_strStatus, strText);
    EXPECT_EQ(rig.m_window.m_strAction, "Press Cancel to Try Again");
    EXPECT_EQ(rig.m_window.m_strCaption, "&Update");
    EXPECT_FALSE(rig.m_window.m_bStartEnabled);
    EXPECT_TRUE(rig.m_window.HasLogged("StartUpdate: " + strText));
    EXPECT_FALSE(rig.m_pEngine->IsPortOpen());
    EXPECT_TRUE(rig.m_pEngine->IsCodeFileOpen());
    rig.m_window.ClearHistory();
    rig.m_pEngine->StepUpdate(CancelPressed);
    EXPECT_EQ(rig.m_window.Log(), (std::vector<std::string>{"Action Fail : Cancel Button Press",
                                                            "Complete : Update Cycle Complete"}));
    EXPECT_EQ(rig.m_pEngine->GetState(), Idle);
    EXPECT_FALSE(rig.m_pEngine->IsCodeFileOpen());
}

// An update on the simulator already running, as the user would retry it.
void ExpectRetrySucceeds(CUpdateRig& rig) {
    const std::string strFile = MakeSRecordFile(3);
    rig.UseCodeFile(strFile);
    ASSERT_TRUE(rig.StartAndPowerOn());
    ASSERT_TRUE(rig.RunToRest());
    EXPECT_EQ(rig.m_window.m_strStatus, "Update Complete.");
    EXPECT_EQ(rig.m_pSim->GetReceived(), strFile);
    rig.m_pEngine->StepUpdate(StartPressed);
    EXPECT_EQ(rig.m_pEngine->GetState(), Idle);
}

bool HasPort(int nPort) {
    std::vector<int> ports;
    std::vector<std::string> names;
    DiscoverComPorts(ports, names);
    return std::find(ports.begin(), ports.end(), nPort) != ports.end();
}

} // namespace

// Another terminal program's advisory lock; the serial tests show it across processes.
TEST(PortTroubleTest, APortHeldByAnotherProgramIsInUseUntilItLetsGo) {
    CUpdateRig rig(SimOptions{});
    rig.UseCodeFile(MakeSRecordFile(3));
    const int nFd = ::open(rig.m_pSim->GetDevicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(nFd, 0);
    ASSERT_EQ(::flock(nFd, LOCK_EX | LOCK_NB), 0);
    ExpectRefusedPort(rig, "Unable to open Port 5. It is In Use. Error 5");
    ::close(nFd);
    EXPECT_EQ(rig.m_pSim->GetReceived(), "");
    ExpectRetrySucceeds(rig);
}

// Root opens any node whatever its mode, so the refused open runs as an ordinary user in a child
// process. What this cannot show: the program's own run under a user without the group, and an
// EPERM (as opposed to EACCES) from a driver.
TEST(PortTroubleTest, ADeviceNodeWithoutPermissionNamesTheCauseAndTheGroup) {
    CUpdateRig rig(SimOptions{}, 1);
    const std::string strDevice = rig.m_pSim->GetDevicePath();
    ::chmod(rig.Dir().c_str(), 0755);
    rig.UseCodeFile(MakeSRecordFile(3));
    struct stat st {};
    ASSERT_EQ(::stat(strDevice.c_str(), &st), 0);
    ASSERT_EQ(::chmod(strDevice.c_str(), 0600), 0);
    ASSERT_EQ(::chown(strDevice.c_str(), 0, 0), 0);

    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
            ::_exit(3);
        }
        const std::string strText = "Unable to open Port 5. It is Unknown. Error 5";
        rig.m_pEngine->StepUpdate(StartPressed);
        rig.m_pEngine->StepUpdate(StartPressed);
        EXPECT_EQ(rig.m_pEngine->GetState(), ActionFail);
        EXPECT_EQ(rig.m_window.m_strStatus, strText);
        EXPECT_TRUE(rig.m_window.HasLogged("StartUpdate: " + strText));
        const std::vector<std::string> system = rig.m_window.Log(LogSystem);
        EXPECT_TRUE(std::any_of(system.begin(), system.end(), [&](const std::string& strLine) {
            return strLine.find(strDevice) != std::string::npos &&
                   strLine.find("Permission denied") != std::string::npos &&
                   strLine.find("'dialout' group") != std::string::npos;
        })) << ::testing::PrintToString(system);
        std::fflush(nullptr);
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int nStatus = -1;
    ::waitpid(child, &nStatus, 0);
    EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0) << "as an ordinary user";

    ::chown(strDevice.c_str(), st.st_uid, st.st_gid);
    ::chmod(strDevice.c_str(), st.st_mode & 07777);
    ExpectRetrySucceeds(rig);
}

// A USB adapter pulled out after the port list was made: its comN link stays, its node is gone.
TEST(PortTroubleTest, APortThatVanishesAfterDiscoveryIsUnavailable) {
    CUpdateRig rig(SimOptions{});
    rig.UseCodeFile(MakeSRecordFile(3));
    const std::string strAdapter = rig.Dir() + "/usb-adapter";
    ASSERT_EQ(::symlink(rig.m_pSim->GetDevicePath().c_str(), strAdapter.c_str()), 0);
    const std::string strLink = rig.Dir() + "/dosdevices/com5";
    ASSERT_EQ(::unlink(strLink.c_str()), 0);
    ASSERT_EQ(::symlink(strAdapter.c_str(), strLink.c_str()), 0);
    ASSERT_TRUE(HasPort(CUpdateRig::kPort));

    ASSERT_EQ(::unlink(strAdapter.c_str()), 0);
    ExpectRefusedPort(rig, "Unable to open Port 5. It is Unavailable. Error 2");
    EXPECT_FALSE(HasPort(CUpdateRig::kPort)); // the next port list leaves it out

    rig.StartSim(SimOptions{}); // plugged in again: the link is made anew
    ASSERT_TRUE(HasPort(CUpdateRig::kPort));
    ExpectRetrySucceeds(rig);
}

TEST(PortTroubleTest, ANodeThatIsNoSerialDeviceIsUnknown) {
    CUpdateRig rig(SimOptions{});
    rig.UseCodeFile(MakeSRecordFile(1));
    ASSERT_EQ(::symlink(rig.Dir().c_str(), (rig.Dir() + "/dosdevices/com7").c_str()), 0);
    rig.m_pEngine->SetPortNumber(7);
    ExpectRefusedPort(rig, "Unable to open Port 7. It is Unknown. Error 21");
}

TEST(BadCodeFileTest, BinaryDataAndNulBytesAreCountedSentAsTheyAreAndRejectedByTheEquipment) {
    std::mt19937 random(7);
    std::string strBinary;
    for (int i = 0; i < 64 * 1024; ++i) {
        const char c = static_cast<char>(random() & 0xFF);
        strBinary.push_back(c == '\x1a' ? '\x1b' : c); // Ctrl-Z would end the file early
    }
    std::string strBinaryFirst = strBinary.substr(0, strBinary.find('\n'));
    if (!strBinaryFirst.empty() && strBinaryFirst.back() == '\r') {
        strBinaryFirst.pop_back();
    }
    const std::size_t nBinaryRecords =
        std::count(strBinary.begin(), strBinary.end(), '\n') + (strBinary.back() != '\n');
    std::string strNul = MakeSRecordFile(1).substr(0, MakeSRecordFile(1).find('\n'));
    strNul.insert(6, std::string("\0\0", 2));
    const struct {
        const char* pszName;
        std::string strFile, strFirstRecord;
        std::size_t nRecords;
        int nPlatform;
    } cases[] = {
        {"binary", strBinary, strBinaryFirst, nBinaryRecords, 0},
        {"NUL bytes", strNul + "\n" + std::string("\0\n", 2) + "S9030000FC\n", strNul, 3, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        CUpdateRig rig(c.nPlatform);
        const ProcessSample before = SampleProcess();
        rig.StartSim(SimOptions{});
        rig.UseCodeFile(c.strFile);
        ASSERT_TRUE(rig.StartAndPowerOn());
        ASSERT_TRUE(rig.RunToRest(30000));
        EXPECT_TRUE(rig.m_window.HasLogged("StartUpdate: File has " + std::to_string(c.nRecords) +
                                           " Records"));
        EXPECT_EQ(rig.m_pEngine->GetState(), ActionFail);
        EXPECT_EQ(rig.m_pEngine->GetRecordsSent(), 1);
        EXPECT_EQ(rig.m_window.m_strStatus.rfind("Fatal Error. ", 0), 0u)
            << rig.m_window.m_strStatus;
        EXPECT_EQ(rig.m_pSim->GetReceived(), c.strFirstRecord + "\n");
        EXPECT_FALSE(rig.m_pEngine->IsPortOpen());
        EXPECT_FALSE(rig.m_pEngine->IsCodeFileOpen());
        rig.m_pEngine->StepUpdate(CancelPressed);
        EXPECT_EQ(rig.m_pEngine->GetState(), Idle);
        std::string strWhy;
        EXPECT_TRUE(rig.RunCleanUpdate(strWhy)) << strWhy;
        rig.StopSim();
        EXPECT_EQ(SampleProcess().nDescriptors, before.nDescriptors);
    }
}

TEST(BadCodeFileTest, PercentSignsBlanksAndNonUtf8BytesInNamesAreUsedAsTheyAre) {
    CUpdateRig rig(0);
    const std::string strFolder = rig.Dir() + "/100% sure %s %d \xff\xfe\xc3(/";
    ASSERT_TRUE(std::filesystem::create_directory(strFolder));
    const std::string strFile = MakeSRecordFile(3);
    for (const char* pszName : {"st24v100.s19", "st24v200.s19", "st24v%d%.s19", "x%sy.s19"}) {
        std::ofstream(strFolder + pszName, std::ios::binary) << strFile;
    }
    CTarget& target = rig.m_catalogue.at(0);
    target.SetVariantFile("");
    ASSERT_TRUE(target.SetWorkingDirectory(strFolder));
    EXPECT_EQ(target.FindSoftware(), (std::vector<std::string>{"st24v200.s19", "st24v100.s19"}));

    // A file chosen by hand may have any name at all.
    const std::string strOdd = strFolder + "my %s 100% \xe9t\xe9 file.s19";
    std::ofstream(strOdd, std::ios::binary) << strFile;
    for (const std::string& strPath : {strFolder + "st24v200.s19", strOdd}) {
        if (strPath == strOdd) {
            target.SetVariantFile(strOdd);
        }
        target.FindSoftware();
        rig.m_window.m_nSelected = 0;
        ASSERT_EQ(target.GetSoftwarePath(0), strPath);
        rig.StartSim(SimOptions{});
        rig.m_window.ClearHistory();
        ASSERT_TRUE(rig.StartAndPowerOn());
        ASSERT_TRUE(rig.RunToRest());
        EXPECT_TRUE(rig.m_window.HasLogged("StartUpdate: Opened File " + strPath));
        EXPECT_EQ(rig.m_window.m_strStatus, "Update Complete.");
        EXPECT_EQ(rig.m_pSim->GetReceived(), strFile);
        rig.m_pEngine->StepUpdate(StartPressed);
    }
}
