#include "platform/cmessageregistry.h"
#include "platform/ctickclock.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

using namespace vantoro;

TEST(TickClock, WrapsAndDifferencesStayUnsigned32Bit) {
    CFakeTickSource clock(0xFFFFFF00u);
    std::uint32_t start = clock.GetTickCount();
    clock.Advance(0x200);
    EXPECT_EQ(clock.GetTickCount(), 0x100u);
    EXPECT_EQ(clock.GetTickCount() - start, 0x200u);

    std::uint32_t a = SystemTicks().GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::uint32_t b = SystemTicks().GetTickCount();
    EXPECT_GE(b - a, 4u);
    EXPECT_LT(b - a, 5000u);
}

TEST(MessageRegistry, SameNameSameNumberWhateverTheCaseAndThread) {
    auto& reg = CMessageRegistry::Instance();
    std::uint32_t first = reg.RegisterMessage("CSerialWnd_DefaultComMsg");
    EXPECT_GE(first, CMessageRegistry::kFirstRegistered);
    EXPECT_EQ(reg.RegisterMessage("cserialwnd_defaultcommsg"), first);
    EXPECT_NE(reg.RegisterMessage("Another"), first);
    EXPECT_EQ(reg.RegisterMessage(""), 0u);

    std::vector<std::thread> threads;
    std::vector<std::uint32_t> got(8);
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&, i] { got[i] = reg.RegisterMessage("RaceName"); });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(std::set<std::uint32_t>(got.begin(), got.end()).size(), 1u);
}
