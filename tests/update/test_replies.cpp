#include "update/cdetectionwindow.h"
#include "update/creplytable.h"
#include "update/textformat.h"
#include "update/updateengine.h"

#include <set>
#include <utility>

#include <gtest/gtest.h>

using namespace vantoro;

TEST(ReplyTable, TextsAreTakenAsTheyAre) {
    // Every reply's texts are checked end to end; here a "%" in the model name and a NUL byte.
    EXPECT_EQ(CReplyTable::Interpret(')', "Saltir 100%s", 17).strStatus,
              "Saltir 100%s Reports Record Checksum Error @ Record 17");
    const ReplyOutcome odd = CReplyTable::Interpret('\0', "100%", 1);
    EXPECT_EQ(odd.kind, ReplyOutcome::Failure);
    EXPECT_EQ(odd.strStatus, "Unexpected Reply Character from 100% ");
    EXPECT_EQ(odd.strLog, "Wait Reply : Unexpected Reply Character 0x00 (NUL)");
}

TEST(ReplyTable, EveryUnexpectedByteReadsAsOneVisibleUnambiguousText) {
    const std::pair<unsigned char, const char*> examples[] = {
        {'\n', "0x0A (LF)"}, {'\r', "0x0D (CR)"},  {' ', "0x20 (space)"}, {'k', "k"},
        {'<', "<"},          {0x7F, "0x7F (DEL)"}, {0xFF, "0xFF"},        {0x1B, "0x1B (ESC)"}};
    for (const auto& [cByte, pszText] : examples)
        EXPECT_EQ(VisibleByte(cByte), pszText) << int(cByte);
    std::set<std::string> seen;
    for (int n = 0; n < 256; ++n) {
        const std::string text = VisibleByte(static_cast<unsigned char>(n));
        EXPECT_TRUE(seen.insert(text).second) << "two bytes read alike: " << text;
        for (char c : text)
            EXPECT_TRUE(c >= 0x20 && c < 0x7F) << "byte " << n << " leaves " << int(c);
    }
}

// The detection text where a reply was due: the equipment started over under the update.
TEST(ReplyTable, TheDetectionTextAgainReadsAsARestartAndNothingElseDoes) {
    const struct {
        std::string strRead;
        const char* pszDetect;
        bool bRestarted;
    } cases[] = {
        {"\n", "\n", true},         {"ceL\n", "ceL\n", true},  {"ce", "ceL\n", true},
        {"x~ceL\n", "ceL\n", true}, {"S1130000", "\n", false}, {"k", "ceL\n", false},
        {"cx", "ceL\n", false},     {"C\n", "\n", false},      {"!\n", "\n", false},
    };
    for (const auto& c : cases) {
        const ReplyOutcome outcome =
            CReplyTable::InterpretRead(c.strRead, c.pszDetect, "Saltir", 12);
        EXPECT_EQ(outcome.strStatus == "Saltir Restarted @ Record 12", c.bRestarted)
            << VisibleByte(static_cast<unsigned char>(c.strRead[0])) << " " << outcome.strStatus;
    }
    const ReplyOutcome restarted = CReplyTable::InterpretRead("\n", "\n", "Saltir", 3);
    EXPECT_EQ(restarted.kind, ReplyOutcome::Failure);
    EXPECT_EQ(restarted.strLog, "Wait Reply : Target Restarted @ Record 3");
    EXPECT_EQ(CReplyTable::InterpretRead("C\n", "\n", "Saltir", 3).kind, ReplyOutcome::SendNext);
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
