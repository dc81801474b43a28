#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "controls/cpercentbargeometry.h"

using vantoro::CPercentBarGeometry;

TEST(PercentBarGeometry, FractionIsUnclampedAndSafeForEmptyRanges) {
    EXPECT_DOUBLE_EQ(CPercentBarGeometry::Fraction(37, 0, 100), 0.37);
    EXPECT_DOUBLE_EQ(CPercentBarGeometry::Fraction(101, 0, 100), 1.01);
    EXPECT_DOUBLE_EQ(CPercentBarGeometry::Fraction(-50, 0, 100), -0.5);
    EXPECT_DOUBLE_EQ(CPercentBarGeometry::Fraction(150, 100, 200), 0.5);
    // An empty range would divide by zero; it counts as no fill at all.
    EXPECT_EQ(CPercentBarGeometry::Fraction(5, 7, 7), 0.0);
    // The full 32-bit range does not overflow while subtracting.
    EXPECT_DOUBLE_EQ(CPercentBarGeometry::Fraction(INT_MAX, INT_MIN, INT_MAX), 1.0);
    EXPECT_DOUBLE_EQ(CPercentBarGeometry::Fraction(0, INT_MIN, INT_MAX),
                     -static_cast<double>(INT_MIN) / 4294967295.0);
}

TEST(PercentBarGeometry, ExtentTruncatesTowardZeroAndSaturates) {
    EXPECT_EQ(CPercentBarGeometry::Extent(0.37, 200), 74);
    EXPECT_EQ(CPercentBarGeometry::Extent(0.37, 199), 73); // 73.63
    EXPECT_EQ(CPercentBarGeometry::Extent(-0.0049, 200), 0);
    EXPECT_EQ(CPercentBarGeometry::Extent(-0.5, 199), -99);
    EXPECT_EQ(CPercentBarGeometry::Extent(1.01, 200), 202);
    EXPECT_EQ(CPercentBarGeometry::Extent(1e12, 1000), INT_MAX);
    EXPECT_EQ(CPercentBarGeometry::Extent(-1e12, 1000), INT_MIN);
    EXPECT_EQ(CPercentBarGeometry::Extent(std::nan(""), 1000), 0);
}

TEST(PercentBarGeometry, HorizontalSplitFillsFromTheLeft) {
    const QRect rcClient(1, 1, 200, 20);
    QRect rcFilled;
    QRect rcEmpty;
    CPercentBarGeometry::Split(rcClient, 0.37, false, rcFilled, rcEmpty);
    EXPECT_EQ(rcFilled, QRect(1, 1, 74, 20));
    EXPECT_EQ(rcEmpty, QRect(75, 1, 126, 20));

    CPercentBarGeometry::Split(rcClient, 0.0, false, rcFilled, rcEmpty);
    EXPECT_TRUE(rcFilled.isEmpty());
    EXPECT_EQ(rcEmpty, rcClient);

    // Past the upper limit the fill would run beyond the window; the cut parts look the same.
    CPercentBarGeometry::Split(rcClient, 1.01, false, rcFilled, rcEmpty);
    EXPECT_EQ(rcFilled, rcClient);
    EXPECT_TRUE(rcEmpty.isEmpty());

    CPercentBarGeometry::Split(rcClient, -3.0, false, rcFilled, rcEmpty);
    EXPECT_TRUE(rcFilled.isEmpty());
    EXPECT_EQ(rcEmpty, rcClient);
}

TEST(PercentBarGeometry, VerticalSplitFillsFromTheBottom) {
    const QRect rcClient(1, 1, 20, 100);
    QRect rcFilled;
    QRect rcEmpty;
    CPercentBarGeometry::Split(rcClient, 0.25, true, rcFilled, rcEmpty);
    EXPECT_EQ(rcFilled, QRect(1, 76, 20, 25));
    EXPECT_EQ(rcEmpty, QRect(1, 1, 20, 75));

    CPercentBarGeometry::Split(rcClient, 1.0, true, rcFilled, rcEmpty);
    EXPECT_EQ(rcFilled, rcClient);
    EXPECT_TRUE(rcEmpty.isEmpty());
}

TEST(PercentBarGeometry, PercentTextTruncatesAndIsNotClamped) {
    EXPECT_EQ(CPercentBarGeometry::PercentText(0.37), "37%");
    EXPECT_EQ(CPercentBarGeometry::PercentText(0.999), "99%");
    EXPECT_EQ(CPercentBarGeometry::PercentText(0.0), "0%");
    EXPECT_EQ(CPercentBarGeometry::PercentText(1.01), "101%");
    EXPECT_EQ(CPercentBarGeometry::PercentText(-0.5), "-50%");
}
