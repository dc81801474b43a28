// The window's building blocks on their own: unit conversion, small text rules, the log box,
// the menu rules and the small dialogs.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QScrollBar>
#include <set>

#include "ui/caboutdlg.h"
#include "ui/ccompleteupdatedlg.h"
#include "ui/cdialogunits.h"
#include "ui/ceventlog.h"
#include "ui/clogedit.h"
#include "ui/cmainmenu.h"
#include "ui/cprogramart.h"
#include "ui/mainwindowhelpers.h"

using namespace vantoro;

namespace {

TEST(WindowRules, UnitsFoldersFiltersAndPortTexts) {
    const CDialogUnits units(6, 13);
    EXPECT_EQ(units.ToPixelsY(286), 465); // 464.75
    EXPECT_EQ(CDialogUnits::MulDivRound(-3, 13, 8), -5);
    EXPECT_EQ(CDialogUnits::MulDivRound(5, 1, 0), -1);
    // Edges are converted, not sizes: controls that touch in units touch in pixels.
    EXPECT_EQ(units.ToPixels(7, 10, 3, 3).right() + 1, units.ToPixels(10, 10, 3, 3).left());

    const std::set<std::string> folders{"/", "/tmp", "/tmp/", "/data/code/"};
    auto isDir = [&](const std::string& s) { return folders.count(s) != 0; };
    EXPECT_EQ(CutBackToDirectory("/data/code", isDir), "/data/code/");
    EXPECT_EQ(CutBackToDirectory("nothing", isDir), "/");
    EXPECT_EQ(CutBackToDirectory("/tmpx", isDir), "/tmp/") << "a folder, not a name prefix";

    EXPECT_EQ(FileDialogFilter("Saltir 24 Files (st24v???.s19)|st24v???.s19|All Files (*.*)|*.*||"),
              QStringLiteral("Saltir 24 Files (st24v???.s19);;All Files (*)"));
    EXPECT_EQ(FileDialogFilter("Code|*.mot|"), QStringLiteral("Code (*.mot)"));
    EXPECT_EQ(FileDialogFilter(""), QString());
    EXPECT_EQ(ComPortEntryText(12, ""), QStringLiteral("Com 12"));
    EXPECT_EQ(ComPortEntryText(4, "odd %1 name"), QStringLiteral("Com 4 - odd %1 name"));
}

TEST(EventLog, WritesOnlyWhileEnabledAndInTheFilter) {
    CLogEdit box;
    CEventLog log(&box);
    log.SetClock([] { return std::time_t(0); });
    log.LogEvent(0x01, QStringLiteral("Application Started"));
    log.SetLogging(true);
    log.LogEvent(0x08, QStringLiteral("Serial Event Rx Any Char")); // not in 23
    log.LogEvent(0x04, QStringLiteral("100 % done"));
    EXPECT_EQ(box.Lines(), QStringList({CEventLog::FormatStamp(0) + "100 % done"}));
    EXPECT_EQ(CEventLog::FormatStamp(static_cast<std::time_t>(-1)), QString());
}

TEST(LogEdit, AppendsLinesInOrderAndKeepsTheLastInView) {
    CLogEdit box;
    box.resize(200, 60);
    box.show();
    box.AppendLine(QString());
    for (int i = 0; i < 200; ++i)
        box.AppendLine(QStringLiteral("line %1").arg(i));
    EXPECT_EQ(box.LineCount(), 201);
    EXPECT_EQ(box.Line(0), QString());
    EXPECT_EQ(box.Line(200), QStringLiteral("line 199"));
    EXPECT_EQ(box.Line(201), QString());
    EXPECT_GT(box.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(box.verticalScrollBar()->value(), box.verticalScrollBar()->maximum());
    EXPECT_TRUE(box.isReadOnly());
    EXPECT_TRUE(box.focusPolicy() & Qt::TabFocus) << "the shown log box is reached by Tab";
    box.Clear();
    EXPECT_EQ(box.LineCount(), 0);
}

TEST(MainMenu, ItemTextsAndNoItemTouchedWithoutAChange) {
    QWidget owner;
    CMainMenu menu(&owner);
    for (const auto& [nId, pszText] : {std::pair{CMainMenu::kIdLogging, "&Logging"},
                                       {CMainMenu::kIdLogOptions, "Log &Options"},
                                       {CMainMenu::kIdClearLog, "&Clear Log"},
                                       {CMainMenu::kIdExit, "E&xit"},
                                       {CMainMenu::kIdHelpContents, "&Contents"},
                                       {CMainMenu::kIdAbout, "&About"}})
        EXPECT_EQ(menu.Action(nId)->text(), QString::fromLatin1(pszText));
    menu.Refresh(false, false);
    const int nAfterFirst = menu.ItemUpdates();
    for (int i = 0; i < 100; ++i)
        menu.Refresh(false, false);
    EXPECT_EQ(menu.ItemUpdates(), nAfterFirst);
}

TEST(SmallDialogs, AboutShowsTheBuildAndArtAndTheQuestionsCloseBoxIsNo) {
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
    const QImage icon = CProgramArt::IconImage(32);
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(16, 16)), 255);
    const QImage banner = CProgramArt::AboutBitmap(QSize(120, 60));
    EXPECT_NE(banner.pixel(2, 58), banner.pixel(60, 40)) << "the banner is not a flat fill";

    CCompleteUpdateDlg question; // the close box leaves the update going, as Yes
    question.show();
    question.close();
    EXPECT_EQ(question.result(), QDialog::Accepted);
}

} // namespace
