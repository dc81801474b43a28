#include "update/cdetectionwindow.h"
#include "update/creplytable.h"
#include "update/updateengine.h"

#include <gtest/gtest.h>

using namespace vantoro;

TEST(ReplyTable, TextsAreTakenAsTheyAre) {
    // Every reply's texts are checked end to end; here a "%" in the model name and a NUL byte.
    EXPECT_EQ(CReplyTable::Interpret(')', "Saltir 100%s", 17).strStatus,
              "Saltir 100%s Reports Record Checksum Error @ Record 17");
    const ReplyOutcome odd = CReplyTable::Interpret('\0', "100%", 1);
    EXPECT_EQ(odd.kind, ReplyOutcome::Failure);
    EXPECT_EQ(odd.strStatus, "Unexpected Reply Character from 100% ");
    EXPECT_EQ(odd.strLog, std::string("Wait Reply : Unexpected Reply Character \0", 41));
}

TEST(DetectionWindow, MatchesOnlyTheLastEightCharactersAsSent) {
    CDetectionWindow window;
    window.Push('\n');
    EXPECT_FALSE(window.EndsWith("L\n")) << "fewer characters held than the text has";
    for (char c : std::string("0123456789abceL\n"))
        window.Push(c);
    EXPECT_TRUE(window.EndsWith("89abceL\n"));
    EXPECT_FALSE(window.EndsWith("CeL\n")); // case counts
    EXPECT_FALSE(window.EndsWith(""));
    EXPECT_FALSE(window.EndsWith("789abceL\n")); // nine characters can never match
}

TEST(CloseConfirmation, AsksFromTheHandshakeUntilTheUpdateHasEnded) {
    for (UpdateState state : {WaitForAckProgramFlash, WaitReply, ActionFail})
        EXPECT_TRUE(CloseNeedsConfirmation(state)) << state;
    for (UpdateState state : {Idle, StartUpdate, WaitForTarget, WaitDonePress})
        EXPECT_FALSE(CloseNeedsConfirmation(state)) << state;
}
