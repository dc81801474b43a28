// How an update ends when something goes wrong: error replies, silence, a hang-up, the file,
// the port, and the user's Cancel in every state that allows it.
#include "updaterig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <unistd.h>

using namespace vantoro;

namespace {

const std::string kCycleComplete = "Complete : Update Cycle Complete";

struct ErrorReplyCase {
    const char* pszName;
    std::string strReply;
    std::string strStatus;
    std::string strLog;
};

// Test names show the case's name, not its bytes.
void PrintTo(const ErrorReplyCase& c, std::ostream* pStream) {
    *pStream << c.pszName;
}

class ErrorReplyTest : public ::testing::TestWithParam<ErrorReplyCase> {};

// Pumps until the engine waits for the reply to record nRecord.
bool WaitForRecord(CUpdateRig& rig, int nRecord) {
    return rig.PumpUntil([&rig, nRecord] {
        return rig.m_pEngine->GetState() == WaitReply &&
               rig.m_pEngine->GetRecordsSent() == nRecord &&
               rig.m_pSim->GetRecordsReceived() == nRecord;
    });
}

} // namespace

TEST_P(ErrorReplyTest, FailsWithTheReplysTexts) {
    const ErrorReplyCase& c = GetParam();
    SimOptions options;
    options.replyAt[2] = c.strReply;
    CUpdateRig rig(options);
    rig.UseCodeFile(MakeSRecordFile(3));
    ASSERT_TRUE(rig.StartAndPowerOn());
    ASSERT_TRUE(rig.RunToRest());
    UpdateEngine& engine = *rig.m_pEngine;
    CRecordingWindow& window = rig.m_window;
    EXPECT_EQ(engine.GetState(), ActionFail);
    EXPECT_EQ(window.m_strStatus, "Fatal Error. " + c.strStatus);
    EXPECT_EQ(window.m_strAction, "Update Failed. Press Cancel to Continue");
    EXPECT_EQ(window.m_strProgressText, "Update Failed");
    EXPECT_EQ(window.m_nProgressPos, 50); // the bar stays where it was
    EXPECT_TRUE(window.m_bCancelEnabled);
    EXPECT_EQ(window.m_focus, UpdateFocus::Cancel);
    EXPECT_EQ(window.Log(LogApplication).back(), c.strLog);
    EXPECT_FALSE(engine.IsPortOpen());
    EXPECT_FALSE(engine.IsCodeFileOpen());

    window.ClearHistory();
    engine.StepUpdate(StartPressed); // ignored here
    EXPECT_EQ(engine.GetState(), ActionFail);
    engine.StepUpdate(CancelPressed);
    EXPECT_EQ(window.LogFrom("Action Fail : Cancel Button Press"),
              (std::vector<std::string>{"Action Fail : Cancel Button Press", kCycleComplete}));
    EXPECT_EQ(engine.GetState(), Idle);
}

INSTANTIATE_TEST_SUITE_P(
    EveryErrorReply, ErrorReplyTest,
    ::testing::Values(
        ErrorReplyCase{"Comms", "!", "Saltir 24 Reports Comms Error", "Wait Reply : Comms Error"},
        ErrorReplyCase{"SRecord", "(", "Saltir 24 Reports File S Record Error @ Record 2",
                       "Wait Reply : S Record Error Reported"},
        ErrorReplyCase{"Checksum", ")", "Saltir 24 Reports Record Checksum Error @ Record 2",
                       "Wait Reply : Record Checksum Error @ Record 2"},
        ErrorReplyCase{"SioTimeout", "*", "Saltir 24 Reports SIO Timeout Error",
                       "Wait Reply : SIO Timeout"},
        ErrorReplyCase{"FlashWrite", "[", "Saltir 24 Reports Flash Write Fail Error",
                       "Wait Reply : Flash Write Fail Reported"},
        ErrorReplyCase{"FlashErase", "]", "Saltir 24 Reports Flash Erase Fail Error",
                       "Wait Reply : Flash Erase Fail Reported"},
        ErrorReplyCase{"LineFeed", "\n", "Unexpected Reply Character from Saltir 24 ",
                       "Wait Reply : Unexpected Reply Character \n"},
        ErrorReplyCase{"Echo", "S", "Unexpected Reply Character from Saltir 24 ",
                       "Wait Reply : Unexpected Reply Character S"}),
    [](const ::testing::TestParamInfo<ErrorReplyCase>& info) { return info.param.pszName; });

TEST(UpdateFailureTest, TheEquipmentsOwnChecksFailTheUpdate) {
    // A record whose checksum is wrong, checked by the simulated boot loader itself.
    std::string strFile = MakeSRecordFile(2);
    strFile.replace(strFile.find('\n') - 2, 2, "00");
    CUpdateRig rig(SimOptions{});
    rig.UseCodeFile(strFile);
    ASSERT_TRUE(rig.StartAndPowerOn());
    ASSERT_TRUE(rig.RunToRest());
    EXPECT_EQ(rig.m_window.m_strStatus,
              "Fatal Error. Saltir 24 Reports Record Checksum Error @ Record 1");
}

TEST(UpdateFailureTest, WarningsAreLoggedAndTheNextReplyCarriesOn) {
    SimOptions options;
    options.replyAt[2] = "<C";
    options.replyAt[3] = ">C";
    CUpdateRig rig(options);
    const std::string strContent = MakeSRecordFile(3);
    rig.UseCodeFile(strContent);
    ASSERT_TRUE(rig.StartAndPowerOn());
    ASSERT_TRUE(rig.RunToRest());
    EXPECT_EQ(rig.m_pEngine->GetState(), WaitDonePress);
    EXPECT_EQ(rig.m_pSim->GetReceived(), strContent);
    EXPECT_EQ(rig.m_window.Log(LogHighLevelComms),
              (std::vector<std::string>{"Wait Reply : Address Low Error  @ Record 2",
                                        "Wait Reply : Address Too High @ Record 3"}));
}

TEST(UpdateFailureTest, ReplyTimeoutCountsFromTheLastReplyAndWarning) {
    SimOptions options;
    options.replyAt[2] = "<<"; // two warnings, 300 ms apart, then silence
    options.nReplyGapMs = 300;
    CUpdateRig rig(options);
    rig.UseCodeFile(MakeSRecordFile(3));
    ASSERT_TRUE(rig.StartAndPowerOn());
    CRecordingWindow& window = rig.m_window;
    const std::string strWarning = "Wait Reply : Address Low Error  @ Record 2";
    auto Warnings = [&window, &strWarning] {
        const std::vector<std::string> log = window.Log(LogHighLevelComms);
        return std::count(log.begin(), log.end(), strWarning);
    };
    ASSERT_TRUE(rig.PumpUntil([&] { return Warnings() == 1; }));
    rig.m_clock.Advance(10000); // exactly the time-out: not yet over it
    ASSERT_TRUE(rig.PumpUntil([&] { return Warnings() == 2; }));
    EXPECT_EQ(rig.m_pEngine->GetState(), WaitReply);
    EXPECT_EQ(window.m_strStatus, "2 Records Sent");
    rig.m_clock.Advance(10000);
    rig.m_pEngine->StepUpdate(IdleTick);
    EXPECT_EQ(rig.m_pEngine->GetState(), WaitReply);
    rig.m_clock.Advance(1);
    rig.m_pEngine->StepUpdate(IdleTick);
    EXPECT_EQ(rig.m_pEngine->GetState(), ActionFail);
    EXPECT_EQ(window.m_strStatus, "Fatal Error. Comms Timeout with Saltir 24 @ Record 2");
    EXPECT_EQ(window.Log(LogApplication).back(), "Wait Reply : Target Comms Timeout");
}

TEST(UpdateFailureTest, TimeoutSurvivesTheTickCounterWrapping) {
    SimOptions options;
    options.nSilentFrom = 2;
    CUpdateRig rig(options);
    rig.m_clock.SetNow(0xFFFFFF00u);
    rig.m_pEngine->SetReplyTimeout(20000);
    rig.UseCodeFile(MakeSRecordFile(3));
    ASSERT_TRUE(rig.StartAndPowerOn());
    ASSERT_TRUE(WaitForRecord(rig, 2));
    rig.m_clock.Advance(20000); // wraps past zero
    rig.m_pEngine->StepUpdate(IdleTick);
    EXPECT_EQ(rig.m_pEngine->GetState(), WaitReply);
    rig.m_clock.Advance(1);
    rig.m_pEngine->StepUpdate(IdleTick);
    EXPECT_EQ(rig.m_window.m_strStatus, "Fatal Error. Comms Timeout with Saltir 24 @ Record 2");
}

TEST(UpdateFailureTest, AHangUpMidUpdateEndsInTheTimeout) {
    SimOptions options;
    options.nHangupAtRecord = 3;
    CUpdateRig rig(options);
    rig.UseCodeFile(MakeSRecordFile(5));
    ASSERT_TRUE(rig.StartAndPowerOn());
    ASSERT_TRUE(
        rig.PumpUntil([&rig] { return rig.m_pSim->GetState() == CTargetSimulator::HungUp; }));
    ASSERT_TRUE(WaitForRecord(rig, 3));
    rig.m_clock.Advance(10001);
    ASSERT_TRUE(rig.RunToRest());
    EXPECT_EQ(rig.m_window.m_strStatus, "Fatal Error. Comms Timeout with Saltir 24 @ Record 3");
    EXPECT_FALSE(rig.m_pEngine->IsPortOpen());
    rig.m_pEngine->StepUpdate(CancelPressed);
    EXPECT_EQ(rig.m_pEngine->GetState(), Idle);
}

TEST(UpdateFailureTest, FileEndingBeforeTheEndRecordIsAFileError) {
    struct Case {
        const char* pszName;
        std::string strFile;
        int nRecord;
    };
    std::string strNoEnd = MakeSRecordFile(2);
    strNoEnd.erase(strNoEnd.rfind("S9"));
    const std::vector<Case> cases = {{"empty", "", 1}, {"no end record", strNoEnd, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        CUpdateRig rig(SimOptions{});
        rig.UseCodeFile(c.strFile);
        ASSERT_TRUE(rig.StartAndPowerOn());
        ASSERT_TRUE(rig.RunToRest());
        CRecordingWindow& window = rig.m_window;
        const std::string strError =
            "File Error @ Record " + std::to_string(c.nRecord) + ". Update Failed";
        EXPECT_EQ(window.m_strStatus, strError);
        EXPECT_EQ(window.m_strAction, " Press Cancel to Try Again");
        EXPECT_FALSE(window.m_bStartEnabled);
        EXPECT_TRUE(window.m_bCancelEnabled);
        EXPECT_EQ(window.Log(LogApplication).back(), "Send S Record: " + strError);
        EXPECT_TRUE(rig.m_pEngine->IsPortOpen()); // until Cancel
        window.ClearHistory();
        rig.m_pEngine->StepUpdate(CancelPressed);
        EXPECT_EQ(window.LogFrom("Action Fail : Cancel Button Press"),
                  (std::vector<std::string>{"Action Fail : Cancel Button Press", "Port 5 Closed",
                                            kCycleComplete}));
        EXPECT_FALSE(rig.m_pEngine->IsPortOpen());
    }
    CUpdateRig rig(SimOptions{});
    rig.UseCodeFile("");
    rig.m_pEngine->StepUpdate(StartPressed);
    EXPECT_TRUE(rig.m_window.HasLogged("StartUpdate: File has 0 Records"));
}

TEST(UpdateFailureTest, ACodeFileReplacedDuringTheUpdateIsNeverMixedIn) {
    SimOptions options;
    options.replyAt[2] = "<C"; // a warning, then 'C' half a second later
    options.nReplyGapMs = 500;
    CUpdateRig rig(options);
    const std::string strContent = MakeSRecordFile(4);
    const std::string strPath = rig.UseCodeFile(strContent);
    ASSERT_TRUE(rig.StartAndPowerOn());
    ASSERT_TRUE(rig.PumpUntil(
        [&rig] { return rig.m_window.HasLogged("Wait Reply : Address Low Error  @ Record 2"); }));
    { std::ofstream(strPath + ".new", std::ios::binary) << MakeSRecordFile(6, 8); }
    ASSERT_EQ(std::rename((strPath + ".new").c_str(), strPath.c_str()), 0);
    ASSERT_TRUE(rig.RunToRest());
    EXPECT_EQ(rig.m_pEngine->GetState(), ActionFail);
    EXPECT_EQ(rig.m_window.m_strStatus, "File Error @ Record 3. Update Failed");
    EXPECT_TRUE(rig.m_window.HasLogged("Send S Record: Code File Changed or Unreadable"));
    const std::size_t nTwoLines = strContent.find('\n', strContent.find('\n') + 1) + 1;
    EXPECT_EQ(rig.m_pSim->GetReceived(), strContent.substr(0, nTwoLines));
}

TEST(UpdateFailureTest, CancelInEveryStateThatAllowsIt) {
    {
        SCOPED_TRACE("StartUpdate: the port was never opened");
        CUpdateRig rig(SimOptions{});
        rig.UseCodeFile(MakeSRecordFile(1));
        rig.m_pEngine->StepUpdate(StartPressed);
        rig.m_window.ClearHistory();
        rig.m_pEngine->StepUpdate(CancelPressed);
        EXPECT_EQ(rig.m_window.Log(),
                  (std::vector<std::string>{"StartUpdate: Cancel Button Press", kCycleComplete}));
        EXPECT_FALSE(rig.m_pEngine->IsCodeFileOpen());
        EXPECT_EQ(rig.m_window.m_strCaption, "&Start");
    }
    {
        SCOPED_TRACE("WaitForTarget");
        CUpdateRig rig(SimOptions{});
        rig.UseCodeFile(MakeSRecordFile(1));
        rig.m_pEngine->StepUpdate(StartPressed);
        rig.m_pEngine->StepUpdate(StartPressed);
        ASSERT_EQ(rig.m_pEngine->GetState(), WaitForTarget);
        rig.m_window.ClearHistory();
        rig.m_pEngine->StepUpdate(StartPressed); // ignored
        rig.m_pEngine->StepUpdate(IdleTick);     // ignored
        rig.m_pEngine->StepUpdate(CancelPressed);
        EXPECT_EQ(rig.m_window.Log(),
                  (std::vector<std::string>{"WaitForTarget : Cancel Button Press", "Port 5 Closed",
                                            kCycleComplete}));
        EXPECT_FALSE(rig.m_pEngine->IsPortOpen());
        EXPECT_EQ(rig.m_pEngine->GetState(), Idle);
    }
    {
        SCOPED_TRACE("WaitForAckProgramFlash: the equipment never acknowledges");
        SimOptions options;
        options.strHandshake = "never sent";
        CUpdateRig rig(options);
        rig.UseCodeFile(MakeSRecordFile(1));
        rig.m_pEngine->StepUpdate(StartPressed);
        rig.m_pEngine->StepUpdate(StartPressed);
        rig.m_pSim->PowerOn();
        ASSERT_TRUE(
            rig.PumpUntil([&rig] { return rig.m_pEngine->GetState() == WaitForAckProgramFlash; }));
        EXPECT_TRUE(rig.m_window.m_bCancelEnabled);
        rig.m_clock.Advance(100000); // no time-out while waiting for 'F'
        rig.m_pEngine->StepUpdate(IdleTick);
        EXPECT_EQ(rig.m_pEngine->GetState(), WaitForAckProgramFlash);
        rig.m_window.ClearHistory();
        rig.m_pEngine->StepUpdate(CancelPressed);
        EXPECT_EQ(rig.m_window.Log(),
                  (std::vector<std::string>{"WaitForAckProgramFlash: Cancel Button Press",
                                            "Port 5 Closed", kCycleComplete}));
    }
    {
        SCOPED_TRACE("WaitReply and WaitDonePress ignore Cancel");
        SimOptions options;
        options.nSilentFrom = 1;
        CUpdateRig rig(options);
        rig.UseCodeFile(MakeSRecordFile(1));
        ASSERT_TRUE(rig.StartAndPowerOn());
        ASSERT_EQ(rig.m_pEngine->GetState(), WaitReply);
        EXPECT_FALSE(rig.m_window.m_bCancelEnabled);
        EXPECT_EQ(rig.m_window.m_focus, UpdateFocus::Hidden);
        EXPECT_TRUE(rig.m_pEngine->IsAwaitingReply());
        rig.m_pEngine->StepUpdate(CancelPressed);
        rig.m_pEngine->StepUpdate(StartPressed);
        EXPECT_EQ(rig.m_pEngine->GetState(), WaitReply);
    }
    {
        SCOPED_TRACE("Idle ignores Cancel");
        CUpdateRig rig(SimOptions{});
        rig.m_pEngine->StepUpdate(CancelPressed);
        EXPECT_EQ(rig.m_pEngine->GetState(), Idle);
        EXPECT_TRUE(rig.m_window.Log().empty());
    }
}

TEST(UpdateFailureTest, PortsThatCannotBeOpened) {
    {
        SCOPED_TRACE("nothing behind the number");
        CUpdateRig rig(SimOptions{});
        rig.UseCodeFile(MakeSRecordFile(1));
        rig.m_pEngine->SetPortNumber(6);
        rig.m_pEngine->StepUpdate(StartPressed);
        rig.m_pEngine->StepUpdate(StartPressed);
        const std::string strText = "Unable to open Port 6. It is Unavailable. Error 2";
        EXPECT_EQ(rig.m_pEngine->GetState(), ActionFail);
        EXPECT_EQ(rig.m_window.m_strStatus, strText);
        EXPECT_EQ(rig.m_window.m_strAction, "Press Cancel to Try Again");
        EXPECT_EQ(rig.m_window.m_strCaption, "&Update");
        EXPECT_FALSE(rig.m_window.m_bStartEnabled);
        EXPECT_TRUE(rig.m_window.HasLogged("StartUpdate: " + strText));
        EXPECT_TRUE(rig.m_pEngine->IsCodeFileOpen()); // until Cancel
        rig.m_window.ClearHistory();
        rig.m_pEngine->StepUpdate(CancelPressed);
        EXPECT_EQ(rig.m_window.Log(),
                  (std::vector<std::string>{"Action Fail : Cancel Button Press", kCycleComplete}));
        EXPECT_FALSE(rig.m_pEngine->IsCodeFileOpen());
    }
    {
        SCOPED_TRACE("not a serial device");
        CUpdateRig rig(SimOptions{});
        rig.UseCodeFile(MakeSRecordFile(1));
        ASSERT_EQ(::symlink(rig.TempDir().c_str(), (rig.TempDir() + "/dosdevices/com7").c_str()),
                  0);
        rig.m_pEngine->SetPortNumber(7);
        rig.m_pEngine->StepUpdate(StartPressed);
        rig.m_pEngine->StepUpdate(StartPressed);
        EXPECT_EQ(rig.m_window.m_strStatus, "Unable to open Port 7. It is Unknown. Error 21");
    }
    {
        SCOPED_TRACE("held by another program");
        CUpdateRig rig(SimOptions{});
        rig.UseCodeFile(MakeSRecordFile(1));
        const int nFd = ::open(rig.m_pSim->GetDevicePath().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(nFd, 0);
        ASSERT_EQ(::flock(nFd, LOCK_EX | LOCK_NB), 0);
        rig.m_pEngine->StepUpdate(StartPressed);
        rig.m_pEngine->StepUpdate(StartPressed);
        ::close(nFd);
        EXPECT_EQ(rig.m_window.m_strStatus, "Unable to open Port 5. It is In Use. Error 5");
    }
}

TEST(UpdateFailureTest, ACodeFileThatCannotBeOpened) {
    CUpdateRig rig(SimOptions{});
    const std::string strPath = rig.UseCodeFile("S9030000FC\n", "100%d %s.s19");
    ASSERT_EQ(::unlink(strPath.c_str()), 0);
    rig.m_pEngine->StepUpdate(StartPressed);
    CRecordingWindow& window = rig.m_window;
    EXPECT_EQ(rig.m_pEngine->GetState(), ActionFail);
    EXPECT_EQ(window.m_strStatus, "Can't Open Code File");
    EXPECT_EQ(window.m_strAction, "Press Cancel to Try Again");
    EXPECT_EQ(window.m_strCaption, "&Start");
    EXPECT_FALSE(window.m_bStartEnabled);
    EXPECT_TRUE(window.m_bCancelEnabled);
    EXPECT_EQ(window.Log().back(), "Cannot Open File " + strPath); // "%" shown as it is
    rig.m_pEngine->StepUpdate(CancelPressed);
    EXPECT_EQ(rig.m_pEngine->GetState(), Idle);
    EXPECT_FALSE(window.HasLogged("Port 5 Closed"));
}
