#include "chostileserver.h"
#include "cser2netserver.h"
#include "serial/cnetworkconnector.h"
#include "serial/cnetworkline.h"
#include "serial/cserialline.h"
#include "serial/serialtypes.h"
#include "updaterig.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <sys/resource.h>
#include <thread>

using namespace vantoro;

namespace {

using Clock = std::chrono::steady_clock;
using Behaviour = CHostileServer::Behaviour;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// AddressSanitizer keeps freed memory in quarantine, so under it the peak grows with all that
// was ever allocated, not with what is held: the bound is the plain build's to check.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kRssGrowthBoundKb = 64 * 1024;
#else
constexpr long kRssGrowthBoundKb = 8 * 1024;
#endif

long PeakRssKb() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct HostileCase {
    const char* pszName;
    Behaviour behaviour;
    bool bRfc2217;
    double dLimitS;      // the documented bound of the set-up, before slack for a loaded machine
    const char* pszWord; // what the failure must say
};

void PrintTo(const HostileCase& c, std::ostream* pOut) {
    *pOut << c.pszName;
}

// Each server keeps misbehaving for 15 s; a set-up that waits for it to stop is the fault.
class HostileServerTest : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileServerTest, SetUpEndsInItsTimeWithBoundedMemoryAndIsNeverInUse) {
    const HostileCase& c = GetParam();
    CHostileServer server(c.behaviour);
    const std::string name = server.Name(c.bRfc2217);
    ASSERT_FALSE(name.empty()) << "no loopback socket for the server";
    const long rssBefore = PeakRssKb();
    const Clock::time_point start = Clock::now();
    CNetworkLine::Outcome outcome;
    std::unique_ptr<CNetworkLine> line = CNetworkLine::Connect(name, outcome);
    const double seconds = SecondsSince(start);

    EXPECT_EQ(line, nullptr) << name << " counted as an open port";
    EXPECT_LT(seconds, c.dLimitS + 1.5) << "set-up against " << c.pszName << " took too long";
    EXPECT_LT(PeakRssKb() - rssBefore, kRssGrowthBoundKb) << "memory grew while " << c.pszName;
    EXPECT_NE(outcome.nCheck, PortInUse) << outcome.strCause;
    EXPECT_NE(outcome.strCause.find(c.pszWord), std::string::npos) << outcome.strCause;
}

INSTANTIATE_TEST_SUITE_P(
    Servers, HostileServerTest,
    ::testing::Values(
        HostileCase{"FloodOf0xFF", Behaviour::FloodFF, true, 3.0, "floods"},
        HostileCase{"RawDataFlood", Behaviour::FloodData, false, 0.25, "floods"},
        HostileCase{"TelnetCommandFlood", Behaviour::CommandFlood, true, 3.0, "floods"},
        HostileCase{"EndlessSubnegotiation", Behaviour::EndlessSubneg, true, 3.0, "subnegotiation"},
        HostileCase{"SilentServer", Behaviour::Silent, true, 3.0, "No RFC 2217"}),
    [](const ::testing::TestParamInfo<HostileCase>& info) { return info.param.pszName; });

// A caller that gives up (Ctrl-C, Cancel, a closing window) has its thread back at once.
TEST(NetworkSetUpTest, AnAbandonedSetUpReturnsWithinAFewTensOfMilliseconds) {
    CHostileServer server(Behaviour::Silent);
    std::atomic<bool> bAbandon{false};
    std::thread giver([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        bAbandon.store(true);
    });
    const Clock::time_point start = Clock::now();
    CNetworkLine::Outcome outcome;
    EXPECT_EQ(CNetworkLine::Connect(server.Name(true), outcome, &bAbandon), nullptr);
    const double seconds = SecondsSince(start);
    giver.join();
    EXPECT_LT(seconds, 1.0) << "the set-up went on after it was given up";
    EXPECT_EQ(outcome.nError, CNetworkLine::kErrorAbandoned) << outcome.strCause;
}

// The window's thread starts the check and stays free; the port's own check and open then take
// what the worker found instead of waiting for the server a second time.
TEST(NetworkSetUpTest, AConnectorChecksOnItsOwnThreadAndItsAnswerServesTheNextProbe) {
    CHostileServer silent(Behaviour::Silent);
    const std::string name = silent.Name(true);
    std::atomic<bool> bCalled{false};
    CNetworkConnector connector(name, [&] { bCalled.store(true); });
    EXPECT_FALSE(connector.WaitDone(200)) << "a silent server answered";
    ASSERT_TRUE(connector.WaitDone(10000)) << "the check never finished";
    EXPECT_TRUE(bCalled.load());
    EXPECT_EQ(connector.Result().nError, kErrorTimeout) << connector.Result().strCause;

    const Clock::time_point start = Clock::now();
    std::uint32_t error = 0;
    std::string cause;
    EXPECT_EQ(CSerialLine::ProbePort(name.c_str(), &error, &cause), PortUnknown);
    EXPECT_LT(SecondsSince(start), 0.5) << "the probe asked the silent server again";
    EXPECT_EQ(error, kErrorTimeout);
    EXPECT_EQ(cause, connector.Result().strCause);

    // One given up half-way holds nothing: its destructor returns at once.
    CHostileServer other(Behaviour::Silent);
    const Clock::time_point abandoned = Clock::now();
    { CNetworkConnector gone(other.Name(true)); }
    EXPECT_LT(SecondsSince(abandoned), 1.0);
}

} // namespace

namespace {

// The window's way: Update returns at once while the server is asked, Cancel gives it up at
// once, and a server that answers leads to the same update as a local port.
TEST(NetworkSetUpTest, TheEngineConnectsAsideSoItsThreadNeverWaitsForTheServer) {
    CUpdateRig rig{SimOptions()};
    rig.m_pEngine->SetConnectNetworkPortsAside(true);
    const std::string file = MakeSRecordFile(12);
    rig.UseCodeFile(file);
    const std::string link = rig.Dir() + "/dosdevices/com5";
    {
        CHostileServer silent(Behaviour::Silent);
        std::filesystem::remove(link);
        std::filesystem::create_symlink(silent.Name(true), link);
        rig.m_pEngine->StepUpdate(StartPressed);
        Clock::time_point start = Clock::now();
        rig.m_pEngine->StepUpdate(StartPressed);
        EXPECT_LT(SecondsSince(start), 0.5) << "Update waited for a silent server";
        EXPECT_TRUE(rig.m_pEngine->IsConnectingNetworkPort());
        EXPECT_EQ(rig.m_pEngine->GetState(), StartUpdate);
        start = Clock::now();
        rig.m_pEngine->StepUpdate(CancelPressed);
        EXPECT_LT(SecondsSince(start), 0.5) << "Cancel waited for the connection";
        EXPECT_EQ(rig.m_pEngine->GetState(), Idle);
    }
    CSer2NetServer server(rig.Dir());
    const std::string name = server.Add(rig.m_pSim->GetDevicePath(), true);
    std::string why;
    ASSERT_TRUE(server.Start(why)) << why;
    std::filesystem::remove(link);
    std::filesystem::create_symlink(name, link);
    rig.m_pEngine->StepUpdate(StartPressed);
    rig.m_pEngine->StepUpdate(StartPressed);
    ASSERT_TRUE(rig.PumpUntil([&] { return rig.m_pEngine->GetState() != StartUpdate; }))
        << "the worker's answer never reached the engine";
    ASSERT_EQ(rig.m_pEngine->GetState(), WaitForTarget) << rig.m_window.m_strStatus;
    rig.m_pSim->PowerOn();
    ASSERT_TRUE(rig.RunToRest());
    EXPECT_EQ(rig.m_window.m_strStatus, "Update Complete.");
    EXPECT_EQ(rig.m_pSim->GetReceived(), file);
}

} // namespace
