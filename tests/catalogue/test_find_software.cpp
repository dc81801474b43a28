// Software file discovery and choice.
#include "catalogue/ccatalogue.h"
#include "platform/testtempfolder.h"

#include <gtest/gtest.h>

using namespace vantoro;
using vantoro::test::CTempFolder;
using vantoro::test::MakeFolder;
using vantoro::test::WriteTextFile;

using Names = std::vector<std::string>;

class FindSoftware : public ::testing::Test {
protected:
    void SetUp() override { m_targets = BuildCatalogue(); }

    void AddFiles(const Names& names) {
        for (const std::string& strName : names)
            WriteTextFile(m_tmp / strName, "S0\n");
    }

    CTempFolder m_tmp;
    std::vector<CTarget> m_targets;
};

TEST_F(FindSoftware, VerrinFolderOffersOnlyFullVersionsNewestFirst) {
    AddFiles({"verv101.s19", "VERV120.S19", "verv11a.s19", "verv12.s19"});
    MakeFolder(m_tmp / "verv999.s19");
    CTarget& verrin = m_targets[1];
    ASSERT_TRUE(verrin.SetWorkingDirectory(m_tmp.Path()));
    EXPECT_EQ(verrin.FindSoftware(), (Names{"VERV120.S19", "verv101.s19"}));
    EXPECT_EQ(verrin.GetSoftwarePath(0), m_tmp / "VERV120.S19");
    EXPECT_EQ(verrin.GetSoftwarePath(1), m_tmp / "verv101.s19");
}

TEST_F(FindSoftware, SaltirModelSeesOnlyItsOwnPattern) {
    AddFiles({"st24v105.s19", "st48v200.s19", "ST24V099.S19", "sx96v300.s19"});
    CTarget& saltir = m_targets[0];
    ASSERT_TRUE(saltir.SetWorkingDirectory(m_tmp.Path()));
    EXPECT_EQ(saltir.FindSoftware(), (Names{"st24v105.s19", "ST24V099.S19"}));
    saltir.SetVariant(1);
    EXPECT_EQ(saltir.FindSoftware(), (Names{"st48v200.s19"}));
    saltir.SetVariant(3);
    EXPECT_EQ(saltir.FindSoftware(), (Names{"sx96v300.s19"}));
    saltir.SetVariant(2);
    EXPECT_TRUE(saltir.FindSoftware().empty());
}

TEST_F(FindSoftware, AVariantFileIsTheOnlyEntryWhateverItsName) {
    AddFiles({"verv101.s19"});
    CTarget& verrin = m_targets[1];
    ASSERT_TRUE(verrin.SetWorkingDirectory(m_tmp.Path()));
    verrin.SetVariantFile("D:\\tmp\\anything.bin");
    EXPECT_EQ(verrin.FindSoftware(), (Names{"anything.bin"}));
    EXPECT_EQ(verrin.GetSoftwarePath(0), "D:\\tmp\\anything.bin");

    verrin.SetVariantFile("/srv/code/other.txt");
    EXPECT_EQ(verrin.FindSoftware(), (Names{"other.txt"}));
    EXPECT_EQ(verrin.GetSoftwarePath(0), "/srv/code/other.txt");

    verrin.SetVariantFile("D:x.s19");
    EXPECT_EQ(verrin.FindSoftware(), (Names{"x.s19"}));
    EXPECT_EQ(verrin.GetSoftwarePath(0), "D:x.s19");

    verrin.SetVariantFile(""); // a model change empties it: the folder is searched again
    EXPECT_EQ(verrin.FindSoftware(), (Names{"verv101.s19"}));
}

TEST_F(FindSoftware, TheListIsRebuiltOnEveryCall) {
    CTarget& verrin = m_targets[1];
    ASSERT_TRUE(verrin.SetWorkingDirectory(m_tmp.Path()));
    EXPECT_TRUE(verrin.FindSoftware().empty()) << "an empty folder is no error";
    AddFiles({"verv200.s19"});
    EXPECT_EQ(verrin.FindSoftware(), (Names{"verv200.s19"}));
    std::filesystem::remove(m_tmp / "verv200.s19");
    EXPECT_TRUE(verrin.FindSoftware().empty());
    EXPECT_EQ(verrin.GetSoftwarePath(0), "") << "an index outside the list gives no path";
}

TEST_F(FindSoftware, AFolderThatDoesNotExistGivesAnEmptyList) {
    CTarget& verrin = m_targets[1];
    ASSERT_TRUE(verrin.SetWorkingDirectory(m_tmp.Path()));
    AddFiles({"verv200.s19"});
    std::filesystem::remove_all(m_tmp.Path());
    EXPECT_TRUE(verrin.FindSoftware().empty());
}

TEST_F(FindSoftware, AFilterWithFewerThanFiveBarsSearchesNothing) {
    AddFiles({"Saltir Series", "verv101.s19"});
    const VariantEntry rows[] = {{181, 183, nullptr}, {0, 0, nullptr}}; // 183 has no bar
    CTarget target;
    target.AddVariants(rows);
    ASSERT_TRUE(target.SetWorkingDirectory(m_tmp.Path()));
    EXPECT_TRUE(target.FindSoftware().empty());
}

TEST_F(FindSoftware, EveryNamedPairOfTheFilterIsSearched) {
    // ID 114 has seven bars: brvav???.bk3 and plekcode.bk3 are both searched.
    AddFiles({"brvav123.bk3", "PLEKCODE.BK3", "other.bk3"});
    const VariantEntry rows[] = {{105, 114, nullptr}, {0, 0, nullptr}};
    CTarget target;
    target.AddVariants(rows);
    ASSERT_TRUE(target.SetWorkingDirectory(m_tmp.Path()));
    EXPECT_EQ(target.FindSoftware(), (Names{"brvav123.bk3", "PLEKCODE.BK3"}))
        << "without a sort function the search order stays: first pattern first";
}

TEST(SortByVersion, RemovesNamesWithoutThreeDigitsThenSortsDescendingIgnoringCase) {
    Names names{"verv12.s19", "verv101.s19", "VERV120.S19", "verv11a.s19", "verv",
                "",           "VERV099.s19", "verv100.s19"};
    SortByVersionAt4(names);
    EXPECT_EQ(names, (Names{"VERV120.S19", "verv101.s19", "verv100.s19", "VERV099.s19"}));

    Names saltir{"st24v105.s19", "st24v10.s19", "ST24V201.S19", "st24v1x5.s19", "st24v"};
    SortByVersionAt5(saltir);
    EXPECT_EQ(saltir, (Names{"ST24V201.S19", "st24v105.s19"}));

    Names atFour{"st24v105.s19"}; // position 4 is the 'v'
    SortByVersionAt4(atFour);
    EXPECT_TRUE(atFour.empty());
}

TEST(SortByVersion, NamesEqualButForCaseGetAFixedOrder) {
    Names a{"VERV120.S19", "verv120.s19"};
    Names b{"verv120.s19", "VERV120.S19"};
    SortByVersionAt4(a);
    SortByVersionAt4(b);
    EXPECT_EQ(a, b);
}

TEST(SortByVersion, CaseFoldingPutsUnderscoreAfterLetters) {
    // Folded to lower case, '_' (0x5F) sorts below 'a' (0x61); unfolded 'A' (0x41) would not.
    Names names{"verv100_.s19", "verv100A.s19"};
    SortByVersionAt4(names);
    EXPECT_EQ(names, (Names{"verv100A.s19", "verv100_.s19"}));
}
