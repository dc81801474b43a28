#include "cmainwindowfixture.h"

#include <QComboBox>
#include <cstdio>

// Start and Close where the update and the machine move under the window: a long file, a port
// that went away, an update that ends while the close question is up.

namespace vantoro {
namespace {

const QStringList kReady{"Ready to Code Saltir 24",
                         "Connect Saltir 24 to Serial Port, then press Start", "Idle"};

class StartAndClose : public CMainWindowFixture {
protected:
    // A valid S-record file of about nBytes, 16 data bytes a record.
    void WriteLongFile(const std::string& strName, std::size_t nBytes) {
        std::FILE* pFile = std::fopen((m_strCodeDir + strName).c_str(), "w");
        ASSERT_NE(pFile, nullptr);
        for (unsigned nAddress = 0; nAddress * 3 < nBytes; nAddress += 16) {
            unsigned nSum = 20 + (nAddress >> 16) + ((nAddress >> 8) & 0xFF) + (nAddress & 0xFF);
            std::fprintf(pFile, "S214%06X", nAddress);
            for (unsigned i = 0; i < 16; ++i) {
                std::fprintf(pFile, "%02X", i);
                nSum += i;
            }
            std::fprintf(pFile, "%02X\n", ~nSum & 0xFF);
        }
        std::fputs("S9030000FC\n", pFile);
        std::fclose(pFile);
    }
    void SelectSoftware(const QString& strName) {
        const int nIndex = C().pSoftware->findText(strName);
        ASSERT_GE(nIndex, 0);
        C().pSoftware->setCurrentIndex(nIndex);
    }
};

// The file check of a long file runs beside the window: Start returns at once with the
// progress in the Status line, and Cancel puts the window back as it was.
TEST_F(StartAndClose, ALongFileIsCheckedWithoutHoldingTheWindowAndCancelStopsIt) {
    WriteLongFile("st24v103.s19", 3 * 1024 * 1024);
    StartSim();
    WriteAppSettings("PORT=5\nLOG=ENABLED\nLOG_FLAGS=31\n");
    OpenWindow();
    SelectSoftware("st24v103.s19");
    const QStringList idle = Texts();
    Click(C().pStart);
    EXPECT_EQ(Texts()[0], "Checking st24v103.s19: 0%");
    EXPECT_EQ(Dlg().GetUpdateState(), Idle) << "nothing of the update has begun";
    EXPECT_FALSE(C().pStart->isEnabled());
    EXPECT_FALSE(SelectionEnabled());
    Click(C().pCancel); // even if the reading has finished meanwhile, Cancel wins
    ASSERT_TRUE(WaitUntil([&] { return C().pStart->isEnabled(); }));
    EXPECT_EQ(Texts(), idle);
    EXPECT_TRUE(SelectionEnabled());
    EXPECT_FALSE(C().pCancel->isEnabled());
    EXPECT_EQ(Dlg().GetUpdateState(), Idle);
    EXPECT_TRUE(LogLines().contains("StartUpdate: File Check Stopped"));

    Click(C().pStart);
    ASSERT_TRUE(WaitForState(StartUpdate));
    EXPECT_EQ(Texts()[1],
              "Ensure Saltir 24 is Off. Press Update To Continue. Press Cancel to Abort");
    EXPECT_EQ(LogLines().filter("File Check: ").size(), 1) << "the file is checked once";
    EXPECT_EQ(C().pStart->text(), QStringLiteral("&Update"));
}

// A chosen port whose device went is still the one Start means: it says so and opens nothing
// else, and the window is as before once the device is back.
TEST_F(StartAndClose, StartWithTheChosenPortAwaySaysSoUntilItIsBack) {
    StartSim();
    WriteAppSettings("PORT=5\nLOG=ENABLED\nLOG_FLAGS=31\n");
    OpenWindow({2});
    ASSERT_EQ(Dlg().GetPortNumber(), 5);
    const std::string strLink = m_strDosDevices + "/com5";
    const std::filesystem::path target = std::filesystem::read_symlink(strLink);
    std::filesystem::remove(strLink);
    ASSERT_TRUE(WaitUntil([&] { return C().pComPort->currentText() == "Com 5 - not connected"; }));
    Click(C().pStart);
    EXPECT_EQ(Dlg().GetUpdateState(), Idle);
    EXPECT_EQ(Texts()[0], "Com Port 5 Not Connected");
    EXPECT_TRUE(LogLines().contains("Com Port 5 Not Connected"));

    std::filesystem::create_symlink(target, strLink);
    ASSERT_TRUE(
        WaitUntil([&] { return C().pComPort->currentText().startsWith("Com 5 - Serial"); }));
    EXPECT_EQ(C().pComPort->count(), 2);
    EXPECT_EQ(Texts(), kReady);
    EXPECT_EQ(Dlg().GetPortNumber(), 5);
}

// "Complete the Update ?" says an update is in progress; when the update fails under it, the
// question goes and the failure is on show, the window still open.
TEST_F(StartAndClose, TheCloseQuestionGoesWhenTheUpdateFailsUnderIt) {
    SimOptions options;
    options.replyAt[3] = "!";
    options.nReplyDelayMs = 300; // time to ask while records are flowing
    StartSim(options);
    OpenWindow();
    StartUpdateAndPowerOn();
    ASSERT_TRUE(WaitForState(WaitReply));
    bool bAsked = false;
    bool bLeftUp = false;
    WhenModal([&](QWidget* pModal) {
        bAsked = pModal->windowTitle() == QStringLiteral("Complete the Update ?");
        // A question left standing is answered after a bound, so the check cannot hang.
        QTimer::singleShot(8000, pModal, [&bLeftUp, pModal] {
            bLeftUp = true;
            pModal->close();
        });
    });
    EXPECT_FALSE(Dlg().close());
    EXPECT_TRUE(bAsked);
    EXPECT_FALSE(bLeftUp) << "the question stayed up after the update had failed";
    EXPECT_EQ(Dlg().GetUpdateState(), ActionFail);
    EXPECT_EQ(Texts()[0], "Fatal Error. Saltir 24 Reports Comms Error");
    EXPECT_TRUE(Dlg().isVisible());
}

} // namespace
} // namespace vantoro
