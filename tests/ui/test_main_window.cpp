// The real main window driven by clicks and keys against the simulated equipment: the update,
// the close question, the keyboard rules, the log and its menus, and the settings left behind.
#include "cmainwindowfixture.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QLineEdit>
#include <QRegularExpression>

#include "controls/cfitcombobox.h"
#include "ui/clogoptionsdlg.h"
#include "ui/cmainmenu.h"
#include "ui/cportlistwatcher.h"
#include "ui/ctemplatedialog.h"

namespace vantoro {
namespace {

class MainWindowTest : public CMainWindowFixture {
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

    // Closes the window; true when it asked first (a question is answered No, which closes).
    bool CloseAsks() {
        bool bAsked = false;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            QWidget* pModal = QApplication::activeModalWidget();
            if (pModal && pModal != &Dlg() && pModal->isVisible()) {
                bAsked = true;
                pModal->close();
            }
        });
        answer.start(5);
        Dlg().close();
        return bAsked;
    }

    void ChoosePort(int nIndex) {
        C().pComPort->setCurrentIndex(nIndex);
        emit C().pComPort->activated(nIndex);
    }

    void ChooseFile(const std::string& strFile) {
        std::ofstream(strFile) << "S9030000FC\n";
        WhenModal([&](QWidget* pModal) {
            auto* pDialog = qobject_cast<QFileDialog*>(pModal);
            ASSERT_NE(pDialog, nullptr);
            pDialog->selectFile(QString::fromStdString(strFile));
            QMetaObject::invokeMethod(pDialog, "accept");
        });
        Click(C().pFileButton);
    }

    // Each entry "SECTION/KEY=value".
    void ExpectSettings(const std::vector<std::string>& expected) {
        for (const std::string& strEntry : expected) {
            const auto nSlash = strEntry.find('/'), nEqual = strEntry.find('=');
            const std::string strKey = strEntry.substr(nSlash + 1, nEqual - nSlash - 1);
            EXPECT_EQ(strEntry.substr(0, nEqual + 1) +
                          ReadSetting(strEntry.substr(0, nSlash), strKey),
                      strEntry);
        }
    }
};

QStringList Entries(const QComboBox* pList) {
    QStringList entries;
    for (int i = 0; i < pList->count(); ++i)
        entries << pList->itemText(i);
    return entries;
}

const QStringList kReady{"Ready to Code Saltir 24",
                         "Connect Saltir 24 to Serial Port, then press Start", "Idle"};

TEST_F(MainWindowTest, StartsCollapsedWithTheCatalogueAndTheStoredPort) {
    StartSim();
    OpenWindow({2, 7});
    EXPECT_EQ(Dlg().windowTitle(), QStringLiteral("Vantoro"));
    EXPECT_EQ(Entries(C().pProduct), QStringList({"Saltir Series", "Verrin Series"}));
    EXPECT_EQ(Entries(C().pModel),
              QStringList({"Saltir 24", "Saltir 48", "Saltir 48XT", "Saltir 96XT"}));
    EXPECT_EQ(Entries(C().pSoftware), QStringList({"st24v102.s19", "st24v101.s19"}));
    EXPECT_EQ(C().pDirectory->text().toStdString(), m_strCodeDir);
    ASSERT_EQ(C().pComPort->count(), 3);
    EXPECT_EQ(C().pComPort->itemText(0), QStringLiteral("Com 2 - Serial Port (/dev/ttyS1)"));
    EXPECT_EQ(C().pComPort->currentIndex(), 1) << "PORT=5 moves the selection";
    EXPECT_EQ(Texts(), kReady);
    EXPECT_TRUE(C().pStart->isEnabled());
    EXPECT_FALSE(C().pCancel->isEnabled());
    // No logging stored: the window ends just above the log box and nothing was logged.
    EXPECT_EQ(Dlg().height(), Dlg().CollapsedSize().height());
    EXPECT_EQ(Dlg().CollapsedSize().height(), C().pLogBox->mapTo(&Dlg(), QPoint(0, 0)).y());
    EXPECT_EQ(C().pLogBox->LineCount(), 0);
    EXPECT_EQ(C().pStart->geometry(), Dlg().Units().ToPixels(112, 180, 53, 16));
    EXPECT_FALSE(Dlg().Menu().Action(CMainMenu::kIdLogging)->isEnabled());
    EXPECT_FALSE(Dlg().Menu().Action(CMainMenu::kIdClearLog)->isEnabled());
}

TEST_F(MainWindowTest, WithoutPortsStartStaysDisabled) {
    OpenWindow();
    EXPECT_EQ(C().pComPort->count(), 0);
    EXPECT_EQ(Texts(), QStringList({"No Com Ports Found.", "Please add a Comm port.", "Idle"}));
    EXPECT_FALSE(C().pStart->isEnabled());
    m_pDlg.reset();
    EXPECT_EQ(ReadSetting("APP", "PORT"), "0");
    // A discovery that fails shows one placeholder entry and says so in the log.
    m_bDiscoveryFails = true;
    WriteAppSettings("LOG=ENABLED\n");
    OpenWindow({3});
    ASSERT_EQ(C().pComPort->count(), 1);
    EXPECT_EQ(C().pComPort->itemText(0), QStringLiteral("No Com Ports Available"));
    EXPECT_EQ(C().pComPort->itemData(0).toInt(), 65535);
    EXPECT_EQ(LogLines(), QStringList({"Application Started", "No Com Ports Found"}));
    EXPECT_FALSE(C().pStart->isEnabled());
}

TEST_F(MainWindowTest, PortListFollowsLinksWhileIdleAndWaitsForTheEndOfAnUpdate) {
    StartSim();
    OpenWindow();
    const std::filesystem::path added = m_strDosDevices + "/com8";
    std::filesystem::create_symlink("/dev/null", added);
    ASSERT_TRUE(WaitUntil([&] { return C().pComPort->count() == 2; })) << "link not seen";
    EXPECT_EQ(C().pComPort->currentData().toInt(), 5) << "the selection survives a refresh";
    EXPECT_EQ(Dlg().GetPortNumber(), 5);

    Click(C().pStart); // an update under way: the list stays as it was
    std::filesystem::remove(added);
    QTest::qWait(3 * CPortListWatcher::kSettleMs);
    EXPECT_EQ(C().pComPort->count(), 2);
    Click(C().pCancel); // back at rest, the list catches up
    ASSERT_TRUE(WaitForState(Idle));
    EXPECT_EQ(C().pComPort->count(), 1);
    EXPECT_EQ(C().pComPort->currentData().toInt(), 5);
    EXPECT_EQ(Texts(), kReady) << "texts and Start as before";
    EXPECT_TRUE(C().pStart->isEnabled());
}

TEST_F(MainWindowTest, CompleteUpdateDrivenByClicks) {
    SimOptions options;
    options.nReplyDelayMs = 80; // slow enough to see the sending stage
    StartSim(options);
    WriteAppSettings("PORT=5\nLOG=ENABLED\nLOG_FLAGS=31\n");
    OpenWindow();
    Click(C().pStart);
    EXPECT_EQ(C().pStart->text(), QStringLiteral("&Update"));
    EXPECT_TRUE(C().pCancel->isEnabled());
    EXPECT_FALSE(SelectionEnabled());
    EXPECT_EQ(Texts(), QStringList({"Ready to Code Saltir 24",
                                    "Ensure Saltir 24 is Off. Press Update To Continue. "
                                    "Press Cancel to Abort",
                                    "Idle"}));
    Click(C().pStart);
    EXPECT_EQ(Dlg().GetUpdateState(), WaitForTarget);
    EXPECT_FALSE(C().pStart->isEnabled());
    EXPECT_EQ(Dlg().focusWidget(), C().pCancel);
    EXPECT_EQ(Texts()[1], "Turn Saltir 24 On to Start Code Update, or Press Cancel to Abort");

    QStringList sending;
    bool bFocusParked = false;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        // Where a reader asked "where am I" hears how the update stands: the Action line, a
        // focused text line, not the disabled Cancel.
        if (Dlg().focusWidget() == C().pAction) {
            const QAccessible::State state =
                QAccessible::queryAccessibleInterface(C().pAction)->state();
            bFocusParked = bFocusParked || (state.focused && state.focusable);
        }
        if (sending.isEmpty() && Texts()[0].endsWith(QStringLiteral(" Records Sent")))
            sending = Texts();
    });
    sampler.start(2);
    m_pSim->PowerOn();
    ASSERT_TRUE(WaitForState(WaitReply));
    // Closing mid-update asks; the update goes on behind the question, and Yes keeps it.
    WhenModal([&](QWidget* pModal) {
        WaitForState(WaitDonePress);
        qobject_cast<QPushButton*>(CTemplateDialog::FindControl(pModal, 1))->click();
    });
    EXPECT_FALSE(Dlg().close());
    ASSERT_EQ(Dlg().GetUpdateState(), WaitDonePress) << Texts()[0].toStdString();
    sampler.stop();
    ASSERT_EQ(sending.size(), 3) << "no record seen going out";
    EXPECT_TRUE(sending[2].endsWith(QStringLiteral(" %"))) << sending[2].toStdString();
    EXPECT_TRUE(bFocusParked) << "the focus rests on the Action line while records go out";
    EXPECT_EQ(Texts(),
              QStringList({"Update Complete.", "Press Done To Continue.", "Update Complete"}));
    EXPECT_EQ(C().pStart->text(), QStringLiteral("&Done"));
    EXPECT_EQ(C().pProgress->GetPos(), 100);
    EXPECT_FALSE(C().pCancel->isEnabled());
    EXPECT_EQ(Dlg().focusWidget(), C().pStart);
    EXPECT_TRUE(LogLines().contains("Serial Event Rx Any Char")) << "Low Level Comms chosen";
    // The update is over: closing now needs no question.
    EXPECT_FALSE(CloseAsks()) << "closing while Done waits asked first";
    EXPECT_FALSE(Dlg().isVisible());
    Dlg().show();

    Click(C().pStart);
    EXPECT_EQ(Dlg().GetUpdateState(), Idle);
    EXPECT_EQ(C().pStart->text(), QStringLiteral("&Start"));
    EXPECT_EQ(Texts(), kReady);
    EXPECT_TRUE(SelectionEnabled());
    EXPECT_EQ(Dlg().focusWidget(), C().pStart);
}

TEST_F(MainWindowTest, ErrorReplyFailsAndWaitsForCancelEvenWhenClosing) {
    SimOptions options;
    options.replyAt[3] = "!";
    StartSim(options);
    OpenWindow();
    StartUpdateAndPowerOn();
    ASSERT_TRUE(WaitForState(ActionFail));
    EXPECT_EQ(Texts(), QStringList({"Fatal Error. Saltir 24 Reports Comms Error",
                                    "Update Failed. Press Cancel to Continue", "Update Failed"}));
    EXPECT_FALSE(C().pStart->isEnabled());
    EXPECT_EQ(Dlg().focusWidget(), C().pCancel);
    // The failed update still asks before closing; Enter answers Yes and the error stays.
    WhenModal([](QWidget* pModal) { QTest::keyClick(pModal, Qt::Key_Return); });
    EXPECT_FALSE(Dlg().close());
    EXPECT_EQ(Dlg().GetUpdateState(), ActionFail);
    Click(C().pCancel);
    EXPECT_EQ(Dlg().GetUpdateState(), Idle);
    EXPECT_TRUE(SelectionEnabled());
    EXPECT_EQ(Dlg().focusWidget(), C().pStart);
}

TEST_F(MainWindowTest, SilentEquipmentTimesOutWithoutAnyInput) {
    m_bFakeClock = true;
    SimOptions options;
    options.nSilentFrom = 3;
    StartSim(options);
    OpenWindow();
    StartUpdateAndPowerOn();
    ASSERT_TRUE(WaitUntil([&] { return m_pSim->GetRecordsReceived() == 3; }));
    QTest::qWait(50);
    ASSERT_EQ(Dlg().GetUpdateState(), WaitReply);
    // The clock passes the time-out only once the loop below is blocked waiting.
    std::thread advance([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        m_ticks.Advance(10001);
    });
    // Only the window's own timer may wake this loop before the watchdog: no input, no
    // posted events, no polling. The failure moving the focus to Cancel ends it.
    QEventLoop loop;
    bool bFailedFirst = false;
    QObject::connect(qApp, &QApplication::focusChanged, &loop, [&](QWidget*, QWidget* pNow) {
        bFailedFirst = pNow == C().pCancel;
        if (bFailedFirst)
            loop.quit();
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    advance.join();
    EXPECT_TRUE(bFailedFirst) << "no tick reached the engine before the watchdog";
    EXPECT_EQ(Texts()[0], "Fatal Error. Comms Timeout with Saltir 24 @ Record 3");
    Click(C().pCancel);
    EXPECT_EQ(Dlg().GetUpdateState(), Idle);
    EXPECT_EQ(C().pStart->text(), QStringLiteral("&Start"));
}

TEST_F(MainWindowTest, CloseAsksOnlyOnceTheEquipmentAnswered) {
    SimOptions options;
    options.strHandshake = "NeverSent";
    StartSim(options);
    OpenWindow();
    Click(C().pStart);
    Click(C().pStart);
    // Still waiting for the power-on: nothing to ask yet.
    EXPECT_TRUE(Dlg().close());
    Dlg().show();
    m_pSim->PowerOn();
    ASSERT_TRUE(WaitForState(WaitForAckProgramFlash));
    QString strQuestion;
    // Escape and the close box are "never mind": the update goes on. Only No closes.
    WhenModal([&](QWidget* pModal) {
        strQuestion = pModal->windowTitle();
        QTest::keyClick(pModal, Qt::Key_Escape);
    });
    EXPECT_FALSE(Dlg().close());
    EXPECT_EQ(strQuestion, QStringLiteral("Complete the Update ?"));
    WhenModal([&](QWidget* pModal) { pModal->close(); });
    EXPECT_FALSE(Dlg().close());
    EXPECT_EQ(Dlg().GetUpdateState(), WaitForAckProgramFlash);
    WhenModal([&](QWidget* pModal) {
        qobject_cast<QPushButton*>(CTemplateDialog::FindControl(pModal, 2))->click();
    });
    EXPECT_TRUE(Dlg().close());
    EXPECT_FALSE(Dlg().isVisible());
}

// Escape, Enter in the log box and on buttons, and Enter on an open list are checked on a real
// display (tests/desktop); here a real change through the keyboard and the Directory field.
TEST_F(MainWindowTest, EnterChoosesAnotherPortAndCutsATypedFolderBack) {
    StartSim();
    OpenWindow({2, 7});
    QComboBox* pPorts = C().pComPort;
    pPorts->setFocus();
    QTest::keyClick(pPorts, Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return pPorts->view()->isVisible(); }));
    QTest::keyClick(pPorts->view(), Qt::Key_Down);
    QTest::keyClick(pPorts->view(), Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return !pPorts->view()->isVisible(); }));
    EXPECT_EQ(Dlg().GetPortNumber(), 7);

    // Enter in the Directory field cuts back to an existing folder, "/" at worst.
    QLineEdit* pField = C().pDirectory;
    pField->setFocus();
    pField->setText(QString::fromStdString(m_strCodeDir + "missing/deeper"));
    QTest::keyClick(pField, Qt::Key_Return);
    EXPECT_EQ(Dlg().GetTarget()->GetWorkingDirectory(), m_strCodeDir);
    EXPECT_EQ(Dlg().focusWidget(), C().pSoftware);
    EXPECT_EQ(C().pSoftware->count(), 2);
    pField->setFocus();
    pField->clear();
    QTest::keyClick(pField, Qt::Key_Return);
    EXPECT_EQ(Dlg().GetTarget()->GetWorkingDirectory(), "/");
    EXPECT_EQ(Texts()[0], "No Software Found for Saltir 24");
    EXPECT_FALSE(C().pStart->isEnabled());
    EXPECT_TRUE(Dlg().isVisible());
}

TEST_F(MainWindowTest, DirectoryChooserOpensAtTheFieldAndItsChoiceIsSearched) {
    OpenWindow({3});
    const std::string strOther = m_strRoot + "/other/";
    std::filesystem::create_directories(strOther);
    std::ofstream(strOther + "st24v300.s19") << "S9030000FC\n";
    C().pDirectory->setText(QString::fromStdString(strOther)); // typed, Enter not pressed
    WhenModal([](QWidget* pChooser) { QMetaObject::invokeMethod(pChooser, "reject"); });
    Click(C().pDirectoryButton);
    EXPECT_EQ(Dlg().GetTarget()->GetWorkingDirectory(), m_strCodeDir) << "Cancel changes nothing";
    C().pDirectory->setText(QString::fromStdString(strOther));
    WhenModal([](QWidget* pChooser) { QMetaObject::invokeMethod(pChooser, "accept"); });
    Click(C().pDirectoryButton);
    EXPECT_EQ(Dlg().GetTarget()->GetWorkingDirectory(), strOther);
    EXPECT_EQ(Entries(C().pSoftware), QStringList({"st24v300.s19"}));
}

TEST_F(MainWindowTest, LogOptionsCancelKeepsAndOkEnablesTheLogAndTheMenu) {
    StartSim();
    OpenWindow({2});
    RunLogOptions(
        [](CLogOptionsDlg& options) {
            EXPECT_FALSE(options.CategoryBox(0x01)->isEnabled()) << "greyed while off";
            options.EnableBox()->click();
            options.CategoryBox(0x10)->click();
        },
        false);
    EXPECT_EQ(Dlg().height(), Dlg().CollapsedSize().height());
    EXPECT_EQ(Dlg().GetLogFlags(), 23);
    RunLogOptions([](CLogOptionsDlg& options) { options.EnableBox()->click(); });
    EXPECT_EQ(Dlg().height(), Dlg().ExpandedSize().height());
    EXPECT_TRUE(Item(CMainMenu::kIdLogging)->isEnabled());
    EXPECT_TRUE(Item(CMainMenu::kIdLogging)->isChecked());
    EXPECT_TRUE(Item(CMainMenu::kIdClearLog)->isEnabled());
    ChoosePort(0);
    EXPECT_EQ(LogLines(), QStringList({"Com Port 2 Selected"}));
}

TEST_F(MainWindowTest, PauseResumeAndClearFromTheFileMenu) {
    StartSim();
    WriteAppSettings("PORT=5\nLOG=ENABLED\n");
    OpenWindow({2});
    EXPECT_EQ(LogLines(),
              QStringList({"Application Started", "Com Port 5 Selected", "Com Port 5 Selected"}));
    EXPECT_TRUE(C().pLogBox->Line(0).contains(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d  App")));
    EXPECT_EQ(Dlg().height(), Dlg().ExpandedSize().height());
    Item(CMainMenu::kIdLogging)->trigger();
    EXPECT_FALSE(Item(CMainMenu::kIdLogging)->isChecked());
    EXPECT_TRUE(Item(CMainMenu::kIdClearLog)->isEnabled());
    ChoosePort(0); // dropped while paused
    Item(CMainMenu::kIdLogging)->trigger();
    EXPECT_TRUE(Item(CMainMenu::kIdLogging)->isChecked());
    EXPECT_EQ(LogLines().mid(3), QStringList({"Logging Stopped", "Logging Started"}));
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

TEST_F(MainWindowTest, FilterOfZeroLogsNothingAtAll) {
    WriteAppSettings("PORT=7\nLOG=ENABLED\nLOG_FLAGS=0\n");
    OpenWindow({4});
    EXPECT_EQ(Dlg().GetPortNumber(), 4) << "an absent stored port leaves the first one";
    Item(CMainMenu::kIdLogging)->trigger();
    Item(CMainMenu::kIdLogging)->trigger();
    Item(CMainMenu::kIdClearLog)->trigger();
    EXPECT_EQ(C().pLogBox->LineCount(), 0);
    EXPECT_EQ(Dlg().height(), Dlg().ExpandedSize().height());
}

TEST_F(MainWindowTest, FirstRunExitWritesTheDefaults) {
    std::remove(m_strSettings.c_str());
    OpenWindow({3});
    Item(CMainMenu::kIdExit)->trigger();
    EXPECT_TRUE(Dlg().isVisible()) << "Exit posts the close request";
    ASSERT_TRUE(WaitUntil([&] { return !Dlg().isVisible(); }));
    m_pDlg.reset();
    ExpectSettings({"APP/PORT=3", "APP/PLATFORM=Saltir Series", "APP/LOG=DISABLED",
                    "APP/LOG_FLAGS=23", "APP/QVR Series=10", "PLATFORM_SALTIR/VARIANT=Saltir 24",
                    "PLATFORM_SALTIR/WORKING_DIRECTORY=" + m_strProgramDir,
                    "PLATFORM_VERRIN/VARIANT=Verrin"});
}

TEST_F(MainWindowTest, ChoicesMadeInTheWindowAreSavedAtClose) {
    StartSim();
    WriteAppSettings("PORT=5\nLOG=ENABLED\nQVR Series=30\n");
    OpenWindow({2, 7});
    EXPECT_EQ(Dlg().Engine().GetReplyTimeout(), 30000u);
    ChooseFile(m_strRoot + "/dropped.s19");
    EXPECT_EQ(C().pDirectory->text().toStdString(), m_strRoot + "/");
    // A new model forgets the chosen file and searches its folder again.
    C().pModel->setFocus();
    QTest::keyClick(C().pModel, Qt::Key_Down);
    EXPECT_EQ(C().pSoftware->itemText(0), QStringLiteral("st48v200.s19"));
    EXPECT_EQ(C().pSoftware->count(), 1);
    EXPECT_EQ(C().pStatus->text(), QStringLiteral("Ready to Code Saltir 48"));
    ChooseFile(m_strRoot + "/chosen.s19");
    ChoosePort(2);
    // Logging off with Low Level Comms added: the greyed boxes' marks are what is stored.
    RunLogOptions([](CLogOptionsDlg& options) {
        options.CategoryBox(0x08)->click();
        options.EnableBox()->click();
    });
    EXPECT_EQ(Dlg().height(), Dlg().CollapsedSize().height());
    // Verrin chosen, then its folder typed in.
    C().pProduct->setCurrentIndex(1);
    emit C().pProduct->activated(1);
    EXPECT_EQ(C().pModel->count(), 1);
    C().pDirectory->setFocus();
    C().pDirectory->setText(QString::fromStdString(m_strCodeDir + "nothing-here"));
    QTest::keyClick(C().pDirectory, Qt::Key_Return);
    m_pDlg.reset();
    ExpectSettings({"APP/PORT=7", "APP/LOG=DISABLED", "APP/LOG_FLAGS=31", "APP/QVR Series=30",
                    "APP/PLATFORM=Verrin Series", "PLATFORM_SALTIR/VARIANT=Saltir 48",
                    "PLATFORM_SALTIR/VARIANT_FILE=" + m_strRoot + "/chosen.s19",
                    "PLATFORM_VERRIN/WORKING_DIRECTORY=" + m_strCodeDir});
}

} // namespace
} // namespace vantoro
