#include "fuzz/checks/clicheck.h"
#include "fuzz/checks/enginecheck.h"
#include "fuzz/checks/filecheckcheck.h"
#include "fuzz/checks/portnumberingcheck.h"
#include "fuzz/checks/profilecheck.h"
#include "fuzz/checks/replylogcheck.h"
#include "fuzz/checks/srecordcheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace vantoro;

namespace {

using CheckFunction = std::string (*)(const std::uint8_t*, std::size_t);

struct FuzzTarget {
    const char* pszName;
    CheckFunction pfnCheck;
};

void PrintTo(const FuzzTarget& target, std::ostream* pStream) {
    *pStream << target.pszName;
}

std::string PrintTarget(const testing::TestParamInfo<FuzzTarget>& info) {
    return info.param.pszName;
}

// Every seed and every kept crash input of one target, in a stable order.
std::vector<std::filesystem::path> KeptInputs(const std::string& strTarget) {
    std::vector<std::filesystem::path> files;
    for (const char* pszKind : {"corpus", "regressions"}) {
        const std::filesystem::path folder =
            std::filesystem::path(VANTORO_FUZZ_DATA_DIR) / pszKind / strTarget;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

class FuzzRegressionTest : public testing::TestWithParam<FuzzTarget> {};

TEST_P(FuzzRegressionTest, EveryKeptInputKeepsEveryPromise) {
    const std::vector<std::filesystem::path> files = KeptInputs(GetParam().pszName);
    // Each target ships seeds; an empty list would mean the inputs were not found at all.
    ASSERT_FALSE(files.empty()) << "no inputs under " << VANTORO_FUZZ_DATA_DIR;
    for (const std::filesystem::path& file : files) {
        std::ifstream stream(file, std::ios::binary);
        const std::string strBytes{std::istreambuf_iterator<char>(stream),
                                   std::istreambuf_iterator<char>()};
        const std::string strFault = GetParam().pfnCheck(
            reinterpret_cast<const std::uint8_t*>(strBytes.data()), strBytes.size());
        EXPECT_EQ(strFault, "") << file.string();
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegressionTest,
                         testing::Values(FuzzTarget{"profile", &CheckProfileInput},
                                         FuzzTarget{"srecord", &CheckSRecordInput},
                                         FuzzTarget{"engine", &CheckEngineInput},
                                         FuzzTarget{"replylog", &CheckReplyLogInput},
                                         FuzzTarget{"portnumbering", &CheckPortNumberingInput},
                                         FuzzTarget{"cli", &CheckCliInput},
                                         FuzzTarget{"filecheck", &CheckFileCheckInput}),
                         PrintTarget);

} // namespace
