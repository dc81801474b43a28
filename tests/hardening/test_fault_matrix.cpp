// Every fault the simulated equipment can play, at the first, a middle and the last record, on
// both platforms: the update ends in its documented state and texts, leaves no port, code file or
// thread behind, and the next update on the same port succeeds. Then hang-ups at random bytes of
// the conversation: VANTORO_HANGUPS sets how many (20 by default; the benchmark runs 200),
// VANTORO_HANGUP_SEED the seed.
#include "hardrig.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <tuple>

using namespace vantoro;

namespace {

enum class FaultKind {
    Reply,           // the equipment answers strReply instead of its own verdict
    Silence,         // no reply at all
    HangUp,          // the line goes dead when the record arrives
    DelayToTimeOut,  // the reply comes exactly when the time-out expires: still in time
    DelayPastTimeOut // one millisecond later: the time-out has fired
};

struct Fault {
    const char* pszName;
    FaultKind kind;
    std::string strReply;  // for FaultKind::Reply
    std::string strStatus; // after "Fatal Error. "; empty when the update still completes
    std::string strLog;    // the failure's or the warning's log line
};

const std::string kTimeoutStatus = "Comms Timeout with %s @ Record %d";
const std::string kTimeoutLog = "Wait Reply : Target Comms Timeout";

const Fault kFaults[] = {
    {"CommsError", FaultKind::Reply, "!", "%s Reports Comms Error", "Wait Reply : Comms Error"},
    {"SRecordError", FaultKind::Reply, "(", "%s Reports File S Record Error @ Record %d",
     "Wait Reply : S Record Error Reported"},
    {"ChecksumError", FaultKind::Reply, ")", "%s Reports Record Checksum Error @ Record %d",
     "Wait Reply : Record Checksum Error @ Record %d"},
    {"SioTimeout", FaultKind::Reply, "*", "%s Reports SIO Timeout Error",
     "Wait Reply : SIO Timeout"},
    {"FlashWriteFail", FaultKind::Reply, "[", "%s Reports Flash Write Fail Error",
     "Wait Reply : Flash Write Fail Reported"},
    {"FlashEraseFail", FaultKind::Reply, "]", "%s Reports Flash Erase Fail Error",
     "Wait Reply : Flash Erase Fail Reported"},
    // A line feed is one platform's detection text, so it reads as a restart; a lone carriage
    // return is nobody's.
    {"CarriageReturnReply", FaultKind::Reply, "\r", "Unexpected Reply Character from %s ",
     "Wait Reply : Unexpected Reply Character 0x0D (CR)"},
    {"EchoedRecord", FaultKind::Reply, "S1", "Unexpected Reply Character from %s ",
     "Wait Reply : Unexpected Reply Character S"},
    {"LineNoise", FaultKind::Reply, "k#\x7f\xff", "Unexpected Reply Character from %s ",
     "Wait Reply : Unexpected Reply Character k"},
    {"AddressLowWarning", FaultKind::Reply, "<", "", "Wait Reply : Address Low Error  @ Record %d"},
    {"AddressHighWarning", FaultKind::Reply, ">", "", "Wait Reply : Address Too High @ Record %d"},
    {"Silence", FaultKind::Silence, "", kTimeoutStatus, kTimeoutLog},
    {"HangUp", FaultKind::HangUp, "", kTimeoutStatus, kTimeoutLog},
    {"ReplyDelayedToTheTimeOut", FaultKind::DelayToTimeOut, "", "", ""},
    {"ReplyDelayedPastTheTimeOut", FaultKind::DelayPastTimeOut, "", kTimeoutStatus, kTimeoutLog},
};

constexpr int kDataRecords = 4; // plus the end record: five records in all
constexpr int kLastRecord = kDataRecords + 1;

struct Position {
    const char* pszName;
    int nRecord;
};
const Position kPositions[] = {{"AtFirstRecord", 1}, {"AtMiddleRecord", 3}, {"AtLastRecord", 5}};

const char* const kPlatforms[] = {"Saltir", "Verrin"};

// Fills "%s" with the model and "%d" with the record, as the engine's formats do.
std::string Fill(std::string strText, const std::string& strModel, int nRecord) {
    for (const auto& [strKey, strValue] :
         {std::pair<std::string, std::string>{"%s", strModel}, {"%d", std::to_string(nRecord)}}) {
        for (std::size_t nAt; (nAt = strText.find(strKey)) != std::string::npos;) {
            strText.replace(nAt, 2, strValue);
        }
    }
    return strText;
}

SimOptions OptionsFor(const Fault& fault, int nRecord) {
    SimOptions options;
    options.nReplyGapMs = 20;
    if (fault.kind == FaultKind::Reply) {
        // A warning is followed by the reply that lets the update go on.
        options.replyAt[nRecord] = fault.strReply + (!fault.strStatus.empty() ? ""
                                                     : nRecord == kLastRecord ? "+"
                                                                              : "C");
    }
    options.nSilentFrom = fault.kind == FaultKind::Silence ? nRecord : 0;
    options.nHangupAtRecord = fault.kind == FaultKind::HangUp ? nRecord : 0;
    return options;
}

using MatrixParam = std::tuple<Fault, Position, int>;

class FaultMatrixTest : public ::testing::TestWithParam<MatrixParam> {};

} // namespace

TEST_P(FaultMatrixTest, EndsAsDocumentedClosesEverythingAndTheNextUpdateWorks) {
    const auto& [fault, position, nPlatform] = GetParam();
    const int nRecord = position.nRecord;
    CUpdateRig rig(OptionsFor(fault, nRecord), nPlatform);
    const std::string strCode = rig.UseCodeFile(MakeSRecordFile(kDataRecords));
    UpdateEngine& engine = *rig.m_pEngine;
    CRecordingWindow& window = rig.m_window;
    const std::string strModel = rig.ModelName();
    const std::string strDevice = rig.m_pSim->GetDevicePath();
    const ProcessSample before = SampleProcess();

    // A delayed reply: the record has just gone out, and the reply's delay passes on the clock
    // before the reply itself is handled.
    bool bDelayPlayed = false;
    if (fault.kind == FaultKind::DelayToTimeOut || fault.kind == FaultKind::DelayPastTimeOut) {
        const std::uint32_t nDelay =
            engine.GetReplyTimeout() + (fault.kind == FaultKind::DelayPastTimeOut ? 1 : 0);
        rig.m_afterEvent = [&, nDelay] {
            if (!bDelayPlayed && engine.GetState() == WaitReply &&
                engine.GetRecordsSent() == nRecord) {
                bDelayPlayed = true;
                rig.m_clock.Advance(nDelay);
                engine.StepUpdate(IdleTick);
            }
        };
    }
    ASSERT_TRUE(rig.StartAndPowerOn());
    if (fault.kind == FaultKind::Silence || fault.kind == FaultKind::HangUp) {
        ASSERT_TRUE(rig.PumpUntil([&] {
            return engine.GetRecordsSent() == nRecord &&
                   rig.m_pSim->GetRecordsReceived() == nRecord;
        }));
        rig.PumpUntil([] { return false; }, 50); // nothing more comes
        ASSERT_EQ(engine.GetState(), WaitReply);
        rig.m_clock.Advance(engine.GetReplyTimeout());
        engine.StepUpdate(IdleTick);
        ASSERT_EQ(engine.GetState(), WaitReply) << "failed before the time-out had passed";
        rig.m_clock.Advance(1);
        engine.StepUpdate(IdleTick);
    }
    ASSERT_TRUE(rig.RunToRest());
    rig.m_afterEvent = nullptr;

    if (fault.strStatus.empty()) {
        EXPECT_EQ(engine.GetState(), WaitDonePress);
        EXPECT_EQ(window.m_strStatus, "Update Complete.");
        EXPECT_EQ(window.m_strAction, "Press Done To Continue.");
        EXPECT_EQ(window.m_strProgressText, "Update Complete");
        EXPECT_EQ(window.m_strCaption, "&Done");
        EXPECT_EQ(rig.m_pSim->GetReceived(), MakeSRecordFile(kDataRecords));
        if (!fault.strLog.empty()) {
            EXPECT_EQ(window.Log(LogHighLevelComms),
                      (std::vector<std::string>{Fill(fault.strLog, strModel, nRecord)}));
        }
    } else {
        EXPECT_EQ(engine.GetState(), ActionFail);
        EXPECT_EQ(engine.GetRecordsSent(), nRecord);
        EXPECT_EQ(window.m_strStatus, "Fatal Error. " + Fill(fault.strStatus, strModel, nRecord));
        EXPECT_EQ(window.m_strAction, "Update Failed. Press Cancel to Continue");
        EXPECT_EQ(window.m_strProgressText, "Update Failed");
        EXPECT_EQ(window.m_nProgressPos, nRecord * 100 / kLastRecord);
        EXPECT_EQ(window.m_strCaption, "&Update");
        EXPECT_TRUE(window.m_bCancelEnabled);
        EXPECT_FALSE(window.m_bStartEnabled);
        EXPECT_EQ(window.m_focus, UpdateFocus::Cancel);
        ASSERT_FALSE(window.Log(LogApplication).empty());
        EXPECT_EQ(window.Log(LogApplication).back(), Fill(fault.strLog, strModel, nRecord));
    }
    // Closed at the end of the update itself, not only on the way back to Idle.
    EXPECT_FALSE(engine.IsPortOpen());
    EXPECT_FALSE(engine.IsCodeFileOpen());
    EXPECT_FALSE(HoldsDescriptorTo(strCode));
    EXPECT_FALSE(HoldsDescriptorTo(strDevice));
    const ProcessSample after = SampleProcess();
    EXPECT_EQ(after.nDescriptors, before.nDescriptors);
    EXPECT_EQ(after.nThreads, before.nThreads);

    window.ClearHistory();
    engine.StepUpdate(fault.strStatus.empty() ? StartPressed : CancelPressed);
    EXPECT_EQ(engine.GetState(), Idle);
    EXPECT_EQ(window.Log(), (std::vector<std::string>{fault.strStatus.empty()
                                                          ? "Wait Done Press : Done Button Press"
                                                          : "Action Fail : Cancel Button Press",
                                                      "Complete : Update Cycle Complete"}));
    EXPECT_EQ(window.m_strProgressText, "Idle");
    EXPECT_EQ(window.m_strCaption, "&Start");

    std::string strWhy;
    EXPECT_TRUE(rig.RunCleanUpdate(strWhy)) << strWhy;
}

INSTANTIATE_TEST_SUITE_P(AllFaults, FaultMatrixTest,
                         ::testing::Combine(::testing::ValuesIn(kFaults),
                                            ::testing::ValuesIn(kPositions),
                                            ::testing::Values(0, 1)),
                         [](const ::testing::TestParamInfo<MatrixParam>& info) {
                             return std::string(kPlatforms[std::get<2>(info.param)]) + "_" +
                                    std::get<0>(info.param).pszName + "_" +
                                    std::get<1>(info.param).pszName;
                         });

TEST(RandomHangupTest, EveryHangupEndsAsDocumentedWithoutLeaks) {
    const auto EnvNumber = [](const char* pszName, unsigned long nDefault) {
        const char* pszValue = std::getenv(pszName);
        return pszValue != nullptr && *pszValue != '\0' ? std::strtoul(pszValue, nullptr, 10)
                                                        : nDefault;
    };
    const unsigned long nCount = EnvNumber("VANTORO_HANGUPS", 20);
    const unsigned long nSeed = EnvNumber("VANTORO_HANGUP_SEED", 20261206);
    std::printf("random hang-ups: %lu, seed %lu\n", nCount, nSeed);
    RecordProperty("seed", std::to_string(nSeed));
    std::mt19937 random(static_cast<std::mt19937::result_type>(nSeed));
    const std::string strFile = MakeSRecordFile(6);
    // Every byte the equipment receives: the handshake text, then the records.
    std::uniform_int_distribution<long long> pickByte(1,
                                                      7 + static_cast<long long>(strFile.size()));

    for (int nPlatform : {0, 1}) {
        CUpdateRig rig(nPlatform);
        // One ordinary update first, so that whatever a first thread brings along (a sanitizer's
        // own helper thread, say) is there at the start too.
        std::string strWhy;
        ASSERT_TRUE(rig.RunCleanUpdate(strWhy)) << strWhy;
        rig.StopSim();
        const ProcessSample start = SampleProcess();
        for (unsigned long n = nPlatform; n < nCount; n += 2) {
            const HangupOutcome outcome = RunHangupUpdate(rig, strFile, pickByte(random));
            EXPECT_TRUE(outcome.bAsDocumented) << outcome.strWhy;
            EXPECT_TRUE(outcome.bNoLeak) << outcome.strWhy;
        }
        rig.StopSim();
        const ProcessSample end = SampleProcess();
        EXPECT_EQ(end.nDescriptors, start.nDescriptors);
        EXPECT_EQ(end.nThreads, start.nThreads);
        EXPECT_TRUE(rig.RunCleanUpdate(strWhy)) << strWhy;
    }
}
