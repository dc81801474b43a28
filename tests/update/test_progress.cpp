#include "update/cupdateprogress.h"

#include <gtest/gtest.h>

// The percentage sequences of 3 and 1000 records and the shown estimates are checked end to end;
// here the arithmetic's corners.

using namespace vantoro;

TEST(UpdateProgress, AResetShowsTheFirstPercentageAgainAndNoEstimate) {
    CUpdateProgress progress;
    progress.Reset();
    EXPECT_TRUE(progress.AfterRecordSent(1, 1, 0).bPercentChanged);
    progress.Reset();
    EXPECT_TRUE(progress.AfterRecordSent(1, 1, 0).bPercentChanged);
    EXPECT_TRUE(progress.GetEstimateText().empty());
    // Records sent times 100 must not overflow for files of tens of millions of records.
    progress.Reset();
    EXPECT_EQ(progress.AfterRecordSent(30000000, 30000000, 0).nPercent, 100);
}

TEST(UpdateProgress, EstimateCornersAndTheMinuteForm) {
    const int ringOfTens[5] = {10, 10, 10, 10, 10};
    EXPECT_EQ(CUpdateProgress::EstimateSeconds(ringOfTens, 0), 1);
    EXPECT_EQ(CUpdateProgress::FormatEstimate(60), " Complete in 1m 0s");
    const int ringUneven[5] = {1, 2, 3, 4, 5}; // rate 3.0: 10 / 3 + 1 = 4.33, cut to 4
    EXPECT_EQ(CUpdateProgress::EstimateSeconds(ringUneven, 10), 4);
}

TEST(UpdateProgress, EstimateSurvivesTheTickCounterWrapping) {
    CUpdateProgress progress;
    progress.Reset();
    std::uint32_t nNow = 0xFFFFF000u; // wraps after about four seconds
    int nFirstAt = 0;
    for (int nSent = 1; nSent <= 1262 && nFirstAt == 0; ++nSent, nNow += 100) {
        const CUpdateProgress::Change change = progress.AfterRecordSent(nSent, 1262, nNow);
        if (change.bEstimateChanged) {
            nFirstAt = nSent;
            EXPECT_EQ(change.nEstimateSeconds, 122);
        }
    }
    EXPECT_EQ(nFirstAt, 52);
}

TEST(UpdateProgress, ALongPauseEndsOnlyOneInterval) {
    CUpdateProgress progress;
    progress.Reset();
    // Record 2 starts the measuring, then five intervals of ten records a second.
    auto At = [](int nSent) { return nSent > 2 ? (nSent - 2) * 100u : 0u; };
    int nSent = 1;
    CUpdateProgress::Change change;
    for (; nSent <= 52; ++nSent)
        change = progress.AfterRecordSent(nSent, 10000, At(nSent));
    ASSERT_TRUE(change.bEstimateChanged);
    const int nFast = change.nEstimateSeconds;
    // A seven-second pause: one slot of a single record, the rate drops to (40 + 1) / 5.
    change = progress.AfterRecordSent(nSent, 10000, At(52) + 7000);
    ASSERT_TRUE(change.bEstimateChanged);
    EXPECT_EQ(change.nEstimateSeconds, static_cast<int>((10000 - nSent) / (41 * 0.2) + 1.0));
    EXPECT_GT(change.nEstimateSeconds, nFast);
}
