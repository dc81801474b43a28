// A port that another program holds, that the user may not open, or that disappears after the
// port list was made: the update stops with the documented text before anything is sent, and
// once the trouble is gone the same port updates normally.
#include "hardrig.h"

#include "serial/comportdiscovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vantoro;

namespace {

constexpr uid_t kNobody = 65534;

// Start and Update; the port cannot be opened, so the engine must rest in ActionFail.
void ExpectRefusedPort(CHardRig& rig, const std::string& strText) {
    rig.m_pEngine->StepUpdate(StartPressed);
    rig.m_pEngine->StepUpdate(StartPressed);
    EXPECT_EQ(rig.m_pEngine->GetState(), ActionFail);
    EXPECT_EQ(rig.m_window.m_strStatus, strText);
    EXPECT_EQ(rig.m_window.m_strAction, "Press Cancel to Try Again");
    EXPECT_TRUE(rig.m_window.HasLogged("StartUpdate: " + strText));
    EXPECT_FALSE(rig.m_pEngine->IsPortOpen());
    rig.m_pEngine->StepUpdate(CancelPressed);
    EXPECT_EQ(rig.m_pEngine->GetState(), Idle);
    EXPECT_FALSE(rig.m_pEngine->IsCodeFileOpen());
}

// An update on the simulator already running, as the user would retry it.
void ExpectRetrySucceeds(CHardRig& rig) {
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

TEST(PortTroubleTest, APortHeldByAnotherProcessIsInUseUntilItLetsGo) {
    CHardRig rig(0);
    rig.StartSim(SimOptions{});
    rig.UseCodeFile(MakeSRecordFile(3));
    // The holder reports on one pipe and holds on until the other one closes, which also
    // happens when this process ends for any reason.
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        // Another terminal program: it opens the line and takes the advisory lock.
        ::close(release[1]);
        const int nFd = ::open(rig.m_pSim->GetDevicePath().c_str(), O_RDWR | O_NOCTTY);
        const char cOk = nFd >= 0 && ::flock(nFd, LOCK_EX | LOCK_NB) == 0 ? 'y' : 'n';
        if (::write(ready[1], &cOk, 1) == 1 && cOk == 'y') {
            char c;
            while (::read(release[0], &c, 1) > 0) {
            }
        }
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    char cReady = 0;
    const bool bReady = ::read(ready[0], &cReady, 1) == 1 && cReady == 'y';
    ::close(ready[0]);
    if (!bReady) {
        ::close(release[1]);
        ::waitpid(holder, nullptr, 0);
        FAIL() << "the other process could not take the port";
    }

    ExpectRefusedPort(rig, "Unable to open Port 5. It is In Use. Error 5");
    EXPECT_EQ(rig.m_pSim->GetReceived(), "");

    ::close(release[1]);
    ::waitpid(holder, nullptr, 0);
    ExpectRetrySucceeds(rig);
}

// Root opens any node whatever its mode, so the refused open runs as an ordinary user in a child
// process. What this cannot show: the program's own run under a user without the group, and an
// EPERM (as opposed to EACCES) from a driver.
TEST(PortTroubleTest, ADeviceNodeWithoutPermissionNamesTheCauseAndTheGroup) {
    CHardRig rig(1);
    rig.StartSim(SimOptions{});
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
        UpdateEngine& engine = *rig.m_pEngine;
        engine.StepUpdate(StartPressed);
        engine.StepUpdate(StartPressed);
        const std::string strText = "Unable to open Port 5. It is Unknown. Error 5";
        bool bCause = false;
        for (const std::string& strLine : rig.m_window.Log(LogSystem)) {
            bCause = bCause || (strLine.find(strDevice) != std::string::npos &&
                                strLine.find("Permission denied") != std::string::npos &&
                                strLine.find("'dialout' group") != std::string::npos);
        }
        const bool bOk = engine.GetState() == ActionFail && rig.m_window.m_strStatus == strText &&
                         rig.m_window.HasLogged("StartUpdate: " + strText) && bCause;
        if (!bOk) {
            std::fprintf(stderr, "status \"%s\"\n", rig.m_window.m_strStatus.c_str());
            for (const std::string& strLine : rig.m_window.Log()) {
                std::fprintf(stderr, "log: %s\n", strLine.c_str());
            }
        }
        ::_exit(bOk ? 0 : 1);
    }
    int nStatus = -1;
    ::waitpid(child, &nStatus, 0);
    ASSERT_TRUE(WIFEXITED(nStatus));
    EXPECT_EQ(WEXITSTATUS(nStatus), 0);

    ::chown(strDevice.c_str(), st.st_uid, st.st_gid);
    ::chmod(strDevice.c_str(), st.st_mode & 07777);
    ExpectRetrySucceeds(rig);
}

// A USB adapter pulled out after the port list was made: its comN link stays, its node is gone.
TEST(PortTroubleTest, APortThatVanishesAfterDiscoveryIsUnavailable) {
    CHardRig rig(0);
    rig.StartSim(SimOptions{});
    rig.UseCodeFile(MakeSRecordFile(3));
    const std::string strAdapter = rig.Dir() + "/usb-adapter";
    ASSERT_EQ(::symlink(rig.m_pSim->GetDevicePath().c_str(), strAdapter.c_str()), 0);
    const std::string strLink = rig.DeviceLinkPath();
    ASSERT_EQ(::unlink(strLink.c_str()), 0);
    ASSERT_EQ(::symlink(strAdapter.c_str(), strLink.c_str()), 0);
    ASSERT_TRUE(HasPort(CHardRig::kPort));

    ASSERT_EQ(::unlink(strAdapter.c_str()), 0);
    ExpectRefusedPort(rig, "Unable to open Port 5. It is Unavailable. Error 2");
    EXPECT_FALSE(HasPort(CHardRig::kPort)); // the next port list leaves it out

    rig.StartSim(SimOptions{}); // plugged in again: the link is made anew
    ASSERT_TRUE(HasPort(CHardRig::kPort));
    ExpectRetrySucceeds(rig);
}
