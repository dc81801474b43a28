// The choices the window and the command line share: ports, the software refresh, settings.
#include "platform/cprofilefile.h"
#include "platform/testtempfolder.h"
#include "session/cupdatesession.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vantoro;
using namespace vantoro::test;

namespace {

std::vector<ComPortEntry> Ports(std::initializer_list<int> numbers) {
    std::vector<ComPortEntry> entries;
    for (int n : numbers)
        entries.push_back({n, "Serial Port (/dev/ttyS" + std::to_string(n - 1) + ")",
                           "/dev/ttyS" + std::to_string(n - 1)});
    return entries;
}

} // namespace

class UpdateSession : public ::testing::Test {
protected:
    UpdateSession() {
        m_session.SetLogFunction([this](LogCategory category, const std::string& strText) {
            EXPECT_EQ(category, LogHighLevelComms);
            m_log.push_back(strText);
        });
    }

    CTempFolder m_tmp;
    std::string m_strSettings = m_tmp / "vantoro.INI";
    CUpdateSession m_session{m_strSettings, m_tmp / "no-install.ini"};
    std::vector<std::string> m_log;
};

// The number must be listed; each accepted choice is logged, a refused one changes nothing.
TEST_F(UpdateSession, PortChoiceNeedsAListedNumberAndReplacingKeepsIt) {
    EXPECT_EQ(m_session.SelectComPort(1), -1) << "nothing discovered";
    m_session.FillComPorts(Ports({1, 5, 34}));
    EXPECT_EQ(m_session.GetPortNumber(), 0) << "filling chooses nothing";
    EXPECT_EQ(m_session.SelectComPort(34), 2);
    EXPECT_EQ(m_session.SelectComPort(2), -1);
    EXPECT_EQ(m_session.GetPortNumber(), 34);

    struct Case {
        std::initializer_list<int> ports;
        int nIndex;
        int nChosen;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {{34, 40}, 0, 34, {}},                   // still there, now first: kept, not logged
        {{2, 3}, 0, 2, {"Com Port 2 Selected"}}, // gone: the first port, as at start-up
        {{}, -1, 0, {}},                         // nothing left
        {{7}, 0, 7, {"Com Port 7 Selected"}},
        {{7, 34}, 1, 34, {"Com Port 34 Selected"}}, // the chosen port back: chosen again
    };
    for (const Case& c : cases) {
        m_log.clear();
        EXPECT_EQ(m_session.ReplacePorts(Ports(c.ports)), c.nIndex);
        EXPECT_EQ(m_session.GetPortNumber(), c.nChosen);
        EXPECT_EQ(m_log, c.log);
    }
    // Only the person's choice is stored, never a port that stood in for it.
    m_session.ReplacePorts(Ports({7}));
    EXPECT_TRUE(m_session.SaveAppSettings(false, 0));
    EXPECT_EQ(GetPrivateProfileString("APP", "PORT", "", m_strSettings), "34");
    EXPECT_EQ(CComPortList::EntryText(7, ""), "Com 7");
    EXPECT_EQ(CComPortList::EntryText(7, "FT232R (/dev/ttyUSB0)"), "Com 7 - FT232R (/dev/ttyUSB0)");
}

// A port is found by its node, its stable name, or any link that leads to its node.
TEST_F(UpdateSession, PortIsFoundByAnyNameOfItsDevice) {
    const std::string strNode = m_tmp / "ttyFAKE0";
    WriteTextFile(strNode, "");
    std::filesystem::create_symlink(strNode, m_tmp / "by-id-link");
    CComPortList list;
    list.Fill({{3, "A", "/dev/ttyS2"}, {40, "B", strNode, "/dev/serial/by-id/usb-B-if00"}});
    for (const std::string& strName :
         {strNode, m_tmp / "by-id-link", std::string("/dev/serial/by-id/usb-B-if00")}) {
        ASSERT_NE(list.FindByDevice(strName), nullptr) << strName;
        EXPECT_EQ(list.FindByDevice(strName)->nPort, 40) << strName;
    }
    EXPECT_EQ(list.FindByDevice(m_tmp / "ttyFAKE1"), nullptr);
    EXPECT_EQ(list.FindByDevice(""), nullptr);
}

// The idle texts and Start: software and ports both needed; no ports overrides everything.
TEST_F(UpdateSession, RefreshDecidesTheIdleTextsAndStart) {
    const std::string strCode = m_tmp / "code/";
    MakeFolder(strCode);
    WriteTextFile(strCode + "st24v101.s19", "S9030000FC\n");
    WriteTextFile(strCode + "st24v110.s19", "S9030000FC\n");
    ASSERT_TRUE(m_session.GetTarget()->SetWorkingDirectory(strCode));
    struct Case {
        int nModel;
        bool bPorts;
        std::vector<std::string> files;
        const char* pszStatus;
        const char* pszAction;
        bool bReady;
    };
    const Case cases[] = {
        {0,
         true,
         {"st24v110.s19", "st24v101.s19"},
         "Ready to Code Saltir 24",
         "Connect Saltir 24 to Serial Port, then press Start",
         true},
        {1,
         true,
         {},
         "No Software Found for Saltir 48",
         "Select a File or Directory with Files for Saltir 48",
         false},
        {0,
         false,
         {"st24v110.s19", "st24v101.s19"},
         "No Com Ports Found.",
         "Please add a Comm port.",
         false},
    };
    for (const Case& c : cases) {
        m_session.FillComPorts(c.bPorts ? Ports({1}) : Ports({}));
        m_session.SelectModel(c.nModel);
        const CSoftwareRefresh refresh = m_session.RefreshSoftware();
        EXPECT_EQ(refresh.files, c.files) << c.pszStatus;
        EXPECT_EQ(refresh.strStatusText, c.pszStatus);
        EXPECT_EQ(refresh.strActionText, c.pszAction);
        EXPECT_EQ(refresh.bReady, c.bReady) << c.pszStatus;
        EXPECT_EQ(refresh.strDirectory, strCode);
    }
    // Choosing a model drops an explicitly chosen file.
    m_session.GetTarget()->SetVariantFile("/elsewhere/any.bin");
    m_session.SelectModel(0);
    EXPECT_EQ(m_session.RefreshSoftware().files.size(), 2u);
}

// Names match byte for byte; the stored platform and port come back, an absent port does not.
TEST_F(UpdateSession, SettingsRoundTripThroughTheSession) {
    EXPECT_EQ(m_session.FindPlatform("Verrin Series"), 1);
    EXPECT_EQ(m_session.FindPlatform("verrin series"), -1);
    ASSERT_TRUE(m_session.SelectPlatform(1));
    EXPECT_FALSE(m_session.SelectPlatform(2));
    EXPECT_EQ(m_session.FindModel("Verrin"), 0);
    EXPECT_EQ(m_session.FindModel("Saltir 24"), -1) << "models of the current platform only";

    m_session.FillComPorts(Ports({2, 9}));
    m_session.SelectComPort(9);
    ASSERT_TRUE(m_session.SaveAppSettings(true, 31));
    EXPECT_EQ(GetPrivateProfileString("APP", "PORT", "", m_strSettings), "9");
    EXPECT_EQ(GetPrivateProfileString("APP", "PLATFORM", "", m_strSettings), "Verrin Series");

    for (const auto& [ports, nChosen] : {std::pair{Ports({2, 9}), 9}, {Ports({2}), 0}}) {
        CUpdateSession next(m_strSettings, m_tmp / "no-install.ini");
        next.FillComPorts(ports);
        next.LoadAppSettings(m_tmp.Path());
        EXPECT_EQ(next.GetPortNumber(), nChosen);
        EXPECT_EQ(next.GetPlatformIndex(), 1);
        EXPECT_EQ(next.ModelName(), "Verrin");
        EXPECT_TRUE(next.ReadLogSettings().bLogEnabled);
    }
}
