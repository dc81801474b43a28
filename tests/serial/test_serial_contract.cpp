#include "ptypair.h"
#include "serial/cserialwndadapter.h"
#include "serial/serialcontract.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace vantoro;

// The exit status keeps the low byte of the documented code.
TEST(SerialTimeoutContractDeathTest, AnyTimeoutButZeroOrInfiniteShowsTheTextAndEndsTheProcess) {
    const auto exited = ::testing::ExitedWithCode(kContractExitCode & 0xFF);
    const char* pszText =
        "Serial library: Timeouts are not supported, when SERIAL_NO_CANCELIO is defined";
    CSerialLine closed;
    char buffer[4];
    EXPECT_EXIT(closed.WriteBytes("x", 1, nullptr, nullptr, 5), exited, pszText);
    EXPECT_EXIT(closed.ReadBytes(buffer, 4, nullptr, nullptr, 1000), exited, pszText);
    EXPECT_EXIT(closed.WriteText("x", nullptr, nullptr, INFINITE - 1), exited, pszText);

    CPtyPair pty;
    CSerialWndAdapter open;
    ASSERT_EQ(open.OpenForWindowObject(pty.SlavePath().c_str(), nullptr, 0, 0), 0u);
    EXPECT_EXIT(open.WaitForEvent(nullptr, 1), exited, pszText);

    // Through a handler the front end installs: caption and text apart.
    EXPECT_EXIT(
        {
            SetContractViolationHandler([](const std::string& caption, const std::string& text) {
                std::fprintf(stderr, "box[%s][%s]", caption.c_str(), text.c_str());
            });
            closed.ReadBytes(nullptr, 0, nullptr, nullptr, 2);
        },
        exited,
        "box\\[Serial library\\]\\[Timeouts are not supported, when SERIAL_NO_CANCELIO is "
        "defined\\]");
}
