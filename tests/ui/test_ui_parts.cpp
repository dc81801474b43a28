// The window's building blocks on their own: unit conversion, the small rules of the main
// window, the log box and logging state, the menu rules and the three small dialogs.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>

#include "ui/caboutdlg.h"
#include "ui/ccompleteupdatedlg.h"
#include "ui/cdialogunits.h"
#include "ui/ceventlog.h"
#include "ui/clogedit.h"
#include "ui/clogoptionsdlg.h"
#include "ui/cmainmenu.h"
#include "ui/cprogramart.h"
#include "ui/ilogoptionsowner.h"
#include "ui/mainwindowhelpers.h"

#include <set>

using namespace vantoro;

namespace {

TEST(DialogUnits, ConvertWithTheFontsBaseUnitsAndRoundHalfAway) {
    const CDialogUnits units(6, 13);
    EXPECT_EQ(units.ToPixelsX(348), 522);
    EXPECT_EQ(units.ToPixelsY(286), 465); // 464.75
    EXPECT_EQ(units.ToPixelsY(1), 2);     // 1.625
    EXPECT_EQ(CDialogUnits::MulDivRound(-3, 13, 8), -5);
    EXPECT_EQ(CDialogUnits::MulDivRound(5, 1, 0), -1);
    EXPECT_EQ(CDialogUnits::AverageCharWidth(312), 6); // 52 letters of 6 pixels
    // Edges are converted, not sizes: controls that touch in units touch in pixels.
    const QRect left = units.ToPixels(7, 10, 3, 3);
    const QRect right = units.ToPixels(10, 10, 3, 3);
    EXPECT_EQ(left.right() + 1, right.left());
}

TEST(DirectoryCutBack, EndsAtTheNearestExistingFolderWithSeparator) {
    const std::set<std::string> folders{"/", "/tmp", "/tmp/", "/data/code/"};
    auto isDir = [&](const std::string& s) { return folders.count(s) != 0; };
    EXPECT_EQ(CutBackToDirectory("/tmp/missing", isDir), "/tmp/");
    EXPECT_EQ(CutBackToDirectory("/data/code", isDir), "/data/code/");
    EXPECT_EQ(CutBackToDirectory("", isDir), "/");
    EXPECT_EQ(CutBackToDirectory("nothing", isDir), "/");
    // "/tmpx" cuts back to "/tmp", which must still be usable as a folder prefix.
    EXPECT_EQ(CutBackToDirectory("/tmpx", isDir), "/tmp/");
}

TEST(FileDialogFilter, TurnsPipePairsIntoQtFilters) {
    EXPECT_EQ(FileDialogFilter("Saltir 24 Files (st24v???.s19)|st24v???.s19|All Files (*.*)|*.*||"),
              QStringLiteral("Saltir 24 Files (st24v???.s19);;All Files (*)"));
    EXPECT_EQ(FileDialogFilter("Code|*.mot|"), QStringLiteral("Code (*.mot)"));
    EXPECT_EQ(FileDialogFilter(""), QString());
}

TEST(MainWindowTexts, ComPortEntriesAndIconPlace) {
    EXPECT_EQ(ComPortEntryText(3, "FT232R USB UART (/dev/ttyUSB0)"),
              QStringLiteral("Com 3 - FT232R USB UART (/dev/ttyUSB0)"));
    EXPECT_EQ(ComPortEntryText(12, ""), QStringLiteral("Com 12"));
    EXPECT_EQ(ComPortEntryText(4, "odd %1 name"), QStringLiteral("Com 4 - odd %1 name"));
    EXPECT_EQ(IconOrigin(QSize(100, 51), QSize(32, 32)), QPoint(34, 10));
}

class EventLogTest : public ::testing::Test {
protected:
    EventLogTest() : m_log(&m_box) {
        m_log.SetClock([] { return std::time_t(0); });
    }
    QString Stamp() const { return CEventLog::FormatStamp(0); }

    CLogEdit m_box;
    CEventLog m_log;
};

TEST_F(EventLogTest, StampIsTheLocalTimeWithTwoBlanks) {
    const QString strStamp = CEventLog::FormatStamp(std::time(nullptr));
    ASSERT_EQ(strStamp.size(), 10);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d  $")).match(strStamp).hasMatch());
    EXPECT_EQ(CEventLog::FormatStamp(static_cast<std::time_t>(-1)), QString());
}

TEST_F(EventLogTest, NothingIsWrittenWhileDisabledOrFilteredOut) {
    m_log.LogEvent(0x01, QStringLiteral("Application Started"));
    EXPECT_EQ(m_box.LineCount(), 0);
    m_log.SetLogging(true);
    m_log.LogEvent(0x08, QStringLiteral("Serial Event Rx Any Char")); // not in 23
    m_log.LogEvent(0x04, QStringLiteral("Com Port 3 Selected"));
    m_log.LogEvent(0x01, QStringLiteral("100 % done"));
    EXPECT_EQ(m_box.Lines(),
              QStringList({Stamp() + "Com Port 3 Selected", Stamp() + "100 % done"}));
    m_log.SetLogFlags(0);
    m_log.ToggleRunning();
    m_log.ToggleRunning();
    EXPECT_EQ(m_box.LineCount(), 2) << "a filter of 0 drops even the pause lines";
}

TEST(LogEdit, AppendsLinesInOrderAndKeepsTheLastInView) {
    CLogEdit box;
    box.resize(200, 60);
    box.show();
    box.AppendLine(QString());
    box.AppendLine(QStringLiteral("second"));
    EXPECT_EQ(box.Lines(), QStringList({QString(), QStringLiteral("second")}));
    for (int i = 0; i < 200; ++i)
        box.AppendLine(QStringLiteral("line %1").arg(i));
    EXPECT_EQ(box.LineCount(), 202);
    EXPECT_EQ(box.Line(201), QStringLiteral("line 199"));
    EXPECT_EQ(box.Line(202), QString());
    EXPECT_GT(box.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(box.verticalScrollBar()->value(), box.verticalScrollBar()->maximum());
    EXPECT_TRUE(box.isReadOnly());
    EXPECT_EQ(box.focusPolicy(), Qt::ClickFocus) << "the log box is no tab stop";
    box.Clear();
    EXPECT_EQ(box.LineCount(), 0);
}

// Clicks a check box on its indicator: a wide box with a short label ignores clicks on the
// empty space to the right of its text.
void ClickBox(QCheckBox* pBox) {
    QTest::mouseClick(pBox, Qt::LeftButton, {}, QPoint(6, pBox->height() / 2));
}

class FakeOwner : public ILogOptionsOwner {
public:
    int GetLogFlags() const override { return nFlags; }
    bool IsLoggingEnabled() const override { return bEnabled; }
    void SetLogFlags(int nMask) override { nFlags = nMask, ++nCalls; }
    void SetLogging(bool bOn) override { bEnabled = bOn, ++nCalls; }
    int nFlags = 23;
    bool bEnabled = false;
    int nCalls = 0;
};

TEST(LogOptionsDlg, ShowsTheStateGreyedWhileOffAndCancelChangesNothing) {
    FakeOwner owner;
    owner.nFlags = 0x09;
    CLogOptionsDlg dlg(owner, nullptr);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Log Options"));
    EXPECT_FALSE(dlg.EnableBox()->isChecked());
    for (int nBit : {0x01, 0x02, 0x04, 0x08, 0x10}) {
        EXPECT_FALSE(dlg.CategoryBox(nBit)->isEnabled());
        EXPECT_EQ(dlg.CategoryBox(nBit)->isChecked(), (nBit & 0x09) != 0) << nBit;
    }
    dlg.show();
    ClickBox(dlg.EnableBox());
    EXPECT_TRUE(dlg.CategoryBox(0x10)->isEnabled());
    ClickBox(dlg.CategoryBox(0x10));
    qobject_cast<QPushButton*>(dlg.Control(2))->click();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(owner.nCalls, 0);
}

TEST(MainMenu, RulesFollowTheLoggingStateAndTouchItemsOnlyOnChange) {
    QWidget owner;
    CMainMenu menu(&owner);
    QAction* pLogging = menu.Action(CMainMenu::kIdLogging);
    QAction* pClear = menu.Action(CMainMenu::kIdClearLog);
    ASSERT_TRUE(pLogging && pClear);
    EXPECT_EQ(pLogging->text(), QStringLiteral("&Logging"));
    EXPECT_EQ(menu.Action(CMainMenu::kIdLogOptions)->text(), QStringLiteral("Log &Options"));
    EXPECT_EQ(menu.Action(CMainMenu::kIdExit)->text(), QStringLiteral("E&xit"));
    EXPECT_EQ(menu.Action(CMainMenu::kIdHelpContents)->text(), QStringLiteral("&Contents"));
    EXPECT_EQ(menu.Action(CMainMenu::kIdAbout)->text(), QStringLiteral("&About"));

    menu.Refresh(false, false);
    EXPECT_FALSE(pLogging->isEnabled());
    EXPECT_FALSE(pLogging->isChecked());
    EXPECT_FALSE(pClear->isEnabled());
    const int nAfterFirst = menu.ItemUpdates();
    for (int i = 0; i < 100; ++i)
        menu.Refresh(false, false);
    EXPECT_EQ(menu.ItemUpdates(), nAfterFirst);
    menu.Refresh(true, true);
    EXPECT_TRUE(pLogging->isEnabled());
    EXPECT_TRUE(pLogging->isChecked());
    EXPECT_TRUE(pClear->isEnabled());
    menu.Refresh(true, false);
    EXPECT_FALSE(pLogging->isChecked());
    EXPECT_TRUE(menu.Action(CMainMenu::kIdLogOptions)->isEnabled());
}

TEST(AboutDlg, ShowsBuildIdentityNoticeAndBitmap) {
    CAboutDlg about(QStringLiteral("1.23.KMT"), QStringLiteral("Jul 21 2008"),
                    QStringLiteral("11:24:14"), QStringLiteral("Notice & more"));
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Vantoro"));
    auto text = [&](int nId) { return qobject_cast<QLabel*>(about.Control(nId))->text(); };
    EXPECT_EQ(text(CAboutDlg::kIdVersion), QStringLiteral("Version 1.23.KMT"));
    EXPECT_EQ(text(CAboutDlg::kIdCompiled), QStringLiteral("Compiled Jul 21 2008 11:24:14"));
    EXPECT_EQ(text(CAboutDlg::kIdNotice), QStringLiteral("Notice & more"));
    about.show();
    QWidget* pBitmap = about.Control(CAboutDlg::kIdBitmap);
    EXPECT_TRUE(pBitmap->isVisible());
    EXPECT_GT(pBitmap->x(), about.width() / 2) << "the bitmap sits at the top right";
    EXPECT_LT(pBitmap->y(), about.height() / 4);
}

TEST(ProgramArt, IconHasOpaqueBodyAndTransparentCorners) {
    const QImage icon = CProgramArt::IconImage(32);
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(16, 16)), 255);
    EXPECT_FALSE(CProgramArt::ProgramIcon().availableSizes().isEmpty());
    const QImage banner = CProgramArt::AboutBitmap(QSize(120, 60));
    EXPECT_EQ(banner.size(), QSize(120, 60));
    EXPECT_NE(banner.pixel(2, 58), banner.pixel(60, 40)) << "the banner is not a flat fill";
}

TEST(CompleteUpdateDlg, CloseBoxCountsAsNo) {
    CCompleteUpdateDlg question;
    EXPECT_EQ(question.windowTitle(), QStringLiteral("Complete the Update ?"));
    question.show();
    question.close();
    EXPECT_EQ(question.result(), QDialog::Rejected);
}

} // namespace
