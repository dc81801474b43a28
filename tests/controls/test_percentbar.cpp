#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QTest>
#include <climits>
#include <cmath>

#include "controls/cpercentbar.h"
#include "controls/cpercentbargeometry.h"

using vantoro::CPercentBar;
using G = vantoro::CPercentBarGeometry;

TEST(PercentBarGeometry, UnclampedButNeverUndefined) {
    EXPECT_DOUBLE_EQ(G::Fraction(150, 100, 200), 0.5);
    EXPECT_EQ(G::Fraction(5, 7, 7), 0.0); // an empty range would divide by zero
    EXPECT_DOUBLE_EQ(G::Fraction(INT_MAX, INT_MIN, INT_MAX), 1.0); // no 32-bit overflow

    EXPECT_EQ(G::Extent(0.37, 199), 73);   // truncated, not rounded
    EXPECT_EQ(G::Extent(-0.0049, 200), 0); // toward zero, not down
    EXPECT_EQ(G::Extent(1.01, 200), 202);
    EXPECT_EQ(G::Extent(1e12, 1000), INT_MAX);
    EXPECT_EQ(G::Extent(-1e12, 1000), INT_MIN);
    EXPECT_EQ(G::Extent(std::nan(""), 1000), 0);

    QRect rcFilled;
    QRect rcEmpty;
    G::Split(QRect(1, 1, 200, 20), -3.0, false, rcFilled, rcEmpty);
    EXPECT_TRUE(rcFilled.isEmpty());
    EXPECT_EQ(rcEmpty, QRect(1, 1, 200, 20));

    EXPECT_EQ(G::PercentText(0.999), "99%");
    EXPECT_EQ(G::PercentText(1.01), "101%");
    EXPECT_EQ(G::PercentText(-0.5), "-50%");
}

namespace {

const QColor kBar(20, 60, 200);
const QColor kBk(240, 240, 200);
const QColor kMarker(255, 0, 255);

// Fixed colours, font and client size, so every machine paints the same pixels. The font is not
// anti-aliased, so each pixel is exactly one of the colours in play.
void SetUpBar(CPercentBar& bar, int nClientWidth = 200, int nClientHeight = 20) {
    QPalette palette = bar.palette();
    palette.setColor(QPalette::Highlight, kBar);
    palette.setColor(QPalette::Base, kBk);
    bar.setPalette(palette);
    QFont font("DejaVu Sans");
    font.setPixelSize(13);
    font.setStyleStrategy(QFont::NoAntialias);
    bar.setFont(font);
    bar.resize(nClientWidth + 2 * bar.frameWidth(), nClientHeight + 2 * bar.frameWidth());
}

// What the client area holds, split at the fill's edge (from the bottom when vertical). Text
// pixels are those in the colour of the other part; anything else is foreign.
struct SCensus {
    int nFillWidth = 0; // bar-coloured pixels on the top row, which no text reaches
    int nTextOverFilled = 0;
    int nTextOverEmpty = 0;
    int nForeign = 0;
    int nUntouched = 0; // pixels still in the marker colour
    QRect rcText;
};

SCensus Render(CPercentBar& bar, int nEdge, bool bVertical = false) {
    QImage image(bar.size(), QImage::Format_ARGB32);
    image.fill(kMarker);
    bar.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    const QRect rc = bar.contentsRect();
    SCensus c;
    for (int y = 0; y < rc.height(); ++y) {
        for (int x = 0; x < rc.width(); ++x) {
            const QColor cr = image.pixelColor(rc.left() + x, rc.top() + y);
            const bool bFilled = bVertical ? y >= rc.height() - nEdge : x < nEdge;
            c.nFillWidth += y == 0 && cr == kBar;
            c.nUntouched += cr == kMarker;
            if (cr == (bFilled ? kBar : kBk))
                continue;
            if (cr != (bFilled ? kBk : kBar)) {
                ++c.nForeign;
                continue;
            }
            ++(bFilled ? c.nTextOverFilled : c.nTextOverEmpty);
            c.rcText |= QRect(x, y, 1, 1);
        }
    }
    return c;
}

class PercentBarPaint : public ::testing::Test {
protected:
    void SetUp() override { SetUpBar(m_bar); }
    int TextWidth(const QString& strText) const {
        return QFontMetrics(m_bar.font()).boundingRect(strText).width();
    }
    CPercentBar m_bar;
};

} // namespace

TEST_F(PercentBarPaint, At37TheFillIsTruncatedAndThePercentageOrASetTextIsCentred) {
    m_bar.SetPos(37);
    const SCensus c = Render(m_bar, 74);
    EXPECT_EQ(c.nFillWidth, 74);
    EXPECT_EQ(c.nForeign, 0);
    EXPECT_EQ(c.nTextOverFilled, 0); // "37%" lies wholly right of the edge
    EXPECT_GT(c.nTextOverEmpty, 0);
    EXPECT_NEAR(c.rcText.center().x(), 100, 2);
    EXPECT_NEAR(c.rcText.width(), TextWidth("37%"), 3);

    // A set text replaces the percentage until it is emptied again.
    m_bar.SetText("57 %");
    EXPECT_EQ(m_bar.GetText(), "57 %");
    EXPECT_NEAR(Render(m_bar, 74).rcText.width(), TextWidth("57 %"), 3);
    m_bar.SetText(QString());
    EXPECT_NEAR(Render(m_bar, 74).rcText.width(), TextWidth("37%"), 3);
}

TEST_F(PercentBarPaint, TextInvertsAtTheEdgeUnlessGivenItsOwnColour) {
    m_bar.SetPos(50);
    SCensus c = Render(m_bar, 100);
    EXPECT_EQ(c.nForeign, 0);
    EXPECT_GT(c.nTextOverFilled, 0);
    EXPECT_GT(c.nTextOverEmpty, 0);

    // The default colours stay those of the active palette when the bar is disabled.
    QPalette palette = m_bar.palette();
    for (auto group : {QPalette::Disabled, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight, Qt::gray);
        palette.setColor(group, QPalette::Base, Qt::lightGray);
    }
    m_bar.setPalette(palette);
    m_bar.setEnabled(false);
    EXPECT_EQ(Render(m_bar, 100).nForeign, 0);

    EXPECT_FALSE(m_bar.SetTextColor(QColor(200, 0, 0)).isValid());
    c = Render(m_bar, 100);
    EXPECT_EQ(c.nTextOverFilled + c.nTextOverEmpty, 0);
    EXPECT_GT(c.nForeign, 0); // the red text, on both sides
}

TEST_F(PercentBarPaint, EmptyFullAndOverfullBarsKeepTheTextInOneColour) {
    m_bar.SetText("Update Complete");
    SCensus c = Render(m_bar, 0);
    EXPECT_EQ(c.nFillWidth, 0);
    EXPECT_EQ(c.nForeign, 0);
    EXPECT_GT(c.nTextOverEmpty, 0);
    for (int nPos : {100, 101}) {
        m_bar.SetPos(nPos);
        c = Render(m_bar, 200);
        EXPECT_EQ(c.nFillWidth, 200) << nPos;
        EXPECT_EQ(c.nForeign, 0) << nPos;
        EXPECT_GT(c.nTextOverFilled, 0) << nPos;
    }
    // Switched off, only the two areas remain.
    m_bar.SetShowText(false);
    c = Render(m_bar, 200);
    EXPECT_EQ(c.nForeign + c.nTextOverFilled, 0);
}

TEST_F(PercentBarPaint, VerticalBarFillsFromTheBottomWithoutText) {
    SetUpBar(m_bar, 20, 100);
    m_bar.SetOrientation(Qt::Vertical);
    m_bar.SetPos(25);
    const SCensus c = Render(m_bar, 25, true);
    EXPECT_EQ(c.nForeign + c.nUntouched + c.nTextOverFilled + c.nTextOverEmpty, 0);
}

TEST_F(PercentBarPaint, EmptyOrInvertedRangeDrawsNoBar) {
    for (const auto& range : {std::pair{5, 5}, std::pair{100, 0}}) {
        m_bar.SetRange32(range.first, range.second);
        m_bar.SetPos(3);
        EXPECT_EQ(Render(m_bar, 0).nUntouched, 200 * 20) << range.first << ".." << range.second;
    }
}

TEST(PercentBarState, RangesAreTakenAsGivenAndPositionsNotClamped) {
    CPercentBar bar;
    vantoro::SPercentBarRange range;
    bar.SetRange(10, 65535); // 16-bit limits are unsigned: not -1
    EXPECT_EQ(bar.GetRange(false, &range), 65535);
    EXPECT_EQ(range.iLow, 10);
    EXPECT_EQ(bar.GetRange(true), 10);

    EXPECT_EQ(bar.SetPos(-20), 0);
    EXPECT_EQ(bar.OffsetPos(30), -20);
    EXPECT_EQ(bar.SetStep(7), 1);
    EXPECT_EQ(bar.StepIt(), 10);
    EXPECT_EQ(bar.GetPos(), 17);
}

namespace {

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

TEST(PercentBarRepaint, OnlyAMovedEdgeOrANewTextRepaints) {
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
    bar.SetPos(3); // still 1 pixel: a new figure alone is not worth a repaint
    EXPECT_EQ(bar.m_nPaints, 2);

    // A resize forgets the cache, so the same extent repaints once more.
    bar.resize(bar.width() + 1, bar.height());
    QApplication::processEvents();
    const int nAfterResize = bar.m_nPaints;
    bar.SetPos(3);
    EXPECT_EQ(bar.m_nPaints, nAfterResize + 1);

    bar.SetText("Idle");
    QApplication::processEvents();
    const int nAfterText = bar.m_nPaints;
    EXPECT_GT(nAfterText, nAfterResize + 1);
    bar.SetText("Idle");
    QApplication::processEvents();
    EXPECT_EQ(bar.m_nPaints, nAfterText);
}
