#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QTest>

#include "controls/cpercentbar.h"
#include "percentbar_fixture.h"

using namespace vantoro;
using namespace vantoro::test;

namespace {

// What a rendered client area holds, split at the fill's edge.
struct SPixelCensus {
    int nFillWidth = 0;      // bar-coloured pixels on the client's top row
    int nTextOverFilled = 0; // pixels left of the edge that are not bar-coloured
    int nTextOverEmpty = 0;  // pixels right of the edge that are not background-coloured
    int nForeign = 0;        // pixels of any other colour than expected
    QRect rcText;            // bounding box of all text pixels, in client coordinates
};

SPixelCensus Census(const QImage& image, const QRect& rcClient, int nEdge,
                    const QColor& crOverFilled, const QColor& crOverEmpty) {
    SPixelCensus census;
    for (int x = 0; x < rcClient.width(); ++x) {
        if (image.pixelColor(rcClient.left() + x, rcClient.top()) == kBar)
            ++census.nFillWidth;
    }
    for (int y = 0; y < rcClient.height(); ++y) {
        for (int x = 0; x < rcClient.width(); ++x) {
            const QColor cr = image.pixelColor(rcClient.left() + x, rcClient.top() + y);
            const bool bFilled = x < nEdge;
            const QColor& crArea = bFilled ? kBar : kBk;
            const QColor& crText = bFilled ? crOverFilled : crOverEmpty;
            if (cr == crArea)
                continue;
            if (cr != crText) {
                ++census.nForeign;
                continue;
            }
            ++(bFilled ? census.nTextOverFilled : census.nTextOverEmpty);
            census.rcText |= QRect(x, y, 1, 1);
        }
    }
    return census;
}

class PercentBarPaint : public ::testing::Test {
protected:
    void SetUp() override { SetUpBar(m_bar); }
    QRect Client() const { return m_bar.contentsRect(); }
    SPixelCensus Render(int nEdge, const QColor& crOverFilled = kBk,
                        const QColor& crOverEmpty = kBar) {
        return Census(RenderBar(m_bar), Client(), nEdge, crOverFilled, crOverEmpty);
    }
    CPercentBar m_bar;
};

} // namespace

TEST_F(PercentBarPaint, PercentageAt37FillsTruncatedWidthWithTextInBarColour) {
    ASSERT_EQ(Client().width(), 200);
    m_bar.SetPos(37);
    const SPixelCensus c = Render(74);
    EXPECT_EQ(c.nFillWidth, 74);
    EXPECT_EQ(c.nForeign, 0);
    // "37%" sits in the middle, right of the edge, so it is all drawn in the bar colour.
    EXPECT_EQ(c.nTextOverFilled, 0);
    EXPECT_GT(c.nTextOverEmpty, 0);
    const QFontMetrics fm(m_bar.font());
    EXPECT_NEAR(c.rcText.center().x(), 100, 2);
    EXPECT_NEAR(c.rcText.width(), fm.boundingRect("37%").width(), 3);
}

TEST_F(PercentBarPaint, TextChangesColourWhereItCrossesTheEdge) {
    m_bar.SetPos(50);
    const SPixelCensus c = Render(100);
    EXPECT_EQ(c.nFillWidth, 100);
    EXPECT_EQ(c.nForeign, 0);
    EXPECT_GT(c.nTextOverFilled, 0);
    EXPECT_GT(c.nTextOverEmpty, 0);
    EXPECT_LT(c.rcText.left(), 100);
    EXPECT_GE(c.rcText.right(), 100);
}

TEST_F(PercentBarPaint, SetTextReplacesThePercentageAndShowsPercentSignsAsIs) {
    m_bar.SetPos(37);
    m_bar.SetText("57 %");
    EXPECT_EQ(m_bar.GetText(), "57 %");
    const SPixelCensus c = Render(74);
    EXPECT_EQ(c.nForeign, 0);
    const QFontMetrics fm(m_bar.font());
    EXPECT_NEAR(c.rcText.width(), fm.boundingRect("57 %").width(), 3);

    // Back to the percentage once the text is emptied.
    m_bar.SetText(QString());
    const SPixelCensus cPercent = Render(74);
    EXPECT_NEAR(cPercent.rcText.width(), fm.boundingRect("37%").width(), 3);
    EXPECT_NE(cPercent.rcText.width(), c.rcText.width());
}

TEST_F(PercentBarPaint, EmptyAndFullBarsDrawTheWholeTextInOneColour) {
    m_bar.SetText("Update Complete");
    m_bar.SetPos(0);
    SPixelCensus c = Render(0);
    EXPECT_EQ(c.nFillWidth, 0);
    EXPECT_EQ(c.nForeign, 0);
    EXPECT_GT(c.nTextOverEmpty, 0);

    m_bar.SetPos(100);
    c = Render(200);
    EXPECT_EQ(c.nFillWidth, 200);
    EXPECT_EQ(c.nForeign, 0);
    EXPECT_GT(c.nTextOverFilled, 0);

    // Past the upper limit the bar is simply full.
    EXPECT_EQ(m_bar.StepIt(), 100);
    EXPECT_EQ(m_bar.GetPos(), 101);
    c = Render(200);
    EXPECT_EQ(c.nFillWidth, 200);
    EXPECT_EQ(c.nForeign, 0);
}

TEST_F(PercentBarPaint, TextSwitchedOffLeavesOnlyTheTwoAreas) {
    m_bar.SetPos(50);
    EXPECT_TRUE(m_bar.SetShowText(false));
    const SPixelCensus c = Render(100);
    EXPECT_EQ(c.nFillWidth, 100);
    EXPECT_EQ(c.nForeign + c.nTextOverFilled + c.nTextOverEmpty, 0);
}

TEST_F(PercentBarPaint, ExplicitColoursOverrideThePalette) {
    const QColor crBar(0, 128, 0);
    const QColor crText(200, 0, 0);
    EXPECT_FALSE(m_bar.SetBarColor(crBar).isValid());
    EXPECT_FALSE(m_bar.SetTextColor(crText).isValid());
    m_bar.SetPos(50);
    const QImage image = RenderBar(m_bar);
    const QRect rc = Client();
    EXPECT_EQ(image.pixelColor(rc.left(), rc.top()), crBar);
    EXPECT_EQ(image.pixelColor(rc.right(), rc.top()), kBk);
    int nRed = 0;
    for (int y = rc.top(); y <= rc.bottom(); ++y)
        for (int x = rc.left(); x <= rc.right(); ++x)
            nRed += image.pixelColor(x, y) == crText;
    EXPECT_GT(nRed, 0);
    EXPECT_EQ(m_bar.SetBarColor(QColor()), crBar);
}

TEST_F(PercentBarPaint, VerticalBarFillsFromTheBottomWithoutText) {
    SetUpBar(m_bar, 20, 100);
    m_bar.SetOrientation(Qt::Vertical);
    m_bar.SetPos(25);
    const QImage image = RenderBar(m_bar);
    const QRect rc = Client();
    int nForeign = 0;
    for (int y = 0; y < rc.height(); ++y) {
        for (int x = 0; x < rc.width(); ++x) {
            const QColor& crWanted = y >= 75 ? kBar : kBk;
            nForeign += image.pixelColor(rc.left() + x, rc.top() + y) != crWanted;
        }
    }
    EXPECT_EQ(nForeign, 0);
}

TEST_F(PercentBarPaint, EmptyOrInvertedRangeDrawsNoBar) {
    for (const auto& range : {std::pair{5, 5}, std::pair{100, 0}}) {
        m_bar.SetRange32(range.first, range.second);
        m_bar.SetPos(3);
        const QImage image = RenderBar(m_bar);
        const QRect rc = Client();
        int nTouched = 0;
        for (int y = rc.top(); y <= rc.bottom(); ++y)
            for (int x = rc.left(); x <= rc.right(); ++x)
                nTouched += image.pixelColor(x, y) != kMarker;
        EXPECT_EQ(nTouched, 0) << range.first << ".." << range.second;
    }
}

TEST(PercentBarState, RangeStepAndPositionFollowTheProgressBarRules) {
    CPercentBar bar;
    SPercentBarRange range;
    EXPECT_EQ(bar.GetRange(true, &range), 0);
    EXPECT_EQ(range.iHigh, 100);

    bar.SetRange(0, 200);
    EXPECT_EQ(bar.GetRange(true), 0);
    EXPECT_EQ(bar.GetRange(false), 200);
    // 16-bit limits are unsigned: 65535 is not -1.
    bar.SetRange(10, 65535);
    EXPECT_EQ(bar.GetRange(false, &range), 65535);
    EXPECT_EQ(range.iLow, 10);
    bar.SetRange32(-5, 70000);
    EXPECT_EQ(bar.GetRange(true), -5);
    EXPECT_EQ(bar.GetRange(false), 70000);

    EXPECT_EQ(bar.SetPos(-20), 0); // not clamped to the range
    EXPECT_EQ(bar.GetPos(), -20);
    EXPECT_EQ(bar.OffsetPos(30), -20);
    EXPECT_EQ(bar.GetPos(), 10);
    EXPECT_EQ(bar.SetStep(7), 1);
    EXPECT_EQ(bar.StepIt(), 10);
    EXPECT_EQ(bar.GetPos(), 17);

    EXPECT_TRUE(bar.IsTextShown());
    EXPECT_TRUE(bar.SetShowText(false));
    EXPECT_FALSE(bar.SetShowText(true));
}

namespace {

// Counts how often the bar actually paints.
class CCountingBar : public CPercentBar {
public:
    int m_nPaints = 0;

protected:
    void paintEvent(QPaintEvent* pEvent) override {
        ++m_nPaints;
        CPercentBar::paintEvent(pEvent);
    }
};

} // namespace

TEST(PercentBarRepaint, PositionRepaintsOnlyWhenTheFillWidthChanges) {
    CCountingBar bar;
    SetUpBar(bar, 50, 20); // two positions per pixel
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    QApplication::processEvents();
    bar.m_nPaints = 0;

    bar.SetPos(1); // extent 0, but nothing is cached yet
    EXPECT_EQ(bar.m_nPaints, 1);
    bar.SetPos(2); // extent 1
    EXPECT_EQ(bar.m_nPaints, 2);
    bar.SetPos(3); // still 1 pixel: "3%" is not worth a repaint
    EXPECT_EQ(bar.m_nPaints, 2);

    // A resize forgets the cache, so even the same extent repaints next time.
    SetUpBar(bar, 60, 20);
    QApplication::processEvents();
    bar.SetPos(3); // 1.8 -> 1 pixel, as before
    const int nAfterResize = bar.m_nPaints;
    bar.SetPos(2); // 1.2 -> 1 pixel
    EXPECT_EQ(bar.m_nPaints, nAfterResize);
    bar.SetPos(3);
    EXPECT_EQ(bar.m_nPaints, nAfterResize);
    bar.resize(bar.width() + 1, bar.height());
    QApplication::processEvents();
    const int nBefore = bar.m_nPaints;
    bar.SetPos(3);
    EXPECT_EQ(bar.m_nPaints, nBefore + 1);
}

TEST(PercentBarRepaint, SettingTheSameTextDoesNotRepaint) {
    CCountingBar bar;
    SetUpBar(bar);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    bar.SetText("Idle");
    QApplication::processEvents();
    const int nAfterFirst = bar.m_nPaints;
    bar.SetText("Idle");
    QApplication::processEvents();
    EXPECT_EQ(bar.m_nPaints, nAfterFirst);
    bar.SetText("57 %");
    QApplication::processEvents();
    EXPECT_EQ(bar.m_nPaints, nAfterFirst + 1);
}
