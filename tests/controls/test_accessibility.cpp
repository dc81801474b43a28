#include <gtest/gtest.h>

#include <QAccessible>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "controls/caccessiblefactory.h"
#include "controls/cannouncer.h"
#include "controls/cpercentbar.h"
#include "controls/cstatusline.h"

using vantoro::CAccessibleFactory;
using vantoro::CAnnouncer;
using vantoro::CPercentBar;
using vantoro::CStatusLine;

namespace {

// The change events need a live accessibility bridge, which the offscreen platform has not:
// the desktop suite hears them.
class Accessibility : public ::testing::Test {
protected:
    void SetUp() override { CAccessibleFactory::Install(); }
};

} // namespace

TEST_F(Accessibility, PercentBarReadsAsTheProgressItPaints) {
    CPercentBar bar;
    bar.SetPos(4);

    QAccessibleInterface* pBar = QAccessible::queryAccessibleInterface(&bar);
    ASSERT_NE(pBar, nullptr);
    EXPECT_EQ(pBar->role(), QAccessible::ProgressBar);
    QAccessibleValueInterface* pValue = pBar->valueInterface();
    ASSERT_NE(pValue, nullptr);
    EXPECT_EQ(pValue->currentValue().toInt(), 4);
    EXPECT_EQ(pValue->minimumValue().toInt(), 0);
    EXPECT_EQ(pValue->maximumValue().toInt(), 100);
    EXPECT_EQ(pBar->text(QAccessible::Value), QStringLiteral("4%"));
    ASSERT_NE(pBar->textInterface(), nullptr);
    EXPECT_EQ(pBar->textInterface()->text(0, -1), QStringLiteral("4%"));

    bar.SetText(QStringLiteral("57 %"));
    EXPECT_EQ(pBar->text(QAccessible::Value), QStringLiteral("57 %"));

    // Past the upper limit the bar is painted full, and reads full.
    bar.SetPos(101);
    EXPECT_EQ(pValue->currentValue().toInt(), 100);
    // Text switched off: nothing is drawn, nothing read as text.
    bar.SetShowText(false);
    EXPECT_EQ(pBar->textInterface()->characterCount(), 0);
}

TEST_F(Accessibility, StatusLineIsNamedByItsCaptionAndReadsItsText) {
    CStatusLine line(QStringLiteral("Status"), QStringLiteral("Idle"));
    QAccessibleInterface* pLine = QAccessible::queryAccessibleInterface(&line);
    ASSERT_NE(pLine, nullptr);
    // A line of the window's status bar, not a status bar of its own.
    EXPECT_EQ(pLine->role(), QAccessible::Paragraph);

    line.SetLine(QStringLiteral("100% & <done>")); // finished text, shown and read as it is
    EXPECT_EQ(pLine->text(QAccessible::Name), QStringLiteral("Status"));
    EXPECT_EQ(pLine->textInterface()->text(0, -1), QStringLiteral("100% & <done>"));
    // -1 is "to the end" from any start: readers go on from where they were.
    EXPECT_EQ(pLine->textInterface()->text(5, -1), QStringLiteral("& <done>"));
    EXPECT_EQ(pLine->textInterface()->text(5, 6), QStringLiteral("&"));
    EXPECT_EQ(line.text(), QStringLiteral("100% & <done>"));
    // Asked for the line at any offset, a reader gets the whole line, its last letter too.
    int nStart = -1, nEnd = -1;
    EXPECT_EQ(pLine->textInterface()->textAtOffset(5, QAccessible::LineBoundary, &nStart, &nEnd),
              QStringLiteral("100% & <done>"));
    EXPECT_EQ(nEnd, 13);
    // One run of attributes holds every character, so that none is lost between runs.
    pLine->textInterface()->attributes(5, &nStart, &nEnd);
    EXPECT_EQ(std::make_pair(nStart, nEnd), std::make_pair(0, 13));
}

TEST_F(Accessibility, HiddenWidgetIsInNoListAndHasNoName) {
    QWidget client;
    auto* pShown = new QPushButton(QStringLiteral("Start"), &client);
    auto* pParking = new QPushButton(QStringLiteral("Hidden"));
    CAccessibleFactory::Hide(pParking);
    pParking->setParent(&client);
    auto* pAfter = new QPushButton(QStringLiteral("Cancel"), &client);

    QAccessibleInterface* pClient = QAccessible::queryAccessibleInterface(&client);
    ASSERT_EQ(pClient->childCount(), 2);
    EXPECT_EQ(pClient->child(0)->object(), pShown);
    EXPECT_EQ(pClient->child(1)->object(), pAfter);
    EXPECT_EQ(pClient->indexOfChild(pClient->child(1)), 1);
    QAccessibleInterface* pHidden = QAccessible::queryAccessibleInterface(pParking);
    EXPECT_EQ(pClient->indexOfChild(pHidden), -1);
    EXPECT_TRUE(pHidden->text(QAccessible::Name).isEmpty());
    EXPECT_EQ(pHidden->role(), QAccessible::NoRole);
}

TEST_F(Accessibility, AnnouncerSaysOnePassOfTextsAsOneNoticeOnlyWhileShown) {
    QWidget window;
    auto* pAnnouncer = new CAnnouncer(&window);
    QSignalSpy shown(pAnnouncer, &CAnnouncer::Shown);
    pAnnouncer->Say(QStringLiteral("Not heard"));
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.count(), 0) << "a window not on the screen said something";

    window.show();
    pAnnouncer->Say(QStringLiteral("Update Complete."));
    pAnnouncer->Say(QStringLiteral("  Press Done\nTo Continue "));
    pAnnouncer->Say(QStringLiteral("Update Complete")); // the bar's text, the same news
    pAnnouncer->Say(QStringLiteral(" "));
    pAnnouncer->Say(QStringLiteral("Done button"));
    ASSERT_TRUE(shown.wait(10000));
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(pAnnouncer->Notice(),
              QStringLiteral("Update Complete. Press Done To Continue. Done button"));

    // A notice readers speak whatever has the focus, and skip when reading the screen.
    QAccessibleInterface* pNotice = QAccessible::queryAccessibleInterface(pAnnouncer);
    EXPECT_EQ(pNotice->role(), QAccessible::Notification);
    EXPECT_EQ(pNotice->text(QAccessible::Name), pAnnouncer->Notice());
    EXPECT_TRUE(pNotice->state().invisible);
    // Old news is not news: the window shown again does not say it once more.
    EXPECT_TRUE(QTest::qWaitFor([&] { return pNotice->text(QAccessible::Name).isEmpty(); },
                                3 * CAnnouncer::kNewsMs));
    EXPECT_FALSE(pAnnouncer->Notice().isEmpty());
}
