#include <gtest/gtest.h>

#include <QTreeWidget>

#include "dirchooser/cdirchooserdlg.h"
#include "dirchooser/cdirtreeitem.h"

using vantoro::CDirChooserDlg;
using vantoro::CDirTreeItem;

TEST(DirPath, ProperCaseName) {
    EXPECT_EQ(CDirChooserDlg::ProperCaseName("WINDOWS"), "Windows");
    EXPECT_EQ(CDirChooserDlg::ProperCaseName("C:"), "C:");
    EXPECT_EQ(CDirChooserDlg::ProperCaseName("Program Files"), "Program Files");
    EXPECT_EQ(CDirChooserDlg::ProperCaseName("lower"), "lower");
    EXPECT_EQ(CDirChooserDlg::ProperCaseName("MY_DIR 2"), "My_dir 2");
    EXPECT_EQ(CDirChooserDlg::ProperCaseName("123"), "123");
    EXPECT_EQ(CDirChooserDlg::ProperCaseName(""), "");
    // Letters beyond ASCII do not count as lowercase, but are re-cased along with the rest.
    EXPECT_EQ(CDirChooserDlg::ProperCaseName("\xC3\x84RGER"), "\xC3\x84rger"); // ÄRGER
    EXPECT_EQ(CDirChooserDlg::ProperCaseName("\xC3\xA4RGER"), "\xC3\x84rger"); // äRGER
    EXPECT_EQ(CDirChooserDlg::ProperCaseName("\xC3\xBC"
                                             "ber"),
              "\xC3\xBC"
              "ber"); // über
    // Bytes that are no UTF-8 are left alone rather than replaced.
    EXPECT_EQ(CDirChooserDlg::ProperCaseName("\xFF\xFE"
                                             "AB"),
              "\xFF\xFE"
              "AB");
}

TEST(DirPath, GetPathComponent) {
    std::string strPart;
    const std::string strPath = "/home/ann/";
    const char* const expected[] = {"", "home", "ann", ""};
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(CDirChooserDlg::GetPathComponent(strPath, i, strPart)) << i;
        EXPECT_EQ(strPart, expected[i]) << i;
    }
    EXPECT_FALSE(CDirChooserDlg::GetPathComponent(strPath, 4, strPart));

    ASSERT_TRUE(CDirChooserDlg::GetPathComponent("", 0, strPart));
    EXPECT_EQ(strPart, "");
    EXPECT_FALSE(CDirChooserDlg::GetPathComponent("", 1, strPart));
    ASSERT_TRUE(CDirChooserDlg::GetPathComponent("docs", 0, strPart));
    EXPECT_EQ(strPart, "docs");
    EXPECT_FALSE(CDirChooserDlg::GetPathComponent("docs", 1, strPart));
    EXPECT_FALSE(CDirChooserDlg::GetPathComponent("docs", -1, strPart));
}

TEST(DirPath, BuildItemPathStopsAtRootsAndNetworkPlaces) {
    QTreeWidget tree;
    auto* pDrive = new CDirTreeItem(&tree, "/", 3, 3);
    pDrive->SetRoot("/");
    auto* pUsr = new CDirTreeItem(pDrive, "USR", 1, 0);
    auto* pShare = new CDirTreeItem(pUsr, "SHARE", 1, 0);
    EXPECT_EQ(CDirChooserDlg::BuildItemPath(pDrive), "/");
    EXPECT_EQ(CDirChooserDlg::BuildItemPath(pShare), "/USR/SHARE/");

    auto* pHome = new CDirTreeItem(&tree, "/home/ann", 3, 3);
    pHome->SetRoot("/home/ann");
    EXPECT_EQ(CDirChooserDlg::BuildItemPath(new CDirTreeItem(pHome, "src", 1, 0)),
              "/home/ann/src/");

    auto* pNet = new CDirTreeItem(&tree, "Network Neighborhood", 7, 7);
    auto* pServer = new CDirTreeItem(pNet, "srv", 9, 9);
    auto pRecord = std::make_unique<vantoro::SNetResource>();
    pRecord->strRemoteName = "//srv";
    pServer->SetResource(std::move(pRecord));
    auto* pUnmounted = new CDirTreeItem(pServer, "pub", 1, 0);
    EXPECT_EQ(CDirChooserDlg::BuildItemPath(pServer), "//srv/");
    EXPECT_EQ(CDirChooserDlg::BuildItemPath(new CDirTreeItem(pUnmounted, "x", 1, 0)),
              "//srv/pub/x/");
    EXPECT_EQ(CDirChooserDlg::BuildItemPath(pNet), "Network Neighborhood/");
    EXPECT_EQ(CDirChooserDlg::BuildItemPath(nullptr), "");
}
