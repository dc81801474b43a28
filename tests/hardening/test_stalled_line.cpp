// Equipment that stops taking bytes while a record is written: the window's thread (here the
// test's) must never wait for it. The update ends at the reply time-out as a silent unit does,
// and the port closes at once, back as it was found.
#include "hardrig.h"
#include "integration/cstallingdevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>

using namespace vantoro;

TEST(StalledLine, ARecordThePortDoesNotTakeEndsAtTheReplyTimeOutAndHoldsNothing) {
    CUpdateRig rig;
    rig.UseCodeFile(MakeSRecordFile(4, 200)); // records longer than any line discipline's slack
    std::filesystem::create_directories(rig.Dir() + "/dosdevices");
    CStallingDevice device(rig.Dir() + "/dosdevices/com5");
    ASSERT_TRUE(device.IsValid());
    UpdateEngine& engine = *rig.m_pEngine;
    engine.StepUpdate(StartPressed);
    engine.StepUpdate(StartPressed);
    ASSERT_EQ(engine.GetState(), WaitForTarget);
    device.PowerOn();

    // A write that blocks would hold this thread: the pump runs apart and a bounded wait lets
    // the device go again, so the test fails instead of hanging.
    auto pump = std::async(std::launch::async, [&] {
        return rig.PumpUntil([&] { return device.IsStalled() && engine.GetState() == WaitReply; });
    });
    const bool bReturned = pump.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    device.Release();
    ASSERT_TRUE(bReturned) << "the engine's thread blocked writing to a full line";
    ASSERT_TRUE(pump.get());
    // The equipment did not take the record, yet the engine waits for its reply, ticking.
    rig.m_pEngine->StepUpdate(IdleTick);
    EXPECT_EQ(engine.GetState(), WaitReply);

    rig.m_clock.Advance(engine.GetReplyTimeout() + 1);
    engine.StepUpdate(IdleTick);
    EXPECT_EQ(engine.GetState(), ActionFail);
    EXPECT_EQ(rig.m_window.m_strStatus, "Fatal Error. Comms Timeout with Saltir 24 @ Record 1");
    EXPECT_TRUE(rig.m_window.HasLogged("Wait Reply : Target Comms Timeout"));
    const std::vector<std::string> system = rig.m_window.Log(LogSystem);
    ASSERT_EQ(system.size(), 1u);
    EXPECT_EQ(system[0].rfind("Wait Reply : Record 1 not sent, the port took no more (", 0), 0u)
        << system[0];
    EXPECT_FALSE(engine.IsPortOpen());
}
