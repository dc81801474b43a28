#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "controls/cpercentbargeometry.h"

using G = vantoro::CPercentBarGeometry;

TEST(PercentBarGeometry, FractionAndExtentAreUnclampedButNeverUndefined) {
    EXPECT_DOUBLE_EQ(G::Fraction(37, 0, 100), 0.37);
    EXPECT_DOUBLE_EQ(G::Fraction(150, 100, 200), 0.5);
    EXPECT_EQ(G::Fraction(5, 7, 7), 0.0); // an empty range would divide by zero
    EXPECT_DOUBLE_EQ(G::Fraction(INT_MAX, INT_MIN, INT_MAX), 1.0); // no 32-bit overflow

    EXPECT_EQ(G::Extent(0.37, 199), 73);   // truncated, not rounded
    EXPECT_EQ(G::Extent(-0.0049, 200), 0); // toward zero, not down
    EXPECT_EQ(G::Extent(1.01, 200), 202);
    EXPECT_EQ(G::Extent(1e12, 1000), INT_MAX);
    EXPECT_EQ(G::Extent(-1e12, 1000), INT_MIN);
    EXPECT_EQ(G::Extent(std::nan(""), 1000), 0);
}

TEST(PercentBarGeometry, SplitFillsFromTheLeftOrTheBottomWithinTheClient) {
    const QRect rcClient(1, 1, 200, 20);
    QRect rcFilled;
    QRect rcEmpty;
    G::Split(rcClient, 0.37, false, rcFilled, rcEmpty);
    EXPECT_EQ(rcFilled, QRect(1, 1, 74, 20));
    EXPECT_EQ(rcEmpty, QRect(75, 1, 126, 20));
    // Beyond either limit the parts are cut to the client, which looks the same as clipping.
    G::Split(rcClient, 1.01, false, rcFilled, rcEmpty);
    EXPECT_EQ(rcFilled, rcClient);
    EXPECT_TRUE(rcEmpty.isEmpty());
    G::Split(rcClient, -3.0, false, rcFilled, rcEmpty);
    EXPECT_TRUE(rcFilled.isEmpty());
    EXPECT_EQ(rcEmpty, rcClient);

    G::Split(QRect(1, 1, 20, 100), 0.25, true, rcFilled, rcEmpty);
    EXPECT_EQ(rcFilled, QRect(1, 76, 20, 25));
    EXPECT_EQ(rcEmpty, QRect(1, 1, 20, 75));
}

TEST(PercentBarGeometry, PercentTextTruncatesAndIsNotClamped) {
    EXPECT_EQ(G::PercentText(0.37), "37%");
    EXPECT_EQ(G::PercentText(0.999), "99%");
    EXPECT_EQ(G::PercentText(1.01), "101%");
    EXPECT_EQ(G::PercentText(-0.5), "-50%");
}
