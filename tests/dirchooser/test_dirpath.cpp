#include <gtest/gtest.h>

#include <QTreeWidget>

#include "dirchooser/cdirchooserdlg.h"
#include "dirchooser/cdirtreeitem.h"

using vantoro::CDirChooserDlg;

TEST(DirPath, ProperCaseName) {
    EXPECT_EQ(CDirChooserDlg::ProperCaseName("WINDOWS"), "Windows");
    EXPECT_EQ(CDirChooserDlg::ProperCaseName("C:"), "C:");
    EXPECT_EQ(CDirChooserDlg::ProperCaseName("Program Files"), "Program Files");
    EXPECT_EQ(CDirChooserDlg::ProperCaseName("MY_DIR 2"), "My_dir 2");
    EXPECT_EQ(CDirChooserDlg::ProperCaseName(""), "");
    // Letters beyond ASCII never count as lowercase, but are re-cased with the rest.
    EXPECT_EQ(CDirChooserDlg::ProperCaseName("\xC3\xA4RGER"), "\xC3\x84rger"); // äRGER
    const std::string strUber = std::string("\xC3\xBC") + "ber";
    EXPECT_EQ(CDirChooserDlg::ProperCaseName(strUber), strUber);
    // Bytes that are no UTF-8 are left alone rather than replaced.
    const std::string strRaw = std::string("\xFF") + "AB";
    EXPECT_EQ(CDirChooserDlg::ProperCaseName(strRaw), strRaw);
}

TEST(DirPath, GetPathComponent) {
    std::string strPart;
    const char* const expected[] = {"", "home", "ann", ""};
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(CDirChooserDlg::GetPathComponent("/home/ann/", i, strPart)) << i;
        EXPECT_EQ(strPart, expected[i]) << i;
    }
    EXPECT_FALSE(CDirChooserDlg::GetPathComponent("/home/ann/", 4, strPart));
    ASSERT_TRUE(CDirChooserDlg::GetPathComponent("", 0, strPart));
    EXPECT_EQ(strPart, "");
    EXPECT_FALSE(CDirChooserDlg::GetPathComponent("docs", 1, strPart));
}

TEST(DirPath, BuildItemPathFromTheRootDrive) {
    QTreeWidget tree;
    auto* pRoot = new vantoro::CDirTreeItem(&tree, "/", 3, 3);
    pRoot->SetRoot("/");
    EXPECT_EQ(CDirChooserDlg::BuildItemPath(pRoot), "/");
    EXPECT_EQ(CDirChooserDlg::BuildItemPath(new vantoro::CDirTreeItem(pRoot, "USR", 1, 0)),
              "/USR/");
    EXPECT_EQ(CDirChooserDlg::BuildItemPath(nullptr), "");
}
