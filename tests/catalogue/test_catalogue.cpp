#include "catalogue/ccatalogue.h"
#include "catalogue/cstringtable.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace vantoro;

TEST(Catalogue, TwoPlatformsInTableOrder) {
    std::vector<CTarget> targets = BuildCatalogue();
    ASSERT_EQ(targets.size(), 2u);
    EXPECT_EQ(StringFromId(targets[0].GetNameId()), "Saltir Series");
    EXPECT_EQ(StringFromId(targets[1].GetNameId()), "Verrin Series");
}

TEST(Catalogue, ModelsOfEachPlatformInOrder) {
    std::vector<CTarget> targets = BuildCatalogue();
    ASSERT_EQ(targets.size(), 2u);
    const CTarget& saltir = targets[0];
    ASSERT_EQ(saltir.GetVariantCount(), 4);
    const char* saltirModels[] = {"Saltir 24", "Saltir 48", "Saltir 48XT", "Saltir 96XT"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(StringFromId(saltir.GetVariantNameId(i)), saltirModels[i]);
    EXPECT_EQ(saltir.GetVariantNameId(4), 0);
    EXPECT_EQ(StringFromId(saltir.GetVariantNameId(4)), "");
    EXPECT_EQ(saltir.GetVariantNameId(-1), 0);

    const CTarget& verrin = targets[1];
    ASSERT_EQ(verrin.GetVariantCount(), 1);
    EXPECT_EQ(StringFromId(verrin.GetVariantNameId(0)), "Verrin");
    EXPECT_EQ(verrin.GetVariantNameId(1), 0);
}

TEST(Catalogue, PlatformTextsAndLineConstants) {
    std::vector<CTarget> targets = BuildCatalogue();
    ASSERT_EQ(targets.size(), 2u);
    EXPECT_EQ(StringFromId(targets[0].GetDetectTextId()), "\n");
    EXPECT_EQ(StringFromId(targets[1].GetDetectTextId()), "ceL\n");
    for (const CTarget& target : targets) {
        EXPECT_EQ(StringFromId(target.GetHandshakeTextId()), "QduKanZ");
        EXPECT_EQ(std::atoi(StringFromId(target.GetBaudRateId()).c_str()), 57600);
        EXPECT_EQ(StringFromId(target.GetCompleteStatusId()), "Update Complete.");
        EXPECT_EQ(StringFromId(target.GetCompleteActionId()), "Press Done To Continue.");
    }
    EXPECT_EQ(targets[0].GetDetectTextId(), 137);
    EXPECT_EQ(targets[0].GetHandshakeTextId(), 140);
    EXPECT_EQ(targets[0].GetBaudRateId(), 143);
    EXPECT_EQ(targets[0].GetCompleteStatusId(), 151);
    EXPECT_EQ(targets[0].GetCompleteActionId(), 152);
    EXPECT_EQ(targets[1].GetDetectTextId(), 136);
    EXPECT_EQ(targets[1].GetHandshakeTextId(), 139);
    EXPECT_EQ(targets[1].GetBaudRateId(), 142);
    EXPECT_EQ(targets[1].GetCompleteStatusId(), 149);
    EXPECT_EQ(targets[1].GetCompleteActionId(), 150);
}

TEST(Catalogue, FilterOfTheSelectedModel) {
    std::vector<CTarget> targets = BuildCatalogue();
    CTarget& saltir = targets[0];
    EXPECT_EQ(saltir.GetVariantFilterId(), 190);
    saltir.SetVariant(3);
    EXPECT_EQ(saltir.GetVariant(), 3);
    EXPECT_EQ(saltir.GetVariantFilterId(), 193);
    EXPECT_EQ(targets[1].GetVariantFilterId(), 182);
}

TEST(Catalogue, TablesCloseWithAnAllZeroRow) {
    EXPECT_EQ(g_targetDescriptors[2].nNameId, 0);
    EXPECT_EQ(g_targetDescriptors[2].pVariants, nullptr);
    EXPECT_EQ(g_saltirVariants[4].nFilterId, 0);
    EXPECT_EQ(g_verrinVariants[1].nFilterId, 0);
    EXPECT_EQ(g_saltirVariants[0].pfnSort, &SortByVersionAt5);
    EXPECT_EQ(g_verrinVariants[0].pfnSort, &SortByVersionAt4);
}

TEST(CTargetFresh, StartsEmpty) {
    CTarget target;
    EXPECT_EQ(target.GetVariant(), 0);
    EXPECT_EQ(target.GetVariantCount(), 0);
    EXPECT_EQ(target.GetNameId(), 0);
    EXPECT_EQ(target.GetDetectTextId(), 0);
    EXPECT_EQ(target.GetVariantNameId(0), 0);
    EXPECT_EQ(target.GetVariantFilterId(), 0);
    EXPECT_EQ(target.GetWorkingDirectory(), "");
    EXPECT_EQ(target.GetVariantFile(), "");
    EXPECT_TRUE(target.GetSoftwareFiles().empty());
    EXPECT_TRUE(target.FindSoftware().empty());
}

TEST(CTargetVariants, AddVariantsStopsAtTheFirstRowWithoutAPositiveFilter) {
    const VariantEntry rows[] = {{10, 11, nullptr},
                                 {12, 13, nullptr},
                                 {14, -1, nullptr},
                                 {16, 17, nullptr},
                                 {0, 0, nullptr}};
    CTarget target;
    target.AddVariants(rows);
    EXPECT_EQ(target.GetVariantCount(), 2);
    EXPECT_EQ(target.GetVariantNameId(1), 12);
    target.AddVariants(rows + 3); // appends to what is there
    EXPECT_EQ(target.GetVariantCount(), 3);
    EXPECT_EQ(target.GetVariantNameId(2), 16);
    target.AddVariants(nullptr);
    EXPECT_EQ(target.GetVariantCount(), 3);
}

TEST(CatalogueBuild, StopsAtTheFirstRowWithoutAPositiveName) {
    const VariantEntry models[] = {{181, 182, SortByVersionAt4}, {0, 0, nullptr}};
    const TargetDescriptor rows[] = {{178, 179, 136, 139, 142, 180, 149, 150, models},
                                     {-1, 1, 1, 1, 1, 1, 1, 1, models},
                                     {183, 184, 137, 140, 143, 185, 151, 152, models}};
    std::vector<CTarget> targets = BuildCatalogue(rows);
    ASSERT_EQ(targets.size(), 1u);
    EXPECT_EQ(targets[0].GetNameId(), 178);
    EXPECT_TRUE(BuildCatalogue(nullptr).empty());
}
