// The command line's loop on Windows: notifications from any thread arrive in order and wake it
// at once; Ctrl-C interrupts it as SIGINT does on Linux.
#include "cli/ccliloop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <windows.h>

using namespace vantoro;

namespace {

using Clock = std::chrono::steady_clock;

// Waits (bounded) until the loop says it was interrupted.
bool WaitForInterrupt(CCliLoop& loop, std::vector<CCliLoop::Notification>& out) {
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
        if (loop.Wait(100, out))
            return true;
    }
    return false;
}

} // namespace

TEST(WindowsCliLoop, NotificationsOfManyThreadsArriveInOrderAndWakeTheWaitAtOnce) {
    CCliLoop loop;
    std::vector<std::thread> posters;
    for (int nUnit = 0; nUnit < 3; ++nUnit) {
        posters.emplace_back([&loop, nUnit] {
            for (int i = 0; i < 200; ++i)
                loop.Post(nUnit, static_cast<std::uintptr_t>(i), 0);
        });
    }
    std::vector<CCliLoop::Notification> all;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (all.size() < 600 && Clock::now() < deadline)
        EXPECT_FALSE(loop.Wait(60000, all)); // a minute each, were nothing to wake it
    for (std::thread& poster : posters)
        poster.join();
    ASSERT_EQ(all.size(), 600u);
    std::uintptr_t next[3] = {0, 0, 0};
    for (const CCliLoop::Notification& n : all)
        EXPECT_EQ(n.wParam, next[n.nUnit]++) << "unit " << n.nUnit;
    EXPECT_FALSE(loop.IsInterrupted());
}

// (Wine 8 refuses to generate Ctrl-Break, so only Ctrl-C is sent here.)
TEST(WindowsCliLoop, CtrlCInterruptsAsSigintAndKeepsWhatWasPosted) {
    // Console events go to the programs of a console: run from a pipe, the test makes its own.
    ::FreeConsole();
    ASSERT_TRUE(::AllocConsole()) << ::GetLastError();
    CCliLoop loop;
    loop.Post(7, 1, 2);
    ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << ::GetLastError();
    std::vector<CCliLoop::Notification> out;
    ASSERT_TRUE(WaitForInterrupt(loop, out)) << "the console event never reached the loop";
    EXPECT_EQ(loop.InterruptSignal(), 2);
    ASSERT_EQ(out.size(), 1u) << "a notification posted before was lost";
    EXPECT_EQ(out[0].nUnit, 7);
}
