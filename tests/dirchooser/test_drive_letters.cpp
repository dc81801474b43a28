#include "dirchooser/driveletters.h"

#include <gtest/gtest.h>

#include <map>

using namespace vantoro;

// The logical-drive mask as Windows gives it: bit 0 is A:, bit 25 is Z:, higher bits mean nothing.
TEST(DriveLetters, MaskGivesLettersInOrderWithTheirTypesAndDropsUnusableOnes) {
    const std::map<std::string, int> types = {{"A:\\", DriveRemovable},  {"C:\\", DriveFixed},
                                              {"D:\\", DriveCdrom},      {"E:\\", 1 /* no root */},
                                              {"F:\\", 0 /* unknown */}, {"Z:\\", DriveRemote}};
    std::vector<std::string> asked;
    const auto drives = DrivesFromMask(0xFE00003Du /* A C D E F Z and bits 26-31 */,
                                       [&](const std::string& strRoot) {
                                           asked.push_back(strRoot);
                                           const auto it = types.find(strRoot);
                                           return it == types.end() ? -1 : it->second;
                                       });
    EXPECT_EQ(asked, (std::vector<std::string>{"A:\\", "C:\\", "D:\\", "E:\\", "F:\\", "Z:\\"}));
    ASSERT_EQ(drives.size(), 4u);
    const std::vector<std::pair<std::string, int>> expected = {
        {"A:", DriveRemovable}, {"C:", DriveFixed}, {"D:", DriveCdrom}, {"Z:", DriveRemote}};
    for (size_t i = 0; i < drives.size(); ++i) {
        EXPECT_EQ(drives[i].strRoot, expected[i].first);
        EXPECT_EQ(drives[i].nType, expected[i].second);
    }
    EXPECT_TRUE(DrivesFromMask(0, [](const std::string&) { return DriveFixed; }).empty());
}

// Shares travel between the chooser and Windows' network calls; the name must survive the trip.
TEST(DriveLetters, NetworkNamesTravelBetweenUncAndTheChoosersForm) {
    EXPECT_EQ(NetworkNameFromUnc("\\\\srv\\Line 1"), "//srv/Line 1");
    EXPECT_EQ(UncFromNetworkName(NetworkNameFromUnc("\\\\srv\\share")), "\\\\srv\\share");
}
