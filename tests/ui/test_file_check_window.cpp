// The file check at Start as a technician meets it in the window: the question on a file with
// errors, its Cancel and "Update Anyway", and a double-click on Start.
#include "cmainwindowfixture.h"
#include "stampedclicks.h"

#include <QMessageBox>

using namespace vantoro;

namespace {

class FileCheckWindowTest : public CMainWindowFixture {
protected:
    FileCheckWindowTest() { WriteAppSettings("PORT=5\nLOG=ENABLED\n"); }

    // A text file picked by mistake, newest by its name, so the window offers it first.
    void WriteTextFileAsNewest() {
        std::ofstream(m_strCodeDir + "st24v103.s19") << "Release notes\nsee the manual\n";
    }

    // Answers the question with the button of that caption, after noting its text.
    void AnswerQuestion(const QString& strButton) {
        WhenModal([this, strButton](QWidget* pModal) {
            auto* pBox = qobject_cast<QMessageBox*>(pModal);
            ASSERT_NE(pBox, nullptr) << "the question is not the file check's";
            m_strQuestion = pBox->text();
            m_strTitle = pBox->windowTitle();
            m_strDefault = pBox->defaultButton() ? pBox->defaultButton()->text() : QString();
            if (strButton == QStringLiteral("Escape")) {
                QTest::keyClick(pBox, Qt::Key_Escape);
                return;
            }
            for (QAbstractButton* pButton : pBox->buttons()) {
                if (pButton->text() == strButton)
                    pButton->click();
            }
        });
    }

    bool Logged(const QString& strLine) const { return LogLines().contains(strLine); }

    QString m_strQuestion;
    QString m_strTitle;
    QString m_strDefault;
};

const QString kTextFileCheck = QStringLiteral(
    "StartUpdate: File Check: 2 Records, no data, 3 errors (line 1: not an S-record: it does not "
    "begin with 'S'), 1 warning");

} // namespace

TEST_F(FileCheckWindowTest, TextFileIsQuestionedAndCancelEndsTheCycleUntouched) {
    WriteTextFileAsNewest();
    StartSim();
    OpenWindow();
    for (const QString& strAnswer : {QStringLiteral("Cancel"), QStringLiteral("Escape")}) {
        SCOPED_TRACE(strAnswer.toStdString());
        C().pLogBox->clear();
        AnswerQuestion(strAnswer);
        Click(C().pStart);
        EXPECT_EQ(m_strTitle, QStringLiteral("Code File Check"));
        EXPECT_TRUE(m_strQuestion.startsWith(QStringLiteral("st24v103.s19 is not a software file")))
            << m_strQuestion.toStdString();
        EXPECT_TRUE(m_strQuestion.contains(
            QStringLiteral("line 1: not an S-record: it does not begin with 'S'")));
        EXPECT_TRUE(m_strQuestion.contains(QStringLiteral("without working software")));
        EXPECT_EQ(m_strDefault, QStringLiteral("Cancel"));

        EXPECT_EQ(Dlg().GetUpdateState(), Idle);
        EXPECT_EQ(C().pStart->text(), QStringLiteral("&Start"));
        EXPECT_TRUE(SelectionEnabled());
        EXPECT_EQ(Texts()[2], QStringLiteral("Idle"));
        EXPECT_TRUE(Logged(kTextFileCheck)) << LogLines().join('\n').toStdString();
        EXPECT_TRUE(Logged(QStringLiteral("StartUpdate: Cancel Button Press")));
        EXPECT_TRUE(Logged(QStringLiteral("Complete : Update Cycle Complete")));
    }
    EXPECT_TRUE(m_pSim->GetReceived().empty());
    EXPECT_EQ(m_pSim->GetPowerOnCount(), 0);
}

TEST_F(FileCheckWindowTest, UpdateAnywayGoesOnAsBeforeAndIsLogged) {
    WriteTextFileAsNewest();
    StartSim();
    OpenWindow();
    AnswerQuestion(QStringLiteral("Update Anyway"));
    Click(C().pStart);
    EXPECT_EQ(Dlg().GetUpdateState(), StartUpdate);
    EXPECT_EQ(C().pStart->text(), QStringLiteral("&Update"));
    EXPECT_EQ(Texts()[1], QStringLiteral("Ensure Saltir 24 is Off. Press Update To Continue. "
                                         "Press Cancel to Abort"));
    const QStringList lines = LogLines();
    const qsizetype nCheck = lines.indexOf(kTextFileCheck);
    ASSERT_GE(nCheck, 1) << lines.join('\n').toStdString();
    EXPECT_EQ(lines[nCheck - 1], QStringLiteral("StartUpdate: File has 2 Records"));
    EXPECT_EQ(lines.value(nCheck + 1),
              QStringLiteral("StartUpdate: File Check: Update Anyway Chosen"));
}

TEST_F(FileCheckWindowTest, GoodFileIsCheckedWithoutAQuestion) {
    StartSim();
    OpenWindow();
    Click(C().pStart); // a question here would never be answered: the window would hang
    EXPECT_EQ(Dlg().GetUpdateState(), StartUpdate);
    const QStringList lines = LogLines();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(
        lines.last().startsWith(QStringLiteral("StartUpdate: File Check: 6 Records, 0x1000-")))
        << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.last().endsWith(QStringLiteral(", no errors")));
}

// Start turns into Update under the pointer: the second click of a double-click (the events'
// own times within the desktop's interval, as the display server stamps them) must not be an
// Update that skips "Ensure ... is Off". A click after the interval still is.
TEST_F(FileCheckWindowTest, DoubleClickOnStartStopsAtEnsureOff) {
    StartSim();
    OpenWindow();
    QPushButton* pStart = C().pStart;
    const quint64 nInterval = static_cast<quint64>(QApplication::doubleClickInterval());
    quint64 nTime = 100000;
    test::ClickAt(pStart, nTime);
    test::ClickAt(pStart, nTime + nInterval / 2, true);
    EXPECT_EQ(Dlg().GetUpdateState(), StartUpdate);
    EXPECT_EQ(Texts()[1], QStringLiteral("Ensure Saltir 24 is Off. Press Update To Continue. "
                                         "Press Cancel to Abort"));
    nTime += 2 * nInterval;
    test::ClickAt(pStart, nTime);
    EXPECT_EQ(Dlg().GetUpdateState(), WaitForTarget);
}

// Nothing found: the log names the folder and the names the model takes, once.
TEST_F(FileCheckWindowTest, NoSoftwareLogsWhereAndWhatWasLookedFor) {
    for (const char* pszName : {"st24v101.s19", "st24v102.s19"})
        std::filesystem::remove(m_strCodeDir + pszName);
    StartSim();
    OpenWindow();
    const QString strLine = QString::fromStdString("No Software Found in " + m_strCodeDir +
                                                   ": Saltir 24 takes files named st24v???.s19");
    EXPECT_EQ(LogLines().count(strLine), 1) << LogLines().join('\n').toStdString();
    EXPECT_FALSE(C().pStart->isEnabled());
}
