#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    // Tests run headless; a caller that wants a real display says so itself.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("VANTORO_BUILD_DIR", VANTORO_BUILD_DIR_DEFAULT, 0);
    setenv("VANTORO_SOURCE_DIR", VANTORO_SOURCE_DIR_DEFAULT, 0);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    return RUN_ALL_TESTS();
}
