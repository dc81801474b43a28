#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "controls/cpercentbar.h"
#include "platform/cprofilefile.h"
#include "platform/ctickclock.h"
#include "serial/comportdiscovery.h"
#include "serial/comportnames.h"
#include "sim/ctargetsimulator.h"
#include "testmain/boundedwait.h"
#include "ui/clogedit.h"
#include "ui/cmaincontrols.h"
#include "ui/cmaindlg.h"

namespace vantoro {

// A clock the test moves from another thread while the window reads it.
class CAtomicTickSource : public ITickSource {
public:
    std::uint32_t GetTickCount() const override { return m_nNow.load(); }
    void Advance(std::uint32_t nMillis) { m_nNow += nMillis; }

private:
    std::atomic<std::uint32_t> m_nNow{1000};
};

// A program folder of its own (settings file, dosdevices links), a folder of S-record files,
// the simulated equipment on a pseudo-terminal linked as COM 5, and the real main window.
class CMainWindowFixture : public ::testing::Test {
protected:
    CMainWindowFixture() {
        std::filesystem::create_directories(m_strDosDevices);
        std::filesystem::create_directories(m_strCodeDir);
        SetDosDevicesFolder(m_strDosDevices);
        // CR LF endings, as the maker's tools write them.
        std::ofstream(m_strCodeDir + "st24v102.s19")
            << "S00600004844521B\r\nS10710001020300088\r\nS10710101020300177\r\n"
            << "S10710201020300266\r\nS10710301020300355\r\nS9030000FC\r\n";
        std::ofstream(m_strCodeDir + "st24v101.s19") << "S9030000FC\n";
        std::ofstream(m_strCodeDir + "st48v200.s19") << "S9030000FC\n";
        WriteAppSettings("PORT=5\n");
    }

    // Clicks and closing the window open and close the port on the window's thread; the serial
    // layer bounds both, so one that never returns is a fault, named when it happens.
    static constexpr int kPortStepLimitS = 30;

    ~CMainWindowFixture() override {
        const CWatchdog watchdog(kPortStepLimitS, "closing the window, its port and the equipment");
        // A question or chooser left open by a failed check must not keep the window alive.
        while (QWidget* pModal = QApplication::activeModalWidget()) {
            if (pModal == m_pDlg.get())
                break;
            pModal->close();
            QCoreApplication::processEvents();
        }
        m_pDlg.reset();
        if (m_pSim) {
            m_pSim->Stop();
            m_simThread.join();
        }
    }

    // These [APP] lines, and the Saltir folder set to the code folder.
    void WriteAppSettings(const std::string& strAppLines) {
        std::ofstream(m_strSettings, std::ios::trunc)
            << "[APP]\n"
            << strAppLines << "[PLATFORM_SALTIR]\nWORKING_DIRECTORY=" << m_strCodeDir << "\n";
    }

    std::string ReadSetting(const std::string& strSection, const std::string& strKey) const {
        return GetPrivateProfileString(strSection, strKey, "<missing>", m_strSettings);
    }

    void StartSim(SimOptions options = SimOptions()) {
        options.strLinkFolder = m_strDosDevices;
        options.nLinkCom = 5;
        options.nReplyGapMs = 5;
        m_pSim = std::make_unique<CTargetSimulator>(options);
        std::string strError;
        ASSERT_TRUE(m_pSim->Open(strError)) << strError;
        m_simThread = std::thread([this] { m_pSim->Run(); });
    }

    // Ports come from the dosdevices links plus the extra ones.
    void OpenWindow(std::vector<int> extraPorts = {}) {
        CMainDlgSetup setup;
        setup.strProgramDir = m_strProgramDir;
        setup.strSettingsPath = m_strSettings;
        setup.strInstallIni = m_strRoot + "/no-install.ini";
        setup.strVersion = QStringLiteral("1.23.KMT");
        setup.pTicks = m_bFakeClock ? &m_ticks : nullptr;
        setup.discoverPorts = [strLinks = m_strDosDevices, extraPorts, bFails = m_bDiscoveryFails](
                                  std::vector<int>& ports, std::vector<std::string>& names) {
            std::vector<ComPortEntry> entries = ListDosDevicePorts(strLinks);
            for (int nPort : extraPorts)
                entries.push_back(
                    {nPort, "Serial Port (/dev/ttyS" + std::to_string(nPort - 1) + ")"});
            for (const ComPortEntry& entry : MergeComPortEntries(entries, {})) {
                ports.push_back(entry.nPort);
                names.push_back(entry.strFriendlyName);
            }
            return !bFails;
        };
        m_pDlg = std::make_unique<CMainDlg>(std::move(setup));
        m_pDlg->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_pDlg.get()));
        m_pDlg->activateWindow();
    }

    void StartUpdateAndPowerOn() {
        Click(C().pStart);
        Click(C().pStart);
        m_pSim->PowerOn();
    }

    CMainDlg& Dlg() { return *m_pDlg; }
    const CMainControls& C() const { return m_pDlg->Controls(); }

    QStringList LogLines() const {
        QStringList lines = C().pLogBox->Lines();
        for (QString& strLine : lines)
            strLine = strLine.mid(10); // "HH:MM:SS  "
        return lines;
    }

    // Status, Action, progress.
    QStringList Texts() const {
        return {C().pStatus->text(), C().pAction->text(), C().pProgress->GetText()};
    }

    bool SelectionEnabled() const {
        int nEnabled = 0;
        for (int i = 0; i < CMainControls::kSelectionControlCount; ++i)
            nEnabled += C().SelectionControl(i)->isEnabled() ? 1 : 0;
        EXPECT_TRUE(nEnabled == 0 || nEnabled == CMainControls::kSelectionControlCount)
            << "the selection controls change together";
        return nEnabled != 0;
    }

    static void Click(QPushButton* pButton) {
        ASSERT_TRUE(pButton->isEnabled()) << pButton->text().toStdString() << " is disabled";
        const CWatchdog watchdog(kPortStepLimitS,
                                 "a click on " + pButton->text().toStdString() + " returning");
        QTest::mouseClick(pButton, Qt::LeftButton);
    }

    static bool WaitUntil(const std::function<bool()>& pred, int nMillis = 10000) {
        QElapsedTimer timer;
        timer.start();
        while (!pred()) {
            if (timer.elapsed() > nMillis)
                return false;
            QTest::qWait(5);
        }
        return true;
    }

    bool WaitForState(UpdateState state) {
        return WaitUntil([&] { return Dlg().GetUpdateState() == state; });
    }

    // fn runs once the next modal dialog is up.
    static void WhenModal(const std::function<void(QWidget*)>& fn) {
        auto* pPoll = new QTimer;
        pPoll->setInterval(5);
        QObject::connect(pPoll, &QTimer::timeout, [pPoll, fn] {
            QWidget* pModal = QApplication::activeModalWidget();
            if (!pModal || !pModal->isVisible())
                return;
            pPoll->stop();
            pPoll->deleteLater();
            fn(pModal);
        });
        pPoll->start();
    }

    QTemporaryDir m_root;
    const std::string m_strRoot = m_root.path().toStdString();
    const std::string m_strProgramDir = m_strRoot + "/prog/";
    const std::string m_strSettings = m_strProgramDir + "vantoro.INI";
    const std::string m_strDosDevices = m_strProgramDir + "dosdevices";
    const std::string m_strCodeDir = m_strRoot + "/code/";
    CAtomicTickSource m_ticks;
    bool m_bFakeClock = false;
    bool m_bDiscoveryFails = false;
    std::unique_ptr<CTargetSimulator> m_pSim;
    std::thread m_simThread;
    std::unique_ptr<CMainDlg> m_pDlg;
};

} // namespace vantoro
