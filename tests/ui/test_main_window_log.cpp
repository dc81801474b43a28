// The main window's log, menus, Log Options and the settings it leaves behind when it closes.
#include "cmainwindowfixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <fstream>
#include <sstream>

#include "controls/cfitcombobox.h"
#include "ui/clogedit.h"
#include "ui/clogoptionsdlg.h"
#include "ui/cmaincontrols.h"
#include "ui/cmainmenu.h"

namespace vantoro {
namespace {

class MainWindowLogTest : public CMainWindowFixture {
protected:
    QAction* Item(int nId) { return Dlg().Menu().Action(nId); }

    // File > Log Options, then the given changes and OK (or Cancel).
    void RunLogOptions(const std::function<void(CLogOptionsDlg&)>& change, bool bOk = true) {
        WhenModal([&](QWidget* pModal) {
            auto* pOptions = qobject_cast<CLogOptionsDlg*>(pModal);
            ASSERT_NE(pOptions, nullptr);
            change(*pOptions);
            qobject_cast<QPushButton*>(pOptions->Control(bOk ? 1 : 2))->click();
        });
        Item(CMainMenu::kIdLogOptions)->trigger();
    }

    static void Toggle(QCheckBox* pBox) {
        QTest::mouseClick(pBox, Qt::LeftButton, {}, QPoint(6, pBox->height() / 2));
    }

    // Picks Com Port list entry nIndex as the user would.
    void ChoosePort(int nIndex) {
        C().pComPort->setCurrentIndex(nIndex);
        emit C().pComPort->activated(nIndex);
    }

    std::string AppSection() const {
        std::ifstream file(m_strSettings);
        std::stringstream text;
        text << file.rdbuf();
        const std::string strAll = text.str();
        const auto nStart = strAll.find("[APP]");
        const auto nEnd = strAll.find('[', nStart + 1);
        if (nStart == std::string::npos)
            return std::string();
        // Blank lines between sections are layout, not content.
        std::string strSection = strAll.substr(nStart, nEnd - nStart);
        while (strSection.size() > 1 && strSection.ends_with("\n\n"))
            strSection.pop_back();
        return strSection;
    }
};

TEST_F(MainWindowLogTest, LogOptionsEnableExpandsTheWindowAndTheMenu) {
    StartSim();
    OpenWindow({2});
    EXPECT_EQ(Dlg().height(), Dlg().CollapsedSize().height());
    RunLogOptions([](CLogOptionsDlg& options) {
        EXPECT_FALSE(options.CategoryBox(0x01)->isEnabled());
        Toggle(options.EnableBox());
    });
    EXPECT_EQ(Dlg().height(), Dlg().ExpandedSize().height());
    EXPECT_TRUE(Item(CMainMenu::kIdLogging)->isEnabled());
    EXPECT_TRUE(Item(CMainMenu::kIdLogging)->isChecked());
    EXPECT_TRUE(Item(CMainMenu::kIdClearLog)->isEnabled());
    ChoosePort(0);
    EXPECT_EQ(LogLines(), QStringList({"Com Port 2 Selected"}));
}

TEST_F(MainWindowLogTest, PauseResumeAndClearFromTheFileMenu) {
    StartSim();
    WriteSettings(
        "[APP]\nPORT=5\nLOG=ENABLED\n[PLATFORM_SALTIR]\nWORKING_DIRECTORY=" + m_strCodeDir + "\n");
    OpenWindow({2});
    EXPECT_EQ(LogLines(),
              QStringList({"Application Started", "Com Port 5 Selected", "Com Port 5 Selected"}));
    EXPECT_TRUE(C().pLogBox->Line(0).contains(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d  App")));
    EXPECT_EQ(Dlg().height(), Dlg().ExpandedSize().height());
    Item(CMainMenu::kIdLogging)->trigger();
    EXPECT_FALSE(Item(CMainMenu::kIdLogging)->isChecked());
    EXPECT_TRUE(Item(CMainMenu::kIdClearLog)->isEnabled());
    EXPECT_EQ(LogLines().back(), QStringLiteral("Logging Stopped"));
    ChoosePort(0); // dropped while paused
    Item(CMainMenu::kIdLogging)->trigger();
    EXPECT_TRUE(Item(CMainMenu::kIdLogging)->isChecked());
    const QStringList lines = LogLines();
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines.mid(lines.size() - 2), QStringList({"Logging Stopped", "Logging Started"}));
    Item(CMainMenu::kIdClearLog)->trigger();
    EXPECT_EQ(LogLines(), QStringList({"Log Cleared"}));
    // Cleared while paused: stays empty.
    Item(CMainMenu::kIdLogging)->trigger();
    Item(CMainMenu::kIdClearLog)->trigger();
    EXPECT_EQ(C().pLogBox->LineCount(), 0);
    // OK in Log Options with logging enabled resumes a paused log.
    RunLogOptions([](CLogOptionsDlg&) {});
    EXPECT_TRUE(Dlg().IsLoggingRunning());
    EXPECT_TRUE(Item(CMainMenu::kIdLogging)->isChecked());
}

TEST_F(MainWindowLogTest, LowLevelCommsLinesOnlyWhenChosen) {
    StartSim();
    WriteSettings("[APP]\nPORT=5\nLOG=ENABLED\nLOG_FLAGS=abc\n[PLATFORM_SALTIR]\n"
                  "WORKING_DIRECTORY=" +
                  m_strCodeDir + "\n");
    OpenWindow();
    EXPECT_EQ(Dlg().GetLogFlags(), 23) << "a text without a number keeps the default";
    RunLogOptions([](CLogOptionsDlg& options) {
        EXPECT_FALSE(options.CategoryBox(0x08)->isChecked());
        Toggle(options.CategoryBox(0x08));
    });
    EXPECT_EQ(Dlg().GetLogFlags(), 31);
    StartUpdateAndPowerOn();
    ASSERT_TRUE(WaitUntil([&] { return Dlg().GetUpdateState() == WaitDonePress; }));
    EXPECT_TRUE(LogLines().contains("Serial Event Rx Any Char"));
    EXPECT_TRUE(LogLines().contains("Model Detected"));
}

TEST_F(MainWindowLogTest, FilterOfZeroLogsNothingAtAll) {
    WriteSettings("[APP]\nLOG=ENABLED\nLOG_FLAGS=0\n");
    OpenWindow({4});
    Item(CMainMenu::kIdLogging)->trigger();
    Item(CMainMenu::kIdLogging)->trigger();
    Item(CMainMenu::kIdClearLog)->trigger();
    EXPECT_EQ(C().pLogBox->LineCount(), 0);
    EXPECT_EQ(Dlg().height(), Dlg().ExpandedSize().height());
}

TEST_F(MainWindowLogTest, FirstRunWritesTheDefaults) {
    std::remove(m_strSettings.c_str());
    OpenWindow({3});
    EXPECT_EQ(C().pLogBox->LineCount(), 0);
    DestroyWindow();
    EXPECT_EQ(AppSection(), "[APP]\nPORT=3\nPLATFORM=Saltir Series\nLOG=DISABLED\nLOG_FLAGS=23\n"
                            "QVR Series=10\n");
    EXPECT_EQ(ReadSetting("PLATFORM_SALTIR", "VARIANT"), "Saltir 24");
    EXPECT_EQ(ReadSetting("PLATFORM_SALTIR", "WORKING_DIRECTORY"), m_strProgramDir);
    EXPECT_EQ(ReadSetting("PLATFORM_VERRIN", "VARIANT"), "Verrin");
}

TEST_F(MainWindowLogTest, StoredValuesAreCorrectedOnTheWayBack) {
    WriteSettings("[APP]\nPORT=7\nLOG=enabled\nLOG_FLAGS=8\nQVR Series=5\n");
    OpenWindow({3});
    EXPECT_EQ(Dlg().height(), Dlg().CollapsedSize().height()) << "LOG must be ENABLED exactly";
    EXPECT_EQ(Dlg().GetPortNumber(), 3) << "an absent stored port leaves the first one";
    EXPECT_EQ(Dlg().Engine().GetReplyTimeout(), 10000u);
    DestroyWindow();
    EXPECT_EQ(ReadSetting("APP", "PORT"), "3");
    EXPECT_EQ(ReadSetting("APP", "LOG"), "DISABLED");
    EXPECT_EQ(ReadSetting("APP", "LOG_FLAGS"), "8");
    EXPECT_EQ(ReadSetting("APP", "QVR Series"), "10");
}

TEST_F(MainWindowLogTest, ChoicesMadeInTheWindowAreSavedAtClose) {
    StartSim();
    WriteSettings("[APP]\nPORT=5\nLOG=ENABLED\nQVR Series=30\n[PLATFORM_SALTIR]\n"
                  "WORKING_DIRECTORY=" +
                  m_strCodeDir + "\n");
    OpenWindow({2, 7});
    EXPECT_EQ(Dlg().Engine().GetReplyTimeout(), 30000u);
    C().pModel->setFocus();
    QTest::keyClick(C().pModel, Qt::Key_Down); // Saltir 48
    const std::string strFile = m_strRoot + "/chosen.s19";
    std::ofstream(strFile) << "S9030000FC\n";
    WhenModal([&](QWidget* pModal) {
        auto* pDialog = qobject_cast<QFileDialog*>(pModal);
        ASSERT_NE(pDialog, nullptr);
        pDialog->selectFile(QString::fromStdString(strFile));
        QMetaObject::invokeMethod(pDialog, "accept");
    });
    Click(C().pFileButton);
    ChoosePort(2);
    // Logging off with Low Level Comms added: the greyed boxes' marks are what is stored.
    RunLogOptions([](CLogOptionsDlg& options) {
        Toggle(options.CategoryBox(0x08));
        Toggle(options.EnableBox());
    });
    EXPECT_EQ(Dlg().height(), Dlg().CollapsedSize().height());
    // Verrin chosen, then its folder typed in.
    C().pProduct->setCurrentIndex(1);
    emit C().pProduct->activated(1);
    EXPECT_EQ(C().pModel->count(), 1);
    C().pDirectory->setFocus();
    C().pDirectory->setText(QString::fromStdString(m_strCodeDir + "nothing-here"));
    QTest::keyClick(C().pDirectory, Qt::Key_Return);
    DestroyWindow();
    EXPECT_EQ(AppSection(), "[APP]\nPORT=7\nLOG=DISABLED\nQVR Series=30\nPLATFORM=Verrin Series\n"
                            "LOG_FLAGS=31\n");
    EXPECT_EQ(ReadSetting("PLATFORM_SALTIR", "VARIANT"), "Saltir 48");
    EXPECT_EQ(ReadSetting("PLATFORM_SALTIR", "VARIANT_FILE"), strFile);
    EXPECT_EQ(ReadSetting("PLATFORM_VERRIN", "WORKING_DIRECTORY"), m_strCodeDir);
}

TEST_F(MainWindowLogTest, ExitClosesWhenIdleAndSaves) {
    OpenWindow({3});
    Item(CMainMenu::kIdExit)->trigger();
    EXPECT_TRUE(Dlg().isVisible()) << "Exit posts the close request";
    ASSERT_TRUE(WaitUntil([&] { return !Dlg().isVisible(); }));
    DestroyWindow();
    EXPECT_EQ(ReadSetting("APP", "PORT"), "3");
}

} // namespace
} // namespace vantoro
