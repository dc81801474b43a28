#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

#include "dirchooser/cdirchooserdlg.h"
#include "dirchooser/cdirimagelist.h"
#include "dirchooser/cdirtreeitem.h"
#include "fakesources.h"
#include "tempfolder.h"

using namespace vantoro;
using namespace vantoro::test;

namespace {

// A temporary drive with folders, a mounted share elsewhere, and a small network around it.
class DirChooser : public ::testing::Test {
protected:
    void SetUp() override {
        m_strDrive = m_temp.MakeDirs("drive");
        m_temp.MakeDirs("drive/Data/Projects");
        m_temp.WriteFile("drive/Data/Projects/readme.txt", "x");
        m_temp.MakeDirs("drive/Data/ARCHIVE/2019");
        m_temp.MakeDirs("drive/data2");
        m_temp.MakeDirs("drive/.hidden");
        m_strShare = m_temp.MakeDirs("mnt/public");
        m_temp.MakeDirs("mnt/public/reports");
        m_drives.m_drives = {{m_strDrive, DriveFixed}, {m_temp.MakeDirs("usb"), DriveRemovable}};

        m_network.m_places[""] = {
            CFakeNetwork::Place(NetDisplayServer, "//alpha"),
            CFakeNetwork::Place(NetDisplayDomain, "//WORKGROUP"),
            CFakeNetwork::Place(NetDisplayGeneric, "", "", "Printers and things"),
            CFakeNetwork::Place(9, "//odd"), // beyond the pictures
        };
        m_network.m_places["//alpha"] = {
            CFakeNetwork::Place(NetDisplayShare, "//alpha/public", m_strShare),
            CFakeNetwork::Place(NetDisplayShare, "//alpha/users"),
        };
        m_network.m_places["//WORKGROUP"] = {CFakeNetwork::Place(NetDisplayServer, "//beta")};
    }

    std::unique_ptr<CDirChooserDlg> Open(const std::string& strPath) {
        auto pDlg = std::make_unique<CDirChooserDlg>(strPath, &m_drives, &m_network);
        pDlg->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(pDlg.get()));
        return pDlg;
    }

    static QTreeWidget* Tree(CDirChooserDlg& dlg) { return dlg.findChild<QTreeWidget*>("tree"); }
    static CDirTreeItem* Current(CDirChooserDlg& dlg) {
        const auto selected = Tree(dlg)->selectedItems();
        return selected.isEmpty() ? nullptr : static_cast<CDirTreeItem*>(selected.first());
    }
    static QString PathLine(CDirChooserDlg& dlg) {
        return dlg.findChild<QLabel*>("pathLabel")->text();
    }
    static bool OkEnabled(CDirChooserDlg& dlg) {
        return dlg.findChild<QPushButton*>("okButton")->isEnabled();
    }
    static CDirTreeItem* Child(QTreeWidgetItem* pParent, const QString& strText) {
        for (int i = 0; i < pParent->childCount(); ++i)
            if (pParent->child(i)->text(0) == strText)
                return static_cast<CDirTreeItem*>(pParent->child(i));
        return nullptr;
    }
    static CDirTreeItem* Top(CDirChooserDlg& dlg, int nIndex) {
        return static_cast<CDirTreeItem*>(Tree(dlg)->topLevelItem(nIndex));
    }
    QString Local(const std::string& strRelative) const {
        return QString::fromStdString(m_temp.Path() + "/" + strRelative);
    }

    CTempFolder m_temp;
    std::string m_strDrive;
    std::string m_strShare;
    CFakeDrives m_drives;
    CFakeNetwork m_network;
};

} // namespace

TEST_F(DirChooser, TopLevelHasDrivesThenTheNetwork) {
    auto pDlg = Open("nothing/matches/here");
    EXPECT_EQ(pDlg->windowTitle(), "Choose Directory");
    QTreeWidget* pTree = Tree(*pDlg);
    ASSERT_EQ(pTree->topLevelItemCount(), 3);
    EXPECT_EQ(Top(*pDlg, 0)->GetImage(), ImageFixed);
    EXPECT_EQ(Top(*pDlg, 1)->GetImage(), ImageRemovable);
    EXPECT_EQ(Top(*pDlg, 2)->text(0), "Network Neighborhood");
    EXPECT_EQ(Top(*pDlg, 2)->GetImage(), ImageNetworkRoot);
    // Nothing matched: nothing read, nothing chosen.
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(Top(*pDlg, i)->IsPopulated());
        EXPECT_TRUE(Top(*pDlg, i)->HasChildrenFlag());
    }
    EXPECT_FALSE(OkEnabled(*pDlg));
    EXPECT_EQ(PathLine(*pDlg), "Blar blar blar...");
    EXPECT_EQ(m_network.m_nCalls, 0);
}

TEST_F(DirChooser, OpensAlongThePathIgnoringCase) {
    auto pDlg = Open(m_strDrive + "/data/PROJECTS");
    CDirTreeItem* pItem = Current(*pDlg);
    ASSERT_NE(pItem, nullptr);
    EXPECT_EQ(pItem->text(0), "Projects");
    EXPECT_TRUE(pItem->parent()->isExpanded());
    EXPECT_TRUE(OkEnabled(*pDlg));
    EXPECT_EQ(PathLine(*pDlg), Local("drive/Data/Projects/"));
    // Folders are listed in name order, hidden ones included, each with the folder pictures.
    QTreeWidgetItem* pDrive = Top(*pDlg, 0);
    ASSERT_EQ(pDrive->childCount(), 3);
    EXPECT_EQ(pDrive->child(0)->text(0), ".hidden");
    EXPECT_EQ(pDrive->child(1)->text(0), "Data");
    EXPECT_EQ(pDrive->child(2)->text(0), "data2");
    EXPECT_EQ(static_cast<CDirTreeItem*>(pDrive->child(1))->GetImage(), ImageClosedFolder);
    EXPECT_EQ(static_cast<CDirTreeItem*>(pDrive->child(1))->GetSelectedImage(), ImageOpenFolder);
}

TEST_F(DirChooser, MissingMiddleFolderIsSkippedAndTrailingSlashIgnored) {
    for (const std::string strTail :
         {"/Data/Missing/Projects", "/Data/Projects/", "//Data///Projects"}) {
        auto pDlg = Open(m_strDrive + strTail);
        ASSERT_NE(Current(*pDlg), nullptr) << strTail;
        EXPECT_EQ(PathLine(*pDlg), Local("drive/Data/Projects/")) << strTail;
    }
}

TEST_F(DirChooser, ExactCaseWinsOverAnEarlierNearMatch) {
    m_temp.MakeDirs("drive/DATA2x");
    m_temp.MakeDirs("drive/Data2");
    auto pDlg = Open(m_strDrive + "/data2");
    EXPECT_EQ(PathLine(*pDlg), Local("drive/data2/"));
}

TEST_F(DirChooser, UpperCaseNamesAreShownProperCasedButPathsKeepTheRealName) {
    auto pDlg = Open(m_strDrive + "/Data/archive");
    CDirTreeItem* pItem = Current(*pDlg);
    ASSERT_NE(pItem, nullptr);
    EXPECT_EQ(pItem->text(0), "Archive");
    EXPECT_EQ(PathLine(*pDlg), Local("drive/Data/ARCHIVE/"));
    pDlg->accept();
    EXPECT_EQ(pDlg->GetPath(), m_temp.Path() + "/drive/Data/ARCHIVE/");
    EXPECT_TRUE(std::filesystem::is_directory(pDlg->GetPath()));
}

TEST_F(DirChooser, FolderWithoutSubfoldersLosesItsExpandMarkAndIsReadOnce) {
    auto pDlg = Open(m_strDrive + "/Data/Projects");
    CDirTreeItem* pItem = Current(*pDlg);
    ASSERT_NE(pItem, nullptr);
    EXPECT_TRUE(pItem->IsPopulated());
    EXPECT_EQ(pItem->childCount(), 0); // a file is not a child
    EXPECT_FALSE(pItem->HasChildrenFlag());

    m_temp.MakeDirs("drive/Data/Projects/late");
    pItem->setExpanded(false);
    pItem->setExpanded(true);
    EXPECT_EQ(pItem->childCount(), 0);
}

TEST_F(DirChooser, ExpandingSelectsOnlyOnTheFirstExpansion) {
    auto pDlg = Open(m_strDrive);
    QTreeWidget* pTree = Tree(*pDlg);
    CDirTreeItem* pData = Child(Top(*pDlg, 0), "Data");
    ASSERT_NE(pData, nullptr);
    pData->setExpanded(true);
    EXPECT_EQ(Current(*pDlg), pData);
    EXPECT_EQ(pData->childCount(), 2);
    pTree->setCurrentItem(Top(*pDlg, 0));
    pData->setExpanded(false);
    pData->setExpanded(true);
    EXPECT_EQ(Current(*pDlg), Top(*pDlg, 0));
}

TEST_F(DirChooser, EmptyPathOpensTheNetworkWhichCannotBeChosen) {
    auto pDlg = Open("");
    CDirTreeItem* pRoot = Current(*pDlg);
    ASSERT_NE(pRoot, nullptr);
    EXPECT_EQ(pRoot->text(0), "Network Neighborhood");
    EXPECT_FALSE(OkEnabled(*pDlg));
    EXPECT_EQ(PathLine(*pDlg), "");
    EXPECT_TRUE(m_network.m_bWaitCursorSeen);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    ASSERT_EQ(pRoot->childCount(), 4);
    const auto* pAlpha = static_cast<CDirTreeItem*>(pRoot->child(0));
    EXPECT_EQ(pAlpha->text(0), "alpha");
    EXPECT_EQ(pAlpha->GetImage(), ImageServer);
    ASSERT_NE(pAlpha->GetResource(), nullptr);
    EXPECT_EQ(pAlpha->GetResource()->strRemoteName, "//alpha");
    EXPECT_EQ(static_cast<CDirTreeItem*>(pRoot->child(1))->text(0), "Workgroup");
    EXPECT_EQ(static_cast<CDirTreeItem*>(pRoot->child(1))->GetImage(), ImageDomain);
    // No remote name: the comment names it.
    EXPECT_EQ(static_cast<CDirTreeItem*>(pRoot->child(2))->text(0), "Printers and things");
    EXPECT_EQ(static_cast<CDirTreeItem*>(pRoot->child(2))->GetImage(), ImageNetworkRoot);
    EXPECT_TRUE(pRoot->child(3)->icon(0).isNull());
}

TEST_F(DirChooser, ServersCannotBeChosenButTheirSharesCan) {
    auto pDlg = Open("");
    QTreeWidget* pTree = Tree(*pDlg);
    CDirTreeItem* pAlpha = Child(Current(*pDlg), "alpha");
    ASSERT_NE(pAlpha, nullptr);
    pTree->setCurrentItem(pAlpha);
    EXPECT_FALSE(OkEnabled(*pDlg));
    EXPECT_EQ(PathLine(*pDlg), "");

    pAlpha->setExpanded(true);
    ASSERT_EQ(pAlpha->childCount(), 2);
    CDirTreeItem* pPublic = Child(pAlpha, "public");
    CDirTreeItem* pUsers = Child(pAlpha, "users");
    ASSERT_TRUE(pPublic && pUsers);
    EXPECT_EQ(pPublic->GetResource(), nullptr); // a share is a folder, not a network place
    EXPECT_EQ(pPublic->GetImage(), ImageClosedFolder);

    // A mounted share opens at its mount point; one without a mount keeps its network name.
    pTree->setCurrentItem(pPublic);
    EXPECT_TRUE(OkEnabled(*pDlg));
    EXPECT_EQ(PathLine(*pDlg), Local("mnt/public/"));
    pTree->setCurrentItem(pUsers);
    EXPECT_EQ(PathLine(*pDlg), "//alpha/users/");

    pPublic->setExpanded(true);
    CDirTreeItem* pReports = Child(pPublic, "reports");
    ASSERT_NE(pReports, nullptr);
    pTree->setCurrentItem(pReports);
    EXPECT_EQ(PathLine(*pDlg), Local("mnt/public/reports/"));
    pDlg->accept();
    EXPECT_EQ(pDlg->GetPath(), m_strShare + "/reports/");
}

TEST_F(DirChooser, NetworkPathOpensThroughServerAndShare) {
    auto pDlg = Open("//alpha/public/reports");
    EXPECT_EQ(PathLine(*pDlg), Local("mnt/public/reports/"));
    // The domain's server list was never asked for.
    EXPECT_EQ(m_network.m_nCalls, 2);
}

TEST_F(DirChooser, FailingNetworkLosesItsExpandMark) {
    m_network.m_bFail = true;
    auto pDlg = Open("");
    CDirTreeItem* pRoot = Current(*pDlg);
    ASSERT_NE(pRoot, nullptr);
    EXPECT_EQ(pRoot->childCount(), 0);
    EXPECT_FALSE(pRoot->HasChildrenFlag());
}

TEST_F(DirChooser, EndingTheDialogReturnsThePathAndReleasesTheTree) {
    auto pDlg = Open("");
    CDirTreeItem* pAlpha = Child(Current(*pDlg), "alpha");
    ASSERT_NE(pAlpha, nullptr);
    Child(Current(*pDlg), "Workgroup")->setExpanded(true); // one more record below
    Tree(*pDlg)->setCurrentItem(pAlpha);
    pDlg->reject();
    // The path is taken on Cancel too; the caller ignores it then.
    EXPECT_EQ(pDlg->GetPath(), "//alpha/");
    EXPECT_EQ(Tree(*pDlg)->topLevelItemCount(), 0);

    // Shown again, it opens along the path it ended with.
    pDlg->show();
    ASSERT_NE(Current(*pDlg), nullptr);
    EXPECT_EQ(Current(*pDlg)->text(0), "alpha");
    pDlg->done(QDialog::Accepted);
}

TEST(DirImageList, FifteenDistinctPictures) {
    std::vector<QImage> images;
    for (int i = 0; i < CDirImageList::kCount; ++i) {
        const QImage image = CDirImageList::Picture(i).toImage();
        ASSERT_EQ(image.size(), QSize(17, 16)) << i;
        int nOpaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                nOpaque += qAlpha(image.pixel(x, y)) == 255;
        EXPECT_GT(nOpaque, 20) << "picture " << i;
        EXPECT_LT(nOpaque, 17 * 16) << "picture " << i << " has no transparent background";
        for (int j = 0; j < i; ++j)
            EXPECT_NE(image, images[j]) << i << " equals " << j;
        images.push_back(image);
    }
    EXPECT_TRUE(CDirImageList::Picture(15).isNull());
    EXPECT_TRUE(CDirImageList::Picture(-1).isNull());
}
