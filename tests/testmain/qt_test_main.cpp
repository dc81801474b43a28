#include <gtest/gtest.h>

#include <QApplication>
#include <QStyleFactory>
#include <cstdlib>

int main(int argc, char** argv) {
    // Widget tests run headless with a fixed style and scale, so pixels compare across machines.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("VANTORO_BUILD_DIR", VANTORO_BUILD_DIR_DEFAULT, 0);
    setenv("VANTORO_SOURCE_DIR", VANTORO_SOURCE_DIR_DEFAULT, 0);
    setenv("QT_SCALE_FACTOR", "1", 1);
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    return RUN_ALL_TESTS();
}
