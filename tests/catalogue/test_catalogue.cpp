// The platform and model lists, the detection texts and the completion texts are checked through
// the main window and whole updates; here what a pseudo-terminal cannot show, and the table rules.
#include "catalogue/ccatalogue.h"
#include "catalogue/cstringtable.h"

#include <gtest/gtest.h>

using namespace vantoro;

TEST(Catalogue, LineSpeedAndModelsOutsideTheList) {
    std::vector<CTarget> targets = BuildCatalogue();
    ASSERT_EQ(targets.size(), 2u);
    for (const CTarget& target : targets)
        EXPECT_EQ(StringFromId(target.GetBaudRateId()), "57600");
    EXPECT_EQ(StringFromId(targets[1].GetVariantNameId(0)), "Verrin");
    EXPECT_EQ(targets[1].GetVariantNameId(1), 0);
    EXPECT_EQ(targets[0].GetVariantNameId(4), 0);
    EXPECT_EQ(targets[0].GetVariantNameId(-1), 0);
    EXPECT_TRUE(CTarget().FindSoftware().empty()) << "a target without models finds nothing";
}

TEST(Catalogue, AddVariantsStopsAtTheFirstRowWithoutAPositiveFilter) {
    const VariantEntry rows[] = {{10, 11, nullptr},
                                 {12, 13, nullptr},
                                 {14, -1, nullptr},
                                 {16, 17, nullptr},
                                 {0, 0, nullptr}};
    CTarget target;
    target.AddVariants(rows);
    EXPECT_EQ(target.GetVariantCount(), 2);
    target.AddVariants(rows + 3); // appends to what is there
    EXPECT_EQ(target.GetVariantCount(), 3);
    EXPECT_EQ(target.GetVariantNameId(2), 16);
    target.AddVariants(nullptr);
    EXPECT_EQ(target.GetVariantCount(), 3);
}

TEST(Catalogue, BuildStopsAtTheFirstRowWithoutAPositiveName) {
    const VariantEntry models[] = {{181, 182, SortByVersionAt4}, {0, 0, nullptr}};
    const TargetDescriptor rows[] = {{178, 179, 136, 139, 142, 180, 149, 150, models},
                                     {-1, 1, 1, 1, 1, 1, 1, 1, models},
                                     {183, 184, 137, 140, 143, 185, 151, 152, models}};
    std::vector<CTarget> targets = BuildCatalogue(rows);
    ASSERT_EQ(targets.size(), 1u);
    EXPECT_EQ(targets[0].GetNameId(), 178);
    EXPECT_TRUE(BuildCatalogue(nullptr).empty());
}
