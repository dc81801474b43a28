// Whole updates over a pseudo-terminal: engine, serial layer with its listener thread, and the
// simulated equipment.
#include "updaterig.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vantoro;

namespace {

bool Contains(const std::vector<std::string>& texts, const std::string& strText) {
    return std::find(texts.begin(), texts.end(), strText) != texts.end();
}

} // namespace

TEST(UpdateCycleTest, CompleteUpdateShowsEveryStepAndSendsEveryRecordByteForByte) {
    CUpdateRig rig(SimOptions{});
    const std::string strContent = MakeSRecordFile(2); // two data records and the S9
    const std::string strPath = rig.UseCodeFile(strContent);
    UpdateEngine& engine = *rig.m_pEngine;
    CRecordingWindow& window = rig.m_window;
    engine.StepUpdate(StartPressed);
    EXPECT_EQ(window.m_strAction,
              "Ensure Saltir 24 is Off. Press Update To Continue. Press Cancel to Abort");
    EXPECT_EQ(window.m_strCaption, "&Update");
    EXPECT_TRUE(window.m_bCancelEnabled);
    EXPECT_FALSE(window.m_bSelectionEnabled);
    engine.StepUpdate(StartPressed);
    EXPECT_EQ(window.m_strAction,
              "Turn Saltir 24 On to Start Code Update, or Press Cancel to Abort");
    EXPECT_FALSE(window.m_bStartEnabled);
    EXPECT_EQ(window.m_focus, UpdateFocus::Cancel);
    EXPECT_TRUE(engine.IsPortOpen());
    rig.m_pSim->PowerOn();
    ASSERT_TRUE(rig.RunToRest());

    EXPECT_EQ(engine.GetState(), WaitDonePress);
    EXPECT_EQ(rig.m_pSim->GetReceived(), strContent);
    EXPECT_EQ(rig.m_pSim->GetImage().size(), 32u);
    EXPECT_TRUE(Contains(window.m_actionHistory, "Updating Saltir 24 Software .. Please Wait"));
    for (const std::string& strAction : window.m_actionHistory) {
        EXPECT_EQ(strAction.find("Complete in"), std::string::npos) << strAction;
    }
    EXPECT_EQ(window.m_progressHistory,
              (std::vector<std::string>{"33 %", "66 %", "100 %", "Update Complete"}));
    EXPECT_EQ(window.m_nProgressPos, 100);
    EXPECT_EQ(window.m_statusHistory,
              (std::vector<std::string>{"1 Records Sent", "2 Records Sent", "3 Records Sent",
                                        "Update Complete."}));
    EXPECT_EQ(window.m_strAction, "Press Done To Continue.");
    EXPECT_EQ(window.m_strCaption, "&Done");
    EXPECT_TRUE(window.m_bStartEnabled);
    EXPECT_FALSE(window.m_bCancelEnabled);
    EXPECT_FALSE(window.m_bSelectionEnabled);
    EXPECT_EQ(window.m_focus, UpdateFocus::Start);
    EXPECT_FALSE(engine.IsPortOpen());
    EXPECT_FALSE(engine.IsCodeFileOpen());
    EXPECT_EQ(window.Log(~static_cast<std::uint32_t>(LogLowLevelComms)),
              (std::vector<std::string>{
                  "StartUpdate: Start Button Press", "StartUpdate: Opened File " + strPath,
                  "StartUpdate: File has 3 Records", "StartUpdate: Port 5 opened", "Model Detected",
                  "WaitForAckProgramFlash: Recieved Ack",
                  "Wait Reply : End Record Recieved.. Update Complete"}));
    EXPECT_TRUE(window.HasLogged("Serial Event Rx Any Char"));

    window.ClearHistory();
    engine.StepUpdate(StartPressed); // Done
    EXPECT_EQ(window.Log(), (std::vector<std::string>{"Wait Done Press : Done Button Press",
                                                      "Complete : Update Cycle Complete"}));
    EXPECT_EQ(engine.GetState(), Idle);
    EXPECT_EQ(window.m_strCaption, "&Start");
    EXPECT_EQ(window.m_nProgressPos, 0);
    EXPECT_EQ(window.m_strProgressText, "Idle");
    EXPECT_TRUE(window.m_bSelectionEnabled);
    EXPECT_FALSE(window.m_bCancelEnabled);
    EXPECT_EQ(window.m_nRefreshes, 1);
}

// Every byte of the read that holds the 'F' is looked at, not only the first.
TEST(UpdateCycleTest, BothPlatformsAreFoundThroughNoiseASplitDetectionTextAndStrayBytesAtTheAck) {
    for (int nPlatform : {0, 1}) {
        for (const bool bSplit : {false, true}) {
            SCOPED_TRACE(std::to_string(nPlatform) + (bSplit ? " split" : " noise"));
            SimOptions options;
            options.nNoise = 25;                        // more than two reads of ten
            options.nSplitDetectMs = bSplit ? 150 : -1; // the text's halves in separate reads
            options.strAck = std::string("\0F\x11", 3);
            CUpdateRig rig(options, nPlatform);
            const std::string strContent = MakeSRecordFile(3);
            rig.UseCodeFile(strContent);
            ASSERT_TRUE(rig.StartAndPowerOn()) << "no record went out after the acknowledgement";
            ASSERT_TRUE(rig.RunToRest());
            EXPECT_EQ(rig.m_window.m_strStatus, "Update Complete.");
            EXPECT_EQ(rig.m_pSim->GetReceived(), strContent);
            EXPECT_TRUE(rig.m_window.HasLogged("Model Detected"));
        }
    }
}

TEST(UpdateCycleTest, EquipmentSwitchedOnWhenTheLineOpensServesCycleAfterCycle) {
    SimOptions options;
    options.nPowerOnWhenOpenedMs = 50;
    CUpdateRig rig(options);
    const std::string strContent = MakeSRecordFile(2);
    rig.UseCodeFile(strContent);
    const char* const models[] = {"Saltir 24", "Saltir 48"};
    for (int nCycle = 1; nCycle <= 6; ++nCycle) {
        SCOPED_TRACE(nCycle);
        // A model chosen between cycles takes effect at the next Start.
        rig.m_catalogue[0].SetVariant((nCycle - 1) % 2);
        rig.m_pEngine->StepUpdate(StartPressed);
        EXPECT_EQ(rig.m_window.m_strAction,
                  std::string("Ensure ") + models[(nCycle - 1) % 2] +
                      " is Off. Press Update To Continue. Press Cancel to Abort");
        rig.m_pEngine->StepUpdate(StartPressed);
        ASSERT_TRUE(rig.RunToRest());
        EXPECT_EQ(rig.m_pEngine->GetState(), WaitDonePress);
        EXPECT_EQ(rig.m_pSim->GetReceived(), strContent);
        EXPECT_EQ(rig.m_pSim->GetPowerOnCount(), nCycle);
        rig.m_pEngine->StepUpdate(StartPressed); // Done
        ASSERT_EQ(rig.m_pEngine->GetState(), Idle);
    }
}

TEST(UpdateCycleTest, TextModeFilesArriveAsLinesEndingInALineFeedOnly) {
    const std::string strPlain = MakeSRecordFile(2);
    const std::string strHuge(1024 * 1024, '7');
    const struct {
        const char* pszName;
        std::string strFile, strExpected;
    } cases[] = {
        {"crlf", MakeSRecordFile(2, 16, "\r\n"), strPlain},
        {"no final line end", strPlain.substr(0, strPlain.size() - 1), strPlain},
        {"ctrl-z", strPlain + "\x1a" + "S1FFJUNK\n", strPlain},
        {"1 MB line", strHuge + "\nS9030000FC", strHuge + "\nS9030000FC\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        SimOptions options;
        options.replyAt[1] = "C"; // the equipment takes even the 1 MB line that is no S-record
        CUpdateRig rig(options);
        rig.UseCodeFile(c.strFile);
        ASSERT_TRUE(rig.StartAndPowerOn());
        ASSERT_TRUE(rig.RunToRest(30000));
        EXPECT_EQ(rig.m_pEngine->GetState(), WaitDonePress);
        EXPECT_TRUE(rig.m_pSim->GetReceived() == c.strExpected); // no megabyte dumps
    }
}

TEST(UpdateCycleTest, ThousandRecordsShowEveryWholePercentageOnce) {
    CUpdateRig rig(SimOptions{});
    rig.UseCodeFile(MakeSRecordFile(999, 4));
    ASSERT_TRUE(rig.StartAndPowerOn());
    ASSERT_TRUE(rig.RunToRest(60000));
    EXPECT_EQ(rig.m_pEngine->GetState(), WaitDonePress);
    EXPECT_TRUE(rig.m_window.HasLogged("StartUpdate: File has 1000 Records"));
    std::vector<std::string> expected;
    for (int i = 0; i <= 100; ++i) {
        expected.push_back(std::to_string(i) + " %");
    }
    expected.push_back("Update Complete");
    EXPECT_EQ(rig.m_window.m_progressHistory, expected);
}

TEST(UpdateCycleTest, EstimateAtTenRecordsASecond) {
    CUpdateRig rig(SimOptions{});
    // 1252 records: the estimate first shows at record 52, with 1200 left.
    rig.UseCodeFile(MakeSRecordFile(1251, 4));
    const std::uint32_t nBase = rig.m_clock.GetTickCount();
    rig.m_afterEvent = [&rig, nBase] {
        rig.m_clock.SetNow(nBase +
                           100u * static_cast<std::uint32_t>(rig.m_pEngine->GetRecordsSent()));
    };
    ASSERT_TRUE(rig.StartAndPowerOn());
    ASSERT_TRUE(rig.RunToRest(60000));
    ASSERT_EQ(rig.m_pEngine->GetState(), WaitDonePress);
    const std::vector<std::string>& actions = rig.m_window.m_actionHistory;
    const auto first = std::find_if(actions.begin(), actions.end(), [](const std::string& s) {
        return s.find("Complete in") != std::string::npos;
    });
    ASSERT_NE(first, actions.end());
    EXPECT_EQ(*first, "Updating Saltir 24 Software ..  Complete in 2m 1s");
    EXPECT_TRUE(Contains(actions, "Updating Saltir 24 Software ..  Complete in 51s"));
    EXPECT_TRUE(Contains(actions, "Updating Saltir 24 Software ..  Complete in 1s"));
}
