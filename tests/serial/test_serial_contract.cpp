#include "ptypair.h"
#include "serial/cserialwndadapter.h"
#include "serial/serialcontract.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace vantoro;

namespace {

const char* const kContractText =
    "Serial library: Timeouts are not supported, when SERIAL_NO_CANCELIO is defined";

} // namespace

// The exit status keeps the low byte of the documented code.
TEST(SerialTimeoutContractDeathTest, AnyTimeoutButZeroOrInfiniteEndsTheProcess) {
    CSerialLine closed;
    char buffer[4];
    EXPECT_EXIT(closed.WriteBytes("x", 1, nullptr, nullptr, 5),
                ::testing::ExitedWithCode(kContractExitCode & 0xFF), kContractText);
    EXPECT_EXIT(closed.ReadBytes(buffer, 4, nullptr, nullptr, 1000),
                ::testing::ExitedWithCode(kContractExitCode & 0xFF), kContractText);
    EXPECT_EXIT(closed.WriteText("x", nullptr, nullptr, INFINITE - 1),
                ::testing::ExitedWithCode(kContractExitCode & 0xFF), kContractText);

    CPtyPair pty;
    CSerialWndAdapter open;
    ASSERT_EQ(open.OpenForWindowObject(pty.SlavePath().c_str(), nullptr, 0, 0), 0u);
    EXPECT_EXIT(open.WaitForEvent(nullptr, 1), ::testing::ExitedWithCode(kContractExitCode & 0xFF),
                kContractText);
}

TEST(SerialTimeoutContractDeathTest, InstalledHandlerShowsCaptionAndTextBeforeTheEnd) {
    EXPECT_EXIT(
        {
            SetContractViolationHandler([](const std::string& caption, const std::string& text) {
                std::fprintf(stderr, "box[%s][%s]", caption.c_str(), text.c_str());
            });
            CSerialLine line;
            line.ReadBytes(nullptr, 0, nullptr, nullptr, 2);
        },
        ::testing::ExitedWithCode(kContractExitCode & 0xFF),
        "box\\[Serial library\\]\\[Timeouts are not supported, when SERIAL_NO_CANCELIO is "
        "defined\\]");
}
