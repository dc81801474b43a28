#include "update/cdetectionwindow.h"
#include "update/creplytable.h"
#include "update/updateengine.h"

#include <gtest/gtest.h>

using namespace vantoro;

TEST(ReplyTableTest, TextsAreFinishedWithModelAndRecord) {
    // Every reply's texts are checked end to end; here the corners: a "%" in the model name, the
    // two blanks and the trailing blank, the warnings' category, the raw byte in the log.
    const ReplyOutcome checksum = CReplyTable::Interpret(')', "Saltir 100%s", 17);
    EXPECT_EQ(checksum.kind, ReplyOutcome::Failure);
    EXPECT_EQ(checksum.strStatus, "Saltir 100%s Reports Record Checksum Error @ Record 17");
    const ReplyOutcome low = CReplyTable::Interpret('<', "Saltir 100%s", 17);
    EXPECT_EQ(low.kind, ReplyOutcome::Warning);
    EXPECT_EQ(low.strLog, "Wait Reply : Address Low Error  @ Record 17");
    EXPECT_EQ(low.category, LogHighLevelComms);
    const ReplyOutcome odd = CReplyTable::Interpret('\0', "100%", 1);
    EXPECT_EQ(odd.strStatus, "Unexpected Reply Character from 100% ");
    EXPECT_EQ(odd.strLog, std::string("Wait Reply : Unexpected Reply Character \0", 41));
    EXPECT_EQ(CReplyTable::Interpret('C', "", 1).kind, ReplyOutcome::SendNext);
    EXPECT_EQ(CReplyTable::Interpret('+', "", 1).kind, ReplyOutcome::Complete);
}

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

TEST(CloseConfirmationTest, AsksFromTheHandshakeUntilTheUpdateHasEnded) {
    const UpdateState asks[] = {WaitForAckProgramFlash, WaitReply, ActionFail};
    const UpdateState closes[] = {Idle, StartUpdate, WaitForTarget, WaitDonePress};
    for (UpdateState state : asks) {
        EXPECT_TRUE(CloseNeedsConfirmation(state)) << state;
    }
    for (UpdateState state : closes) {
        EXPECT_FALSE(CloseNeedsConfirmation(state)) << state;
    }
}
