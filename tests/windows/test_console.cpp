// The cli's console on Windows: a file or the null device gets plain lines. (Wine's console
// without a display answers no mode or size queries, so a real console is not tried here.)
#include "platform/console.h"
#include "platform/testtempfolder.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace vantoro;

TEST(WindowsConsole, AFileAndTheNullDeviceAreNoTerminal) {
    test::CTempFolder tmp;
    std::FILE* pFile = std::fopen((tmp / "out.txt").c_str(), "w");
    ASSERT_NE(pFile, nullptr);
    std::size_t nColumns = 0;
    std::size_t nRows = 0;
    EXPECT_FALSE(IsVirtualTerminal(pFile));
    EXPECT_FALSE(GetTerminalSize(pFile, nColumns, nRows));
    std::fclose(pFile);
    // The C library calls the null device a terminal; the live block must not go there.
    std::FILE* pNull = std::fopen("NUL", "w");
    ASSERT_NE(pNull, nullptr);
    EXPECT_FALSE(IsVirtualTerminal(pNull));
    std::fclose(pNull);
}
