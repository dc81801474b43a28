#include "update/cdetectionwindow.h"
#include "update/creplytable.h"

#include <gtest/gtest.h>

using namespace vantoro;

namespace {

struct ReplyCase {
    const char* pszName;
    char cReply;
    ReplyOutcome::Kind kind;
    const char* pszStatus;
    const char* pszLog;
    LogCategory category;
};

class ReplyTableTest : public ::testing::TestWithParam<ReplyCase> {};

} // namespace

TEST_P(ReplyTableTest, TextsAreFinishedWithModelAndRecord) {
    const ReplyCase& c = GetParam();
    // A "%" in the model name must come out as it is.
    const ReplyOutcome outcome = CReplyTable::Interpret(c.cReply, "Saltir 100%s", 17);
    EXPECT_EQ(outcome.kind, c.kind);
    EXPECT_EQ(outcome.strStatus, c.pszStatus);
    EXPECT_EQ(outcome.strLog, c.pszLog);
    EXPECT_EQ(outcome.category, c.category);
}

INSTANTIATE_TEST_SUITE_P(
    EveryReply, ReplyTableTest,
    ::testing::Values(ReplyCase{"Next", 'C', ReplyOutcome::SendNext, "", "", LogApplication},
                      ReplyCase{"Complete", '+', ReplyOutcome::Complete, "",
                                "Wait Reply : End Record Recieved.. Update Complete",
                                LogApplication},
                      ReplyCase{"AddressLow", '<', ReplyOutcome::Warning, "",
                                "Wait Reply : Address Low Error  @ Record 17", LogHighLevelComms},
                      ReplyCase{"AddressHigh", '>', ReplyOutcome::Warning, "",
                                "Wait Reply : Address Too High @ Record 17", LogHighLevelComms},
                      ReplyCase{"Comms", '!', ReplyOutcome::Failure,
                                "Saltir 100%s Reports Comms Error", "Wait Reply : Comms Error",
                                LogApplication},
                      ReplyCase{"SRecord", '(', ReplyOutcome::Failure,
                                "Saltir 100%s Reports File S Record Error @ Record 17",
                                "Wait Reply : S Record Error Reported", LogApplication},
                      ReplyCase{"Checksum", ')', ReplyOutcome::Failure,
                                "Saltir 100%s Reports Record Checksum Error @ Record 17",
                                "Wait Reply : Record Checksum Error @ Record 17", LogApplication},
                      ReplyCase{"SioTimeout", '*', ReplyOutcome::Failure,
                                "Saltir 100%s Reports SIO Timeout Error",
                                "Wait Reply : SIO Timeout", LogApplication},
                      ReplyCase{"FlashWrite", '[', ReplyOutcome::Failure,
                                "Saltir 100%s Reports Flash Write Fail Error",
                                "Wait Reply : Flash Write Fail Reported", LogApplication},
                      ReplyCase{"FlashErase", ']', ReplyOutcome::Failure,
                                "Saltir 100%s Reports Flash Erase Fail Error",
                                "Wait Reply : Flash Erase Fail Reported", LogApplication},
                      ReplyCase{"LineFeed", '\n', ReplyOutcome::Failure,
                                "Unexpected Reply Character from Saltir 100%s ",
                                "Wait Reply : Unexpected Reply Character \n", LogApplication},
                      ReplyCase{"Echo", 'S', ReplyOutcome::Failure,
                                "Unexpected Reply Character from Saltir 100%s ",
                                "Wait Reply : Unexpected Reply Character S", LogApplication},
                      ReplyCase{"Percent", '%', ReplyOutcome::Failure,
                                "Unexpected Reply Character from Saltir 100%s ",
                                "Wait Reply : Unexpected Reply Character %", LogApplication}),
    [](const ::testing::TestParamInfo<ReplyCase>& info) { return info.param.pszName; });

TEST(DetectionWindowTest, MatchesTheLastCharactersAcrossPushes) {
    CDetectionWindow window;
    EXPECT_FALSE(window.EndsWith("\n"));
    for (char c : std::string("ce")) {
        window.Push(c);
    }
    EXPECT_FALSE(window.EndsWith("ceL\n"));
    window.Push('L');
    window.Push('\n');
    EXPECT_TRUE(window.EndsWith("ceL\n"));
    EXPECT_TRUE(window.EndsWith("\n"));
    EXPECT_FALSE(window.EndsWith("CeL\n")); // case counts
    EXPECT_FALSE(window.EndsWith(""));
}

TEST(DetectionWindowTest, KeepsEightCharactersAndNeverMatchesLongerTexts) {
    CDetectionWindow window;
    const std::string strSent = "0123456789abcdef";
    for (char c : strSent) {
        window.Push(c);
    }
    EXPECT_EQ(window.GetFill(), 8);
    EXPECT_TRUE(window.EndsWith("89abcdef"));
    EXPECT_FALSE(window.EndsWith("789abcdef")); // nine characters can never match
    CDetectionWindow fresh;
    fresh.Push('\n');
    EXPECT_FALSE(fresh.EndsWith("L\n")); // fewer characters held than the text has
}
