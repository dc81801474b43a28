#include "update/cupdateprogress.h"

#include <gtest/gtest.h>

#include <vector>

// The percentage sequences of 3 and 1000 records and the shown estimates are checked end to end;
// here the arithmetic's corners.

using namespace vantoro;

TEST(UpdateProgressTest, AResetShowsTheFirstPercentageAgain) {
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

TEST(UpdateProgressTest, EstimateFromFiveIntervalsAndItsTwoForms) {
    const int ringOfTens[5] = {10, 10, 10, 10, 10};
    EXPECT_EQ(CUpdateProgress::EstimateSeconds(ringOfTens, 1200), 121);
    EXPECT_EQ(CUpdateProgress::FormatEstimate(121), " Complete in 2m 1s");
    EXPECT_EQ(CUpdateProgress::EstimateSeconds(ringOfTens, 500), 51);
    EXPECT_EQ(CUpdateProgress::FormatEstimate(51), " Complete in 51s");
    EXPECT_EQ(CUpdateProgress::EstimateSeconds(ringOfTens, 0), 1);
    EXPECT_EQ(CUpdateProgress::FormatEstimate(60), " Complete in 1m 0s");
    const int ringUneven[5] = {1, 2, 3, 4, 5}; // rate 3.0: 10 / 3 + 1 = 4.33, cut to 4
    EXPECT_EQ(CUpdateProgress::EstimateSeconds(ringUneven, 10), 4);
}

TEST(UpdateProgressTest, EstimateAppearsAfterFiveSecondIntervalsFromRecordTwo) {
    // Ten records a second; 1262 records in all.
    CUpdateProgress progress;
    progress.Reset();
    const int nTotal = 1262;
    std::uint32_t nNow = 0xFFFFF000u;           // the tick counter wraps during the update
    std::vector<std::pair<int, int>> estimates; // (record, seconds)
    for (int nSent = 1; nSent <= nTotal; ++nSent) {
        const CUpdateProgress::Change change = progress.AfterRecordSent(nSent, nTotal, nNow);
        if (change.bEstimateChanged) {
            estimates.emplace_back(nSent, change.nEstimateSeconds);
        }
        nNow += 100;
    }
    ASSERT_FALSE(estimates.empty());
    // Record 2 starts the measuring; each interval ends with its tenth record after that.
    EXPECT_EQ(estimates.front().first, 52);
    EXPECT_EQ(estimates.front().second, (nTotal - 52) / 10 + 1);
    EXPECT_EQ(estimates.front().second, 122);
    EXPECT_EQ(estimates.back().second, 1); // at the last record: nothing left, plus one second
    EXPECT_EQ(progress.GetEstimateText(), " Complete in 1s");
}

TEST(UpdateProgressTest, ALongPauseEndsOnlyOneInterval) {
    CUpdateProgress progress;
    progress.Reset();
    std::uint32_t nNow = 0;
    int nSent = 1;
    progress.AfterRecordSent(nSent++, 10000, nNow);
    progress.AfterRecordSent(nSent++, 10000, nNow); // measuring starts
    // Five intervals of ten records a second.
    CUpdateProgress::Change change;
    for (int i = 0; i < 50; ++i) {
        nNow += 100;
        change = progress.AfterRecordSent(nSent++, 10000, nNow);
    }
    ASSERT_TRUE(change.bEstimateChanged);
    const int nFast = change.nEstimateSeconds;
    // A seven-second pause: one slot of a single record, the rate drops to (40 + 1) / 5.
    nNow += 7000;
    change = progress.AfterRecordSent(nSent, 10000, nNow);
    ASSERT_TRUE(change.bEstimateChanged);
    EXPECT_EQ(change.nEstimateSeconds, static_cast<int>((10000 - nSent) / (41 * 0.2) + 1.0));
    EXPECT_GT(change.nEstimateSeconds, nFast);
}
