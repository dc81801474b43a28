// The equipment hanging up at a random byte of the conversation: every update ends as documented,
// none hangs, and none leaves a descriptor or a thread behind. VANTORO_HANGUPS sets how many
// (20 by default; the benchmark runs 200), VANTORO_HANGUP_SEED the seed.
#include "hardrig.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>

using namespace vantoro;

namespace {

unsigned long EnvNumber(const char* pszName, unsigned long nDefault) {
    const char* pszValue = std::getenv(pszName);
    return pszValue != nullptr && *pszValue != '\0' ? std::strtoul(pszValue, nullptr, 10)
                                                    : nDefault;
}

} // namespace

TEST(RandomHangupTest, EveryHangupEndsAsDocumentedWithoutLeaks) {
    const unsigned long nCount = EnvNumber("VANTORO_HANGUPS", 20);
    const unsigned long nSeed = EnvNumber("VANTORO_HANGUP_SEED", 20261206);
    std::printf("random hang-ups: %lu, seed %lu\n", nCount, nSeed);
    RecordProperty("seed", std::to_string(nSeed));
    std::mt19937 random(static_cast<std::mt19937::result_type>(nSeed));
    const std::string strFile = MakeSRecordFile(6);
    // Every byte the equipment receives: the handshake text, then the records.
    const long long nBytes = 7 + static_cast<long long>(strFile.size());
    std::uniform_int_distribution<long long> pickByte(1, nBytes);

    for (int nPlatform : {0, 1}) {
        CHardRig rig(nPlatform);
        // One ordinary update first, so that whatever a first thread brings along (a sanitizer's
        // own helper thread, say) is there at the start too.
        std::string strWhy;
        ASSERT_TRUE(rig.RunCleanUpdate(strWhy)) << strWhy;
        rig.StopSim();
        const ProcessSample start = SampleProcess();
        for (unsigned long n = nPlatform; n < nCount; n += 2) {
            const long long nByte = pickByte(random);
            const HangupOutcome outcome = RunHangupUpdate(rig, strFile, nByte);
            EXPECT_TRUE(outcome.bAsDocumented) << outcome.strWhy;
            EXPECT_TRUE(outcome.bNoLeak) << outcome.strWhy;
        }
        rig.StopSim();
        const ProcessSample end = SampleProcess();
        EXPECT_EQ(end.nDescriptors, start.nDescriptors);
        EXPECT_EQ(end.nThreads, start.nThreads);
        EXPECT_TRUE(rig.RunCleanUpdate(strWhy)) << strWhy;
    }
}
