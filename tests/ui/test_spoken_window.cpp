// What a screen reader user hears of the real window besides the focus: the notices it shows as
// its Status and Action lines change, through a whole update, a failure and the lists.
#include "cmainwindowfixture.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>

#include "controls/cannouncer.h"
#include "controls/cfitcombobox.h"

namespace vantoro {
namespace {

class SpokenWindowTest : public CMainWindowFixture {
protected:
    // Every notice shown from now on, in order.
    void Listen() {
        QObject::connect(C().pAnnouncer, &CAnnouncer::Shown,
                         [this](const QString& strNotice) { m_notices << strNotice; });
    }
    bool WaitForNotices(int nCount) {
        return WaitUntil([&] { return m_notices.size() >= nCount; });
    }
    QStringList m_notices;
};

TEST_F(SpokenWindowTest, WholeUpdateIsHeardStepByStepAndNoRecordCountIsSaid) {
    SimOptions options;
    options.nReplyDelayMs = 20;
    StartSim(options);
    OpenWindow();
    // The window's state is said once it is on the screen, after the reader has named it.
    ASSERT_TRUE(WaitUntil([&] { return !C().pAnnouncer->Notice().isEmpty(); }));
    EXPECT_EQ(C().pAnnouncer->Notice(),
              "Ready to Code Saltir 24. Connect Saltir 24 to Serial Port, then press Start");
    Listen();
    Click(C().pStart);
    ASSERT_TRUE(WaitForNotices(1));
    Click(C().pStart);
    ASSERT_TRUE(WaitForNotices(2));
    m_pSim->PowerOn();
    ASSERT_TRUE(WaitForState(WaitDonePress));
    ASSERT_TRUE(WaitForNotices(4));
    Click(C().pStart);
    ASSERT_TRUE(WaitForNotices(5));
    QTest::qWait(50);
    EXPECT_EQ(m_notices,
              QStringList({"Update button. Ensure Saltir 24 is Off. Press Update To Continue. "
                           "Press Cancel to Abort",
                           "Turn Saltir 24 On to Start Code Update, or Press Cancel to Abort",
                           "Updating Saltir 24 Software .. Please Wait",
                           "Update Complete. Press Done To Continue. Done button",
                           "Start button. Ready to Code Saltir 24. Connect Saltir 24 to Serial "
                           "Port, then press Start"}));
}

TEST_F(SpokenWindowTest, FailureIsHeardWithItsCauseAndWhatToDo) {
    SimOptions options;
    options.replyAt[3] = "!";
    StartSim(options);
    OpenWindow();
    Listen();
    StartUpdateAndPowerOn();
    ASSERT_TRUE(WaitForState(ActionFail));
    ASSERT_TRUE(WaitUntil([&] { return m_notices.join('|').contains("Fatal"); }));
    EXPECT_EQ(m_notices.last().toStdString(),
              "Fatal Error. Saltir 24 Reports Comms Error. Update Failed. "
              "Press Cancel to Continue");
}

TEST_F(SpokenWindowTest, ListsSpeakAChoiceMadeByKeysAndEscapeKeepsTheChoice) {
    StartSim();
    OpenWindow();
    ASSERT_TRUE(WaitUntil([&] { return !C().pAnnouncer->Notice().isEmpty(); }));
    Listen();
    C().pModel->setFocus();
    QTest::keyClick(C().pModel, Qt::Key_Down);
    ASSERT_TRUE(WaitForNotices(1));
    EXPECT_EQ(m_notices[0], "Saltir 48. Ready to Code Saltir 48. Connect Saltir 48 to Serial "
                            "Port, then press Start"
                            "");
    // A choice made by the program, not by the user's keys on the list, is not said as one.
    EXPECT_FALSE(m_notices[0].contains("st24v")) << m_notices[0].toStdString();

    // Escape on the open list closes it, and the highlighted entry is not chosen.
    C().pModel->showPopup();
    ASSERT_TRUE(WaitUntil([&] { return C().pModel->view()->isVisible(); }));
    QTest::keyClick(C().pModel->view(), Qt::Key_Down);
    QTest::keyClick(C().pModel->view(), Qt::Key_Escape);
    EXPECT_TRUE(WaitUntil([&] { return !C().pModel->view()->isVisible(); }));
    EXPECT_EQ(C().pModel->currentText(), QStringLiteral("Saltir 48"));
    EXPECT_TRUE(Dlg().isVisible()) << "Escape closed the window";
}

TEST_F(SpokenWindowTest, EmptySoftwareListReadsAsTheWindowSaysIt) {
    StartSim();
    OpenWindow();
    C().pModel->setCurrentIndex(3);
    emit C().pModel->activated(3); // a model without files
    ASSERT_EQ(C().pSoftware->count(), 0);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(C().pSoftware)->text(QAccessible::Description),
              "No Software Found for Saltir 96XT");
}

} // namespace
} // namespace vantoro
