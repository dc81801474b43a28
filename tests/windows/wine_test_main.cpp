#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// As the Linux suites' main: a test run by hand finds the build and the sources too.
void SetDefault(const char* pszName, const char* pszValue) {
    if (std::getenv(pszName) == nullptr)
        ::_putenv_s(pszName, pszValue);
}

} // namespace

int main(int argc, char** argv) {
    SetDefault("VANTORO_BUILD_DIR", VANTORO_BUILD_DIR_DEFAULT);
    SetDefault("VANTORO_SOURCE_DIR", VANTORO_SOURCE_DIR_DEFAULT);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
