// The application object: its paths, the help viewer it owns, and the fatal serial message.
#include <gtest/gtest.h>

#include <QAction>
#include <QTemporaryDir>
#include <filesystem>

#include "app/cupdaterapp.h"
#include "serial/comportnames.h"
#include "serial/serialcontract.h"
#include "settings/cbuildidentity.h"
#include "ui/chelpwindow.h"
#include "ui/cmaindlg.h"
#include "ui/cmainmenu.h"

namespace vantoro {
namespace {

namespace fs = std::filesystem;

class UpdaterAppTest : public ::testing::Test {
protected:
    CAppPaths Paths() const { return {m_strDir + "vantoro.INI", m_strDir}; }

    QTemporaryDir m_dir;
    const std::string m_strDir = m_dir.path().toStdString() + "/";
};

TEST_F(UpdaterAppTest, CarriesTheBuildIdentityAndItsFolders) {
    CUpdaterApp app(Paths());
    EXPECT_EQ(QStringList({app.m_strVersion, app.m_strBuildDate, app.m_strBuildTime}),
              QStringList({kProgramVersion, kBuildDate, kBuildTime}));
    // A date of this build, not a fixed one.
    EXPECT_NE(app.m_strBuildDate, QStringLiteral("Jul 21 2008"));
    EXPECT_FALSE(app.m_strNotice.isEmpty());
    app.PrepareServices();
    EXPECT_EQ(GetDosDevicesFolder(), m_strDir + "dosdevices");
    SetContractViolationHandler(ContractViolationHandler());
    // No guide beside the program: the help window names the file it looked for.
    app.OnHelpContents();
    EXPECT_TRUE(app.Help().isVisible());
    EXPECT_TRUE(app.Help().ShownText().contains(QString::fromStdString(m_strDir + "Vantoro.hlp")));
}

TEST_F(UpdaterAppTest, HelpContentsOpensTheGuideAndClosingTheWindowQuitsIt) {
    // The guide the build installed beside the program, copied beside this test's program.
    fs::copy_file(fs::path(VANTORO_TEST_BUILD_DIR) / "Vantoro.hlp", m_strDir + "Vantoro.hlp");
    CUpdaterApp app(Paths());
    {
        std::unique_ptr<CMainDlg> pDlg = app.CreateMainDlg();
        pDlg->Menu().Action(CMainMenu::kIdHelpContents)->trigger();
        EXPECT_TRUE(app.Help().isVisible());
        EXPECT_EQ(app.Help().FilePath().toStdString(), m_strDir + "Vantoro.hlp");
        EXPECT_TRUE(app.Help().ShownText().contains(QStringLiteral("Running an update")));
    }
    EXPECT_FALSE(app.Help().isVisible());
    EXPECT_TRUE(fs::exists(m_strDir + "vantoro.INI")) << "closing saves the settings";
}

TEST_F(UpdaterAppTest, BrokenTimeOutContractEndsTheProgramWithItsMessage) {
    EXPECT_EXIT(
        {
            CUpdaterApp app(Paths());
            app.PrepareServices();
            m_dir.remove(); // the dying child never runs the fixture's clean-up
            ReportTimeoutContractViolation();
        },
        ::testing::ExitedWithCode(0x0FFFFFFF & 0xFF),
        "Serial library.*Timeouts are not supported, when SERIAL_NO_CANCELIO is defined");
}

} // namespace
} // namespace vantoro
