// How an update ends when the time-out, the code file or the user stops it. Every reply and
// line fault at each record position is in the hardening fault matrix.
#include "updaterig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace vantoro;

namespace {

const std::string kCycleComplete = "Complete : Update Cycle Complete";
using Texts = std::vector<std::string>;

} // namespace

TEST(UpdateFailureTest, ReplyTimeoutCountsFromTheLastWarningAcrossTheTickCounterWrap) {
    SimOptions options;
    options.replyAt[2] = "<<"; // two warnings, 300 ms apart, then silence
    options.nReplyGapMs = 300;
    CUpdateRig rig(options);
    // The second warning comes 6384 ms before the counter wraps, its time-out runs out after it.
    rig.m_clock.SetNow(0xFFFFC000u);
    rig.UseCodeFile(MakeSRecordFile(3));
    ASSERT_TRUE(rig.StartAndPowerOn());
    CRecordingWindow& window = rig.m_window;
    auto Warnings = [&window] {
        const Texts log = window.Log(LogHighLevelComms);
        return std::count(log.begin(), log.end(), "Wait Reply : Address Low Error  @ Record 2");
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
}

// A file that ends without its end record must fail the update. (One that goes between Start
// and the handshake is refused before the handshake: the engine guard tests.)
TEST(UpdateFailureTest, FilesEndingBeforeTheEndRecordAreAFileError) {
    std::string strNoEnd = MakeSRecordFile(2);
    strNoEnd.erase(strNoEnd.rfind("S9"));
    const struct {
        const char* pszName;
        std::string strFile;
        int nRecords;
    } cases[] = {{"empty", "", 0}, {"no end record", strNoEnd, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        CUpdateRig rig(SimOptions{});
        const std::string strPath = rig.UseCodeFile(c.strFile);
        rig.m_pEngine->StepUpdate(StartPressed);
        EXPECT_TRUE(rig.m_window.HasLogged("StartUpdate: File has " + std::to_string(c.nRecords) +
                                           " Records"));
        rig.m_pEngine->StepUpdate(StartPressed);
        rig.m_pSim->PowerOn();
        ASSERT_TRUE(rig.RunToRest());
        CRecordingWindow& window = rig.m_window;
        const std::string strError =
            "File Error @ Record " + std::to_string(c.nRecords + 1) + ". Update Failed";
        EXPECT_EQ(window.m_strStatus, strError);
        EXPECT_EQ(window.m_strAction, " Press Cancel to Try Again");
        EXPECT_FALSE(window.m_bStartEnabled);
        EXPECT_TRUE(window.m_bCancelEnabled);
        EXPECT_EQ(window.Log(LogApplication).back(), "Send S Record: " + strError);
        EXPECT_FALSE(window.HasLogged("Send S Record: Code File Changed or Unreadable"));
        EXPECT_EQ(rig.m_pSim->GetReceived(), c.strFile);
        EXPECT_TRUE(rig.m_pEngine->IsPortOpen()); // until Cancel
        window.ClearHistory();
        rig.m_pEngine->StepUpdate(StartPressed); // ignored in ActionFail
        rig.m_pEngine->StepUpdate(CancelPressed);
        EXPECT_EQ(window.Log(),
                  (Texts{"Action Fail : Cancel Button Press", "Port 5 Closed", kCycleComplete}));
        EXPECT_FALSE(rig.m_pEngine->IsPortOpen());
        EXPECT_FALSE(HoldsDescriptorTo(strPath));
        std::string strWhy;
        EXPECT_TRUE(rig.RunCleanUpdate(strWhy)) << strWhy;
    }
}

// The file the user chose is the path: a new file renamed over it, or the link it was chosen
// through pointed at another file, leaves the opened one untouched, yet the update must stop.
TEST(UpdateFailureTest, ACodeFileReplacedDuringTheUpdateIsNeverMixedIn) {
    for (const bool bThroughLink : {false, true}) {
        SCOPED_TRACE(bThroughLink ? "link pointed at another file" : "file renamed over it");
        SimOptions options;
        options.replyAt[2] = "<C"; // a warning, then 'C' half a second later
        options.nReplyGapMs = 500;
        CUpdateRig rig(options);
        const std::string strContent = MakeSRecordFile(4);
        std::string strPath = rig.UseCodeFile(strContent);
        if (bThroughLink) {
            strPath = rig.Dir() + "/chosen.s19";
            ASSERT_EQ(::symlink("code.s19", strPath.c_str()), 0);
            rig.m_catalogue[0].SetVariantFile(strPath);
            rig.m_catalogue[0].FindSoftware();
        }
        ASSERT_TRUE(rig.StartAndPowerOn());
        ASSERT_TRUE(rig.PumpUntil([&rig] {
            return rig.m_window.HasLogged("Wait Reply : Address Low Error  @ Record 2");
        }));
        { std::ofstream(rig.Dir() + "/other.s19", std::ios::binary) << MakeSRecordFile(6, 8); }
        if (bThroughLink) {
            ASSERT_EQ(::symlink("other.s19", (strPath + ".new").c_str()), 0);
            ASSERT_EQ(std::rename((strPath + ".new").c_str(), strPath.c_str()), 0);
        } else {
            ASSERT_EQ(std::rename((rig.Dir() + "/other.s19").c_str(), strPath.c_str()), 0);
        }
        ASSERT_TRUE(rig.RunToRest());
        EXPECT_EQ(rig.m_pEngine->GetState(), ActionFail);
        EXPECT_EQ(rig.m_window.m_strStatus, "File Error @ Record 3. Update Failed");
        EXPECT_TRUE(rig.m_window.HasLogged("Send S Record: Code File Changed or Unreadable"));
        const std::size_t nTwoLines = strContent.find('\n', strContent.find('\n') + 1) + 1;
        EXPECT_EQ(rig.m_pSim->GetReceived(), strContent.substr(0, nTwoLines));
    }
}

TEST(UpdateFailureTest, CancelInEveryStateThatAllowsIt) {
    // state reached, the equipment's handshake, the log after Cancel
    const struct {
        UpdateState state;
        const char* pszHandshake;
        Texts log;
    } cases[] = {
        {StartUpdate, "QduKanZ", {"StartUpdate: Cancel Button Press", kCycleComplete}},
        {WaitForTarget,
         "QduKanZ",
         {"WaitForTarget : Cancel Button Press", "Port 5 Closed", kCycleComplete}},
        {WaitForAckProgramFlash,
         "never sent",
         {"WaitForAckProgramFlash: Cancel Button Press", "Port 5 Closed", kCycleComplete}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        SimOptions options;
        options.strHandshake = c.pszHandshake;
        CUpdateRig rig(options);
        UpdateEngine& engine = *rig.m_pEngine;
        rig.UseCodeFile(MakeSRecordFile(1));
        engine.StepUpdate(StartPressed);
        if (c.state != StartUpdate) {
            engine.StepUpdate(StartPressed);
        }
        if (c.state == WaitForAckProgramFlash) {
            rig.m_pSim->PowerOn();
            ASSERT_TRUE(rig.PumpUntil([&] { return engine.GetState() == c.state; }));
            rig.m_clock.Advance(100000); // no time-out while waiting for 'F'
        }
        ASSERT_EQ(engine.GetState(), c.state);
        EXPECT_TRUE(rig.m_window.m_bCancelEnabled);
        rig.m_window.ClearHistory();
        if (c.state != StartUpdate) {
            engine.StepUpdate(c.state == WaitForTarget ? StartPressed : IdleTick); // ignored
            engine.StepUpdate(IdleTick);
            ASSERT_EQ(engine.GetState(), c.state);
        }
        engine.StepUpdate(CancelPressed);
        EXPECT_EQ(rig.m_window.Log(), c.log);
        EXPECT_EQ(engine.GetState(), Idle);
        EXPECT_FALSE(engine.IsPortOpen());
        EXPECT_FALSE(engine.IsCodeFileOpen());
        EXPECT_EQ(rig.m_window.m_strCaption, "&Start");
    }
    SimOptions options;
    options.nSilentFrom = 1;
    CUpdateRig rig(options);
    rig.UseCodeFile(MakeSRecordFile(1));
    rig.m_pEngine->StepUpdate(CancelPressed); // Idle ignores it
    EXPECT_TRUE(rig.m_window.Log().empty());
    ASSERT_TRUE(rig.StartAndPowerOn());
    ASSERT_EQ(rig.m_pEngine->GetState(), WaitReply);
    EXPECT_FALSE(rig.m_window.m_bCancelEnabled);
    EXPECT_EQ(rig.m_window.m_focus, UpdateFocus::Hidden);
    rig.m_pEngine->StepUpdate(CancelPressed);
    rig.m_pEngine->StepUpdate(StartPressed);
    EXPECT_EQ(rig.m_pEngine->GetState(), WaitReply);
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
