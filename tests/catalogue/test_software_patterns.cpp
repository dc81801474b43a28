// Which files each model takes, as the log, the command line and the documentation tell it: the
// documentation's lists are the catalogue's, so a model added or renamed shows here first.
#include "catalogue/ccatalogue.h"
#include "catalogue/cstringtable.h"
#include "catalogue/softwarepatterns.h"
#include "platform/testtempfolder.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace vantoro;

namespace {

// Every model of the catalogue with its product name and patterns, in table order.
struct ModelFiles {
    std::string strProduct;
    std::string strModel;
    std::string strPatterns;
};

std::vector<ModelFiles> CatalogueModels() {
    std::vector<ModelFiles> models;
    for (CTarget target : BuildCatalogue()) {
        for (int i = 0; i < target.GetVariantCount(); ++i) {
            target.SetVariant(i);
            models.push_back({StringFromId(target.GetNameId()),
                              StringFromId(target.GetVariantNameId(i)),
                              SoftwarePatternText(target)});
        }
    }
    return models;
}

std::string SourceFile(const std::string& strName) {
    return test::ReadTextFile(std::string(std::getenv("VANTORO_SOURCE_DIR")) + "/" + strName);
}

} // namespace

TEST(SoftwarePatterns, EachModelNamesItsFilesAndNothingFoundSaysWhere) {
    const std::vector<ModelFiles> models = CatalogueModels();
    ASSERT_EQ(models.size(), 5u);
    EXPECT_EQ(models[0].strPatterns, "st24v???.s19");
    EXPECT_EQ(models[4].strPatterns, "verv???.s19");
    for (const ModelFiles& model : models) {
        EXPECT_EQ(model.strPatterns.find("*.*"), std::string::npos)
            << "the catch-all is no pattern";
        EXPECT_FALSE(model.strPatterns.empty()) << model.strModel;
    }
    CTarget target = BuildCatalogue()[0];
    test::CTempFolder tmp;
    ASSERT_TRUE(target.SetWorkingDirectory(tmp.Path()));
    target.SetVariant(2);
    EXPECT_EQ(NoSoftwareText(target), "No Software Found in " + tmp.Path() +
                                          ": Saltir 48XT takes files named sx48v???.s19");
}

// The lists in the manual pages and the user guide, generated here from the catalogue: on a
// mismatch the message is the list to paste.
TEST(SoftwarePatterns, TheManualsListEveryModelOfTheCatalogue) {
    std::string strMan;
    std::string strGuide;
    for (const ModelFiles& model : CatalogueModels()) {
        strMan += ".TP\n.B " + model.strProduct + ", " + model.strModel + "\n.I " +
                  model.strPatterns + "\n";
        strGuide += "<tr><td>" + model.strProduct + "</td><td>" + model.strModel + "</td><td><tt>" +
                    model.strPatterns + "</tt></td></tr>\n";
    }
    for (const char* pszPage : {"packaging/vantoro.1", "packaging/vantoro-cli.1"}) {
        const std::string strPage = SourceFile(pszPage);
        ASSERT_FALSE(strPage.empty()) << pszPage;
        EXPECT_NE(strPage.find(".SH SOFTWARE FILES\n"), std::string::npos) << pszPage;
        EXPECT_NE(strPage.find(strMan), std::string::npos) << pszPage << " should list:\n"
                                                           << strMan;
    }
    EXPECT_NE(SourceFile("Vantoro.hlp").find(strGuide), std::string::npos)
        << "Vantoro.hlp should list:\n"
        << strGuide;
}
