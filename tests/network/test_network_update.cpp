#include "cser2netserver.h"
#include "serial/cserialline.h"
#include "testmain/boundedwait.h"
#include "update/textformat.h"
#include "updaterig.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vantoro;

namespace {

// The rig's equipment served by ser2net, with COM5 linked to the network name as a user would
// link it; the engine itself only ever sees "\\.\Com5".
class NetworkUpdateTest : public ::testing::Test {
protected:
    void Serve(CUpdateRig& rig, bool bRfc2217) {
        m_pServer = std::make_unique<CSer2NetServer>(rig.Dir());
        m_strName = m_pServer->Add(rig.m_pSim->GetDevicePath(), bRfc2217);
        std::string why;
        ASSERT_TRUE(m_pServer->Start(why)) << why;
        const std::string link = rig.Dir() + "/dosdevices/com5";
        std::filesystem::remove(link);
        std::filesystem::create_symlink(m_strName, link);
    }

    // Opening a network port is bounded by the line (connecting 5 s, negotiating 3 s) and so is
    // closing it; a press that outlasts that is a fault, named when it happens.
    static void Press(CUpdateRig& rig, UpdateEvent event, const char* pszWhat) {
        FinishWithin(20, pszWhat, [&] { rig.m_pEngine->StepUpdate(event); });
    }

    std::unique_ptr<CSer2NetServer> m_pServer;
    std::string m_strName;
};

TEST_F(NetworkUpdateTest, AFullUpdateOverRfc2217AndOverARawSocket) {
    for (bool bRfc2217 : {true, false}) {
        SCOPED_TRACE(bRfc2217 ? "rfc2217" : "socket");
        CUpdateRig rig{SimOptions()};
        Serve(rig, bRfc2217);
        const std::string file = MakeSRecordFile(40);
        rig.UseCodeFile(file);
        ASSERT_TRUE(rig.StartAndPowerOn()) << rig.m_window.m_strStatus << m_pServer->Log();
        ASSERT_TRUE(rig.RunToRest());
        EXPECT_EQ(rig.m_window.m_strStatus, "Update Complete.");
        EXPECT_EQ(rig.m_pSim->GetReceived(), file);
        EXPECT_TRUE(rig.m_window.HasLogged("StartUpdate: Port 5 opened"));
        Press(rig, StartPressed, "Done closing the port");
        EXPECT_EQ(rig.m_pEngine->GetState(), Idle);
    }
}

// A 0xFF reply travels as IAC IAC and must reach the engine as the one byte the equipment sent;
// the equipment's own error replies end the update as on a local port.
TEST_F(NetworkUpdateTest, RepliesReachTheEngineAsTheEquipmentSentThem) {
    const struct {
        const char* pszReply;
        const char* pszStatus;
        std::string strLog;
    } cases[] = {
        {"\xFF", "Fatal Error. Unexpected Reply Character from Saltir 24 ",
         "Wait Reply : Unexpected Reply Character " + VisibleByte(0xFF)},
        {"!", "Fatal Error. Saltir 24 Reports Comms Error", "Wait Reply : Comms Error"},
        {"<C", "Update Complete.", "Wait Reply : Address Low Error  @ Record 3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.strLog);
        SimOptions options;
        options.replyAt[3] = c.pszReply;
        CUpdateRig rig{options};
        Serve(rig, true);
        rig.UseCodeFile(MakeSRecordFile(5));
        ASSERT_TRUE(rig.StartAndPowerOn());
        ASSERT_TRUE(rig.RunToRest());
        EXPECT_EQ(rig.m_window.m_strStatus, c.pszStatus);
        EXPECT_TRUE(rig.m_window.HasLogged(c.strLog));
    }
}

TEST_F(NetworkUpdateTest, AServerThatIsDownOrBusyIsReportedAsTheWindowWordsIt) {
    CUpdateRig rig{SimOptions()};
    Serve(rig, true);
    rig.UseCodeFile(MakeSRecordFile(3));
    CSerialLine holder;
    FinishWithin(20, "the holder opening the port",
                 [&] { ASSERT_EQ(holder.OpenPort(m_strName.c_str(), true), 0u); });
    Press(rig, StartPressed, "Start");
    Press(rig, StartPressed, "Update failing on the port another client holds");
    EXPECT_EQ(rig.m_window.m_strStatus, "Unable to open Port 5. It is In Use. Error 5");
    EXPECT_NE(rig.m_window.Log(LogSystem).size(), 0u) << "no reason in the log";
    FinishWithin(20, "the holder closing the port", [&] { holder.ClosePort(); });
    Press(rig, CancelPressed, "Cancel");

    m_pServer->Kill();
    Press(rig, StartPressed, "Start");
    Press(rig, StartPressed, "Update failing on a server that is down");
    EXPECT_EQ(rig.m_window.m_strStatus, "Unable to open Port 5. It is Unavailable. Error 2");
}

// Killed mid-update the connection ends like an unplugged adapter: no more replies, the
// reply time-out ends it, and the port is free for the next try; the log names the server.
TEST_F(NetworkUpdateTest, Ser2NetKilledMidUpdateEndsAsASilentUnitAndFreesThePort) {
    SimOptions options;
    options.nReplyDelayMs = 5;
    CUpdateRig rig{options};
    Serve(rig, true);
    rig.UseCodeFile(MakeSRecordFile(200));
    rig.m_afterEvent = [&] {
        if (m_pServer->IsRunning() && rig.m_pSim->GetRecordsReceived() >= 20)
            m_pServer->Kill();
    };
    ASSERT_TRUE(rig.StartAndPowerOn());
    ASSERT_TRUE(rig.PumpUntil([&] { return !m_pServer->IsRunning(); }));
    rig.m_afterEvent = nullptr;
    const std::string hungUp =
        "Port 5 (" + m_strName + ") Hung Up: the server closed the network connection";
    EXPECT_TRUE(rig.PumpUntil([&] { return rig.m_window.HasLogged(hungUp); }, 5000))
        << "the closed connection was not named as such";
    rig.m_clock.Advance(10001);
    ASSERT_TRUE(rig.RunToRest());
    EXPECT_EQ(rig.m_pEngine->GetState(), ActionFail);
    EXPECT_EQ(
        rig.m_window.m_strStatus.rfind("Fatal Error. Comms Timeout with Saltir 24 @ Record ", 0),
        0u)
        << rig.m_window.m_strStatus;
    EXPECT_FALSE(rig.m_pEngine->GetState() == Idle);
    std::string why;
    ASSERT_TRUE(m_pServer->Start(why)) << why;
    Press(rig, CancelPressed, "Cancel closing the dead connection");
    EXPECT_EQ(rig.m_pEngine->GetState(), Idle);
    CSerialLine again;
    FinishWithin(20, "opening the port again", [&] {
        EXPECT_EQ(again.OpenPort(m_strName.c_str(), true), 0u)
            << "the old connection still holds it";
    });
}

} // namespace
