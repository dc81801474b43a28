#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/ctickclock.h"
#include "sim/ctargetsimulator.h"
#include "ui/cmaindlg.h"

class QPushButton;
class QWidget;

namespace vantoro {

class CMainControls;

// A settable clock that another thread may move while the UI thread reads it.
class CAtomicTickSource : public ITickSource {
public:
    explicit CAtomicTickSource(std::uint32_t nStart) : m_nNow(nStart) {}
    std::uint32_t GetTickCount() const override { return m_nNow.load(); }
    void Advance(std::uint32_t nMillis) { m_nNow += nMillis; }

private:
    std::atomic<std::uint32_t> m_nNow;
};

// A program folder of its own (settings file, dosdevices links), a folder of S-record files,
// the simulated equipment on a pseudo-terminal linked as a COM port, and the real main window.
class CMainWindowFixture : public ::testing::Test {
protected:
    static constexpr int kSimPort = 5;
    static constexpr int kRecords = 6; // S0, four S1, S9

    CMainWindowFixture();
    ~CMainWindowFixture() override;

    // The settings file's text before the window is created.
    void WriteSettings(const std::string& strText);
    std::string ReadSetting(const std::string& strSection, const std::string& strKey) const;
    // Starts the simulator linked as COM kSimPort (call before OpenWindow).
    void StartSim(SimOptions options = SimOptions());
    // Creates and shows the window; ports come from the dosdevices links plus extra ones.
    CMainDlg& OpenWindow(std::vector<int> extraPorts = {});
    // Start, Update, then the equipment switched on.
    void StartUpdateAndPowerOn();
    // Destroys the window, which saves the settings.
    void DestroyWindow();

    CMainDlg& Dlg() { return *m_pDlg; }
    const CMainControls& C() const { return m_pDlg->Controls(); }
    QStringList LogLines() const;
    QString StatusText() const;
    QString ActionText() const;
    QString ProgressText() const;
    bool SelectionEnabled() const;
    void Click(QPushButton* pButton);
    // Processes events until pred holds; false after nMillis.
    static bool WaitUntil(const std::function<bool()>& pred, int nMillis = 10000);
    // Runs a modal step: fn runs once the next modal dialog is up.
    static void WhenModal(const std::function<void(QWidget*)>& fn);

    std::string m_strRoot;
    std::string m_strProgramDir;
    std::string m_strSettings;
    std::string m_strDosDevices;
    std::string m_strCodeDir;
    CAtomicTickSource m_ticks{1000};
    bool m_bFakeClock = false;
    bool m_bDiscoveryFails = false;
    std::unique_ptr<CTargetSimulator> m_pSim;
    std::thread m_simThread;
    std::unique_ptr<CMainDlg> m_pDlg;
};

} // namespace vantoro
