#include "cmainwindowfixture.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "controls/cpercentbar.h"
#include "platform/cprofilefile.h"
#include "serial/comportdiscovery.h"
#include "serial/comportnames.h"
#include "ui/clogedit.h"
#include "ui/cmaincontrols.h"

namespace vantoro {

namespace fs = std::filesystem;

CMainWindowFixture::CMainWindowFixture() {
    char szTemplate[] = "/tmp/vantoro-ui-XXXXXX";
    m_strRoot = mkdtemp(szTemplate);
    m_strProgramDir = m_strRoot + "/prog/";
    m_strSettings = m_strProgramDir + "vantoro.INI";
    m_strDosDevices = m_strProgramDir + "dosdevices";
    m_strCodeDir = m_strRoot + "/code/";
    fs::create_directories(m_strDosDevices);
    fs::create_directories(m_strCodeDir);
    SetDosDevicesFolder(m_strDosDevices);
    // Six records with CR LF endings: a header, four data records and the end record.
    std::ofstream(m_strCodeDir + "st24v102.s19")
        << "S00600004844521B\r\nS10710001020300088\r\nS10710101020300177\r\nS10710201020300266\r\nS"
           "10710301020300355\r\n"
        << "S9030000FC\r\n";
    std::ofstream(m_strCodeDir + "st24v101.s19") << "S9030000FC\n";
    std::ofstream(m_strCodeDir + "st48v200.s19") << "S9030000FC\n";
    WriteSettings("[APP]\nPORT=5\n[PLATFORM_SALTIR]\nWORKING_DIRECTORY=" + m_strCodeDir + "\n");
}

CMainWindowFixture::~CMainWindowFixture() {
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
    std::error_code error;
    fs::remove_all(m_strRoot, error);
}

void CMainWindowFixture::WriteSettings(const std::string& strText) {
    std::ofstream(m_strSettings, std::ios::trunc) << strText;
}

std::string CMainWindowFixture::ReadSetting(const std::string& strSection,
                                            const std::string& strKey) const {
    return GetPrivateProfileString(strSection, strKey, "<missing>", m_strSettings);
}

void CMainWindowFixture::StartSim(SimOptions options) {
    options.strLinkFolder = m_strDosDevices;
    options.nLinkCom = kSimPort;
    if (options.nReplyGapMs == 100)
        options.nReplyGapMs = 5;
    m_pSim = std::make_unique<CTargetSimulator>(options);
    std::string strError;
    ASSERT_TRUE(m_pSim->Open(strError)) << strError;
    m_simThread = std::thread([this] { m_pSim->Run(); });
}

CMainDlg& CMainWindowFixture::OpenWindow(std::vector<int> extraPorts) {
    CMainDlgSetup setup;
    setup.strProgramDir = m_strProgramDir;
    setup.strSettingsPath = m_strSettings;
    setup.strInstallIni = m_strRoot + "/no-install.ini";
    setup.strVersion = QStringLiteral("1.23.KMT");
    setup.pTicks = m_bFakeClock ? &m_ticks : nullptr;
    const std::string strLinks = m_strDosDevices;
    setup.discoverPorts = [strLinks, extraPorts, bFails = m_bDiscoveryFails](
                              std::vector<int>& ports, std::vector<std::string>& names) {
        std::vector<ComPortEntry> entries = ListDosDevicePorts(strLinks);
        for (int nPort : extraPorts)
            entries.push_back({nPort, "Serial Port (/dev/ttyS" + std::to_string(nPort - 1) + ")"});
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
    return *m_pDlg;
}

void CMainWindowFixture::StartUpdateAndPowerOn() {
    Click(C().pStart);
    Click(C().pStart);
    m_pSim->PowerOn();
}

void CMainWindowFixture::DestroyWindow() {
    m_pDlg.reset();
}

QStringList CMainWindowFixture::LogLines() const {
    QStringList lines = C().pLogBox->Lines();
    for (QString& strLine : lines)
        strLine = strLine.mid(10); // "HH:MM:SS  "
    return lines;
}

QString CMainWindowFixture::StatusText() const {
    return C().pStatus->text();
}

QString CMainWindowFixture::ActionText() const {
    return C().pAction->text();
}

QString CMainWindowFixture::ProgressText() const {
    return C().pProgress->GetText();
}

bool CMainWindowFixture::SelectionEnabled() const {
    bool bAll = true;
    bool bAny = false;
    for (int i = 0; i < CMainControls::kSelectionControlCount; ++i) {
        const bool bEnabled = C().SelectionControl(i)->isEnabled();
        bAll = bAll && bEnabled;
        bAny = bAny || bEnabled;
    }
    EXPECT_EQ(bAll, bAny) << "the seven selection controls change together";
    return bAll;
}

void CMainWindowFixture::Click(QPushButton* pButton) {
    ASSERT_TRUE(pButton->isEnabled()) << pButton->text().toStdString() << " is disabled";
    QTest::mouseClick(pButton, Qt::LeftButton);
}

bool CMainWindowFixture::WaitUntil(const std::function<bool()>& pred, int nMillis) {
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > nMillis)
            return false;
        QTest::qWait(5);
    }
    return true;
}

void CMainWindowFixture::WhenModal(const std::function<void(QWidget*)>& fn) {
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

} // namespace vantoro
