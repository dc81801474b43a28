// Software file discovery and choice; the Saltir lists are checked through the main window.
#include "catalogue/ccatalogue.h"
#include "platform/testtempfolder.h"

#include <gtest/gtest.h>

#include <array>

using namespace vantoro;
using namespace vantoro::test;
using Names = std::vector<std::string>;

class FindSoftware : public ::testing::Test {
protected:
    void AddFiles(const Names& names) {
        for (const std::string& strName : names)
            WriteTextFile(m_tmp / strName, "S0\n");
    }
    CTempFolder m_tmp;
    std::vector<CTarget> m_targets = BuildCatalogue();
};

TEST_F(FindSoftware, VerrinFolderOffersOnlyFullVersionsNewestFirst) {
    AddFiles({"verv101.s19", "VERV120.S19", "verv11a.s19", "verv12.s19"});
    MakeFolder(m_tmp / "verv999.s19");
    CTarget& verrin = m_targets[1];
    ASSERT_TRUE(verrin.SetWorkingDirectory(m_tmp.Path()));
    EXPECT_EQ(verrin.FindSoftware(), (Names{"VERV120.S19", "verv101.s19"}));
    EXPECT_EQ(verrin.GetSoftwarePath(0), m_tmp / "VERV120.S19");
    EXPECT_EQ(verrin.GetSoftwarePath(1), m_tmp / "verv101.s19");
    EXPECT_EQ(verrin.GetSoftwarePath(2), "") << "an index outside the list gives no path";
}

TEST_F(FindSoftware, AVariantFileIsTheOnlyEntryWhateverItsName) {
    AddFiles({"verv101.s19"});
    CTarget& verrin = m_targets[1];
    ASSERT_TRUE(verrin.SetWorkingDirectory(m_tmp.Path()));
    // The file's name, and its folder for the directory field: Windows-style names split too.
    const std::array<std::string, 3> files[] = {
        {"D:\\tmp\\anything.bin", "anything.bin", "D:\\tmp\\"},
        {"/srv/code/other.txt", "other.txt", "/srv/code/"},
        {"D:x.s19", "x.s19", "D:"},
        {"a.s19", "a.s19", ""}};
    for (const auto& [strFile, strName, strDirectory] : files) {
        verrin.SetVariantFile(strFile);
        EXPECT_EQ(verrin.FindSoftware(), (Names{strName}));
        EXPECT_EQ(verrin.GetSoftwarePath(0), strFile);
        EXPECT_EQ(verrin.GetSoftwareDirectory(), strDirectory);
    }
    verrin.SetVariantFile(""); // a model change empties it: the folder is searched again
    EXPECT_EQ(verrin.FindSoftware(), (Names{"verv101.s19"}));
}

TEST_F(FindSoftware, TheListIsRebuiltOnEveryCallEvenWhenTheFolderGoes) {
    CTarget& verrin = m_targets[1];
    ASSERT_TRUE(verrin.SetWorkingDirectory(m_tmp.Path()));
    EXPECT_TRUE(verrin.FindSoftware().empty()) << "an empty folder is no error";
    AddFiles({"verv200.s19"});
    EXPECT_EQ(verrin.FindSoftware(), (Names{"verv200.s19"}));
    std::filesystem::remove_all(m_tmp.Path());
    EXPECT_TRUE(verrin.FindSoftware().empty());
}

TEST_F(FindSoftware, EveryNamedPairOfTheFilterIsSearchedAndShortFiltersNone) {
    // ID 114 has seven bars: brvav???.bk3 and plekcode.bk3 are both searched; 183 has none.
    AddFiles({"brvav123.bk3", "PLEKCODE.BK3", "other.bk3", "Saltir Series"});
    const VariantEntry rows[] = {{105, 114, nullptr}, {181, 183, nullptr}, {0, 0, nullptr}};
    CTarget target;
    target.AddVariants(rows);
    ASSERT_TRUE(target.SetWorkingDirectory(m_tmp.Path()));
    EXPECT_EQ(target.FindSoftware(), (Names{"brvav123.bk3", "PLEKCODE.BK3"}))
        << "without a sort function the search order stays: first pattern first";
    target.SetVariant(1);
    EXPECT_TRUE(target.FindSoftware().empty());
}

// Full versions newest first and the short ones dropped are shown by the folders above.
TEST(SortByVersion, ShortNamesGoAndCaseIsFoldedIntoAFixedOrder) {
    Names names{"verv", "", "VERV099.s19"};
    SortByVersionAt4(names);
    EXPECT_EQ(names, (Names{"VERV099.s19"}));
    Names saltir{"st24v105.s19", "st24v10.s19", "ST24V201.S19", "st24v"};
    SortByVersionAt5(saltir);
    EXPECT_EQ(saltir, (Names{"ST24V201.S19", "st24v105.s19"}));
    SortByVersionAt4(saltir); // position 4 is the 'v'
    EXPECT_TRUE(saltir.empty());

    // Folded to lower case, '_' (0x5F) sorts below 'a' (0x61); unfolded 'A' (0x41) would not.
    names = {"verv100_.s19", "verv100A.s19"};
    SortByVersionAt4(names);
    EXPECT_EQ(names, (Names{"verv100A.s19", "verv100_.s19"}));
    Names a{"VERV120.S19", "verv120.s19"};
    Names b{"verv120.s19", "VERV120.S19"};
    SortByVersionAt4(a);
    SortByVersionAt4(b);
    EXPECT_EQ(a, b);
}
