// The real main window driven by clicks and keys against the simulated equipment.
#include "cmainwindowfixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <thread>

#include "controls/cfitcombobox.h"
#include "controls/cpercentbar.h"
#include "ui/clogedit.h"
#include "ui/cmaincontrols.h"
#include "ui/cmainmenu.h"
#include "ui/ctemplatedialog.h"

namespace vantoro {
namespace {

using MainWindowTest = CMainWindowFixture;

QStringList Entries(const QComboBox* pList) {
    QStringList entries;
    for (int i = 0; i < pList->count(); ++i)
        entries << pList->itemText(i);
    return entries;
}

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
    EXPECT_TRUE(C().pComPort->itemText(1).startsWith(QStringLiteral("Com 5 - ")));
    EXPECT_EQ(C().pComPort->currentIndex(), 1) << "PORT=5 moves the selection";
    EXPECT_EQ(Dlg().GetPortNumber(), 5);
    EXPECT_EQ(StatusText(), QStringLiteral("Ready to Code Saltir 24"));
    EXPECT_EQ(ActionText(), QStringLiteral("Connect Saltir 24 to Serial Port, then press Start"));
    EXPECT_EQ(ProgressText(), QStringLiteral("Idle"));
    EXPECT_TRUE(C().pStart->isEnabled());
    EXPECT_FALSE(C().pCancel->isEnabled());
    // No logging stored: the window ends just above the log box and nothing was logged.
    EXPECT_EQ(Dlg().height(), Dlg().CollapsedSize().height());
    EXPECT_LT(Dlg().CollapsedSize().height(), Dlg().ExpandedSize().height());
    EXPECT_EQ(Dlg().CollapsedSize().height(), C().pLogBox->mapTo(&Dlg(), QPoint(0, 0)).y());
    EXPECT_EQ(C().pLogBox->LineCount(), 0);
    // Controls sit at their template rectangles, converted with the dialog font's units.
    const CDialogUnits& units = Dlg().Units();
    EXPECT_EQ(C().pStart->geometry(), units.ToPixels(112, 180, 53, 16));
    EXPECT_EQ(C().pLogBox->geometry(), units.ToPixels(7, 203, 334, 76));
    EXPECT_EQ(Dlg().ExpandedSize().width(), units.ToPixelsX(348));
    EXPECT_FALSE(Dlg().Menu().Action(CMainMenu::kIdLogging)->isEnabled());
    EXPECT_FALSE(Dlg().Menu().Action(CMainMenu::kIdClearLog)->isEnabled());
}

TEST_F(MainWindowTest, WithoutPortsStartStaysDisabled) {
    OpenWindow();
    EXPECT_EQ(C().pComPort->count(), 0) << "none found: the list stays empty";
    EXPECT_EQ(StatusText(), QStringLiteral("No Com Ports Found."));
    EXPECT_EQ(ActionText(), QStringLiteral("Please add a Comm port."));
    EXPECT_FALSE(C().pStart->isEnabled());
    DestroyWindow();
    EXPECT_EQ(ReadSetting("APP", "PORT"), "0");
    // A discovery that fails shows one placeholder entry and says so in the log.
    m_bDiscoveryFails = true;
    WriteSettings("[APP]\nLOG=ENABLED\n");
    OpenWindow({3});
    ASSERT_EQ(C().pComPort->count(), 1);
    EXPECT_EQ(C().pComPort->itemText(0), QStringLiteral("No Com Ports Available"));
    EXPECT_EQ(C().pComPort->itemData(0).toInt(), 65535);
    EXPECT_EQ(LogLines(), QStringList({"Application Started", "No Com Ports Found"}));
    EXPECT_FALSE(C().pStart->isEnabled());
}

TEST_F(MainWindowTest, CompleteUpdateDrivenByClicks) {
    StartSim();
    OpenWindow();
    Click(C().pStart);
    EXPECT_EQ(C().pStart->text(), QStringLiteral("&Update"));
    EXPECT_TRUE(C().pCancel->isEnabled());
    EXPECT_FALSE(SelectionEnabled());
    EXPECT_EQ(ActionText(), QStringLiteral("Ensure Saltir 24 is Off. Press Update To Continue. "
                                           "Press Cancel to Abort"));
    EXPECT_EQ(StatusText(), QStringLiteral("Ready to Code Saltir 24"));

    Click(C().pStart);
    EXPECT_EQ(Dlg().GetUpdateState(), WaitForTarget);
    EXPECT_FALSE(C().pStart->isEnabled());
    EXPECT_EQ(Dlg().focusWidget(), C().pCancel);
    EXPECT_EQ(ActionText(),
              QStringLiteral("Turn Saltir 24 On to Start Code Update, or Press Cancel to Abort"));

    m_pSim->PowerOn();
    ASSERT_TRUE(WaitUntil([&] { return Dlg().GetUpdateState() == WaitDonePress; }))
        << StatusText().toStdString();
    EXPECT_EQ(m_pSim->GetRecordsReceived(), kRecords);
    EXPECT_EQ(StatusText(), QStringLiteral("Update Complete."));
    EXPECT_EQ(ActionText(), QStringLiteral("Press Done To Continue."));
    EXPECT_EQ(ProgressText(), QStringLiteral("Update Complete"));
    EXPECT_EQ(C().pProgress->GetPos(), 100);
    EXPECT_EQ(C().pStart->text(), QStringLiteral("&Done"));
    EXPECT_FALSE(C().pCancel->isEnabled());
    EXPECT_EQ(Dlg().focusWidget(), C().pStart);

    Click(C().pStart);
    EXPECT_EQ(Dlg().GetUpdateState(), Idle);
    EXPECT_EQ(C().pStart->text(), QStringLiteral("&Start"));
    EXPECT_EQ(ProgressText(), QStringLiteral("Idle"));
    EXPECT_EQ(C().pProgress->GetPos(), 0);
    EXPECT_TRUE(SelectionEnabled());
    EXPECT_EQ(Dlg().focusWidget(), C().pStart);
    EXPECT_EQ(StatusText(), QStringLiteral("Ready to Code Saltir 24"));
}

TEST_F(MainWindowTest, StatusAndProgressFollowEveryRecord) {
    SimOptions options;
    options.nReplyDelayMs = 80;
    StartSim(options);
    WriteSettings("[APP]\nPORT=5\nLOG=ENABLED\nLOG_FLAGS=1\n[PLATFORM_SALTIR]\n"
                  "WORKING_DIRECTORY=" +
                  m_strCodeDir + "\n");
    OpenWindow();
    // Sampled far more often than the simulator answers (every 80 ms).
    QStringList statuses{StatusText()};
    QStringList progress{ProgressText()};
    bool bFocusParked = false;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        bFocusParked = bFocusParked || Dlg().focusWidget() == C().pHidden;
        if (statuses.back() != StatusText())
            statuses << StatusText();
        if (progress.back() != ProgressText())
            progress << ProgressText();
    });
    Click(C().pStart);
    Click(C().pStart);
    sampler.start(2);
    m_pSim->PowerOn();
    ASSERT_TRUE(WaitUntil([&] { return Dlg().GetUpdateState() == WaitDonePress; }));
    sampler.stop();
    for (int i = 1; i <= kRecords; ++i)
        EXPECT_TRUE(statuses.contains(QStringLiteral("%1 Records Sent").arg(i))) << i;
    for (const char* pszPercent : {"16 %", "33 %", "50 %", "66 %", "83 %", "100 %"})
        EXPECT_TRUE(progress.contains(QString::fromLatin1(pszPercent))) << pszPercent;
    EXPECT_TRUE(LogLines().contains("Wait Reply : End Record Recieved.. Update Complete"));
    EXPECT_TRUE(bFocusParked) << "the focus rests on the hidden button while records go out";
    EXPECT_FALSE(C().pHidden->isVisibleTo(&Dlg()) && C().pHidden->width() > 0);
}

TEST_F(MainWindowTest, ErrorReplyFailsAndWaitsForCancelEvenWhenClosing) {
    SimOptions options;
    options.replyAt[3] = "!";
    StartSim(options);
    OpenWindow();
    StartUpdateAndPowerOn();
    ASSERT_TRUE(WaitUntil([&] { return Dlg().GetUpdateState() == ActionFail; }));
    EXPECT_EQ(StatusText(), QStringLiteral("Fatal Error. Saltir 24 Reports Comms Error"));
    EXPECT_EQ(ActionText(), QStringLiteral("Update Failed. Press Cancel to Continue"));
    EXPECT_EQ(ProgressText(), QStringLiteral("Update Failed"));
    EXPECT_EQ(C().pProgress->GetPos(), 50);
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
    // From here on only the window's own timer can wake the event loop before the watchdog:
    // no input, no posted events, no polling by the test. The failure moves the focus to
    // Cancel, which is what tells the test that the engine got its tick.
    QEventLoop loop;
    bool bFailedFirst = false;
    QObject::connect(qApp, &QApplication::focusChanged, &loop, [&](QWidget*, QWidget* pNow) {
        if (pNow == C().pCancel) {
            bFailedFirst = true;
            loop.quit();
        }
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    advance.join();
    EXPECT_TRUE(bFailedFirst) << "no tick reached the engine before the watchdog";
    EXPECT_EQ(StatusText(), QStringLiteral("Fatal Error. Comms Timeout with Saltir 24 @ Record 3"));
    EXPECT_EQ(Dlg().GetUpdateState(), ActionFail);
    Click(C().pCancel);
    EXPECT_EQ(Dlg().GetUpdateState(), Idle);
    EXPECT_EQ(C().pStart->text(), QStringLiteral("&Start"));
}

TEST_F(MainWindowTest, CloseBeforeTheHandshakeClosesAtOnce) {
    StartSim();
    OpenWindow();
    Click(C().pStart);
    Click(C().pStart);
    ASSERT_EQ(Dlg().GetUpdateState(), WaitForTarget);
    EXPECT_TRUE(Dlg().close());
    EXPECT_FALSE(Dlg().isVisible());
}

TEST_F(MainWindowTest, CloseWhileWaitingForTheAckAsksAndNoCloses) {
    SimOptions options;
    options.strHandshake = "NeverSent";
    StartSim(options);
    OpenWindow();
    StartUpdateAndPowerOn();
    ASSERT_TRUE(WaitUntil([&] { return Dlg().GetUpdateState() == WaitForAckProgramFlash; }));
    QString strQuestion;
    WhenModal([&](QWidget* pModal) {
        strQuestion = pModal->windowTitle();
        QTest::keyClick(pModal, Qt::Key_Escape); // counts as No
    });
    EXPECT_TRUE(Dlg().close());
    EXPECT_EQ(strQuestion, QStringLiteral("Complete the Update ?"));
    EXPECT_FALSE(Dlg().isVisible());
}

TEST_F(MainWindowTest, YesKeepsTheUpdateGoingToItsEnd) {
    SimOptions options;
    options.nReplyDelayMs = 40;
    StartSim(options);
    OpenWindow();
    StartUpdateAndPowerOn();
    ASSERT_TRUE(WaitUntil([&] { return Dlg().GetUpdateState() == WaitReply; }));
    // Answered only once the update has ended behind the question.
    WhenModal([&](QWidget* pModal) {
        WaitUntil([&] { return Dlg().GetUpdateState() == WaitDonePress; });
        qobject_cast<QPushButton*>(CTemplateDialog::FindControl(pModal, 1))->click();
    });
    EXPECT_FALSE(Dlg().close());
    EXPECT_TRUE(Dlg().isVisible());
    EXPECT_EQ(Dlg().GetUpdateState(), WaitDonePress);
    EXPECT_TRUE(C().pStart->isEnabled());
    EXPECT_EQ(m_pSim->GetRecordsReceived(), kRecords);
}

TEST_F(MainWindowTest, EscapeNeverClosesAndEnterOpensAndClosesTheLists) {
    StartSim();
    OpenWindow({2, 7});
    // Enter presses the push button that has the focus, and no other.
    bool bOpened = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* pModal = QApplication::activeModalWidget()) {
            bOpened = true;
            pModal->close();
        }
    });
    closer.start(5);
    C().pLogBox->setFocus();
    QTest::keyClick(C().pLogBox, Qt::Key_Return);
    QTest::qWait(20);
    closer.stop();
    EXPECT_FALSE(bOpened) << "Enter in the log box pressed a button";
    EXPECT_EQ(Dlg().GetUpdateState(), Idle);
    C().pStart->setFocus();
    QTest::keyClick(C().pStart, Qt::Key_Return);
    EXPECT_EQ(Dlg().GetUpdateState(), StartUpdate);
    C().pCancel->setFocus();
    QTest::keyClick(C().pCancel, Qt::Key_Escape);
    EXPECT_TRUE(Dlg().isVisible());
    EXPECT_EQ(Dlg().GetUpdateState(), StartUpdate) << "Escape does not press Cancel";
    Click(C().pCancel);

    QComboBox* pPorts = C().pComPort;
    pPorts->setFocus();
    QTest::keyClick(pPorts, Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return pPorts->view()->isVisible(); }));
    QTest::keyClick(pPorts->view(), Qt::Key_Down);
    QTest::keyClick(pPorts->view(), Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return !pPorts->view()->isVisible(); }));
    EXPECT_EQ(pPorts->currentIndex(), 2);
    EXPECT_EQ(Dlg().GetPortNumber(), 7);
    EXPECT_TRUE(Dlg().isVisible());
}

TEST_F(MainWindowTest, EnterInTheDirectoryFieldCutsBackToAnExistingFolder) {
    StartSim();
    OpenWindow();
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
    EXPECT_EQ(StatusText(), QStringLiteral("No Software Found for Saltir 24"));
    EXPECT_FALSE(C().pStart->isEnabled());
    EXPECT_TRUE(Dlg().isVisible());
}

TEST_F(MainWindowTest, DirectoryChooserOpensAtTheFieldAndItsChoiceIsSearched) {
    StartSim();
    OpenWindow();
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

TEST_F(MainWindowTest, ModelChangeDropsTheChosenFileAndRefillsTheList) {
    StartSim();
    OpenWindow();
    const std::string strOther = m_strRoot + "/elsewhere.s19";
    std::ofstream(strOther) << "S9030000FC\n";
    WhenModal([&](QWidget* pModal) {
        auto* pDialog = qobject_cast<QFileDialog*>(pModal);
        ASSERT_NE(pDialog, nullptr);
        pDialog->selectFile(QString::fromStdString(strOther));
        QMetaObject::invokeMethod(pDialog, "accept");
    });
    Click(C().pFileButton);
    EXPECT_EQ(Entries(C().pSoftware), QStringList({"elsewhere.s19"}));
    EXPECT_EQ(C().pDirectory->text().toStdString(), m_strRoot + "/");
    C().pModel->setFocus();
    QTest::keyClick(C().pModel, Qt::Key_Down); // Saltir 48
    EXPECT_EQ(Dlg().GetTarget()->GetVariant(), 1);
    EXPECT_EQ(Entries(C().pSoftware), QStringList({"st48v200.s19"}));
    EXPECT_EQ(StatusText(), QStringLiteral("Ready to Code Saltir 48"));
}

} // namespace
} // namespace vantoro
