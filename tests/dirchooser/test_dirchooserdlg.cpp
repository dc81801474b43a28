#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "dirchooser/cdirchooserdlg.h"
#include "dirchooser/cdirimagelist.h"
#include "dirchooser/cdirtreeitem.h"
#include "fakesources.h"
#include "tempfolder.h"

using namespace vantoro;
using namespace vantoro::test;

namespace {

// A temporary drive with folders, a share mounted elsewhere, and a small network around it.
class DirChooser : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* psz : {"drive/Data/Projects", "drive/Data/ARCHIVE/2019", "drive/data2",
                                "drive/.hidden", "mnt/public/reports", "usb"})
            m_temp.MakeDirs(psz);
        std::ofstream(m_temp.Path() + "/drive/Data/Projects/readme.txt") << "not a folder";
        m_drives.m_drives = {{Local("drive"), DriveFixed}, {Local("usb"), DriveRemovable}};
        m_network.m_places[""] = {
            CFakeNetwork::Place(NetDisplayServer, "//alpha"),
            CFakeNetwork::Place(NetDisplayDomain, "//WORKGROUP"),
            CFakeNetwork::Place(NetDisplayGeneric, "", "", "Printers and things"),
            CFakeNetwork::Place(9, "//odd"), // beyond the pictures
        };
        m_network.m_places["//alpha"] = {
            CFakeNetwork::Place(NetDisplayShare, "//alpha/public", Local("mnt/public")),
            CFakeNetwork::Place(NetDisplayShare, "//alpha/users"),
        };
        m_network.m_places["//WORKGROUP"] = {CFakeNetwork::Place(NetDisplayServer, "//beta")};
    }

    // Shows the dialog, which reads its top level and opens along strPath.
    void Open(const std::string& strPath) {
        m_pDlg = std::make_unique<CDirChooserDlg>(strPath, &m_drives, &m_network);
        m_pDlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_pDlg.get()));
        m_pTree = m_pDlg->findChild<QTreeWidget*>("tree");
    }
    CDirTreeItem* Selected() const {
        const auto selected = m_pTree->selectedItems();
        return selected.isEmpty() ? nullptr : static_cast<CDirTreeItem*>(selected.first());
    }
    CDirTreeItem* Top(int nIndex) const {
        return static_cast<CDirTreeItem*>(m_pTree->topLevelItem(nIndex));
    }
    static CDirTreeItem* Child(QTreeWidgetItem* pParent, const QString& strText) {
        for (int i = 0; pParent && i < pParent->childCount(); ++i)
            if (pParent->child(i)->text(0) == strText)
                return static_cast<CDirTreeItem*>(pParent->child(i));
        return nullptr;
    }
    QString PathLine() const { return m_pDlg->findChild<QLabel*>("pathLabel")->text(); }
    bool OkEnabled() const { return m_pDlg->findChild<QPushButton*>("okButton")->isEnabled(); }
    std::string Local(const std::string& strRelative) const {
        return m_temp.Path() + "/" + strRelative;
    }

    CTempFolder m_temp;
    CFakeDrives m_drives;
    CFakeNetwork m_network;
    std::unique_ptr<CDirChooserDlg> m_pDlg;
    QTreeWidget* m_pTree = nullptr;
};

} // namespace

TEST_F(DirChooser, UnmatchedPathLeavesDrivesAndNetworkUnread) {
    Open("nothing/matches/here");
    EXPECT_EQ(m_pDlg->windowTitle(), "Choose Directory");
    ASSERT_EQ(m_pTree->topLevelItemCount(), 3);
    EXPECT_EQ(Top(0)->GetImage(), ImageFixed);
    EXPECT_EQ(Top(1)->GetImage(), ImageRemovable);
    EXPECT_EQ(Top(2)->text(0), "Network Neighborhood");
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(!Top(i)->IsPopulated() && Top(i)->HasChildrenFlag()) << i;
    EXPECT_EQ(Selected(), nullptr);
    EXPECT_FALSE(OkEnabled());
    EXPECT_EQ(PathLine(), "Blar blar blar...");
}

TEST_F(DirChooser, OpensAlongThePathIgnoringCaseSkipsAndTrailingSlashes) {
    for (const std::string strTail :
         {"/data/PROJECTS", "/Data/Missing/Projects", "/Data/Projects/", "//Data///Projects"}) {
        Open(Local("drive") + strTail);
        ASSERT_NE(Selected(), nullptr) << strTail;
        EXPECT_EQ(Selected()->text(0), "Projects") << strTail;
        EXPECT_TRUE(OkEnabled()) << strTail;
        EXPECT_EQ(PathLine().toStdString(), Local("drive/Data/Projects/")) << strTail;
    }
    // Folders come in name order, hidden ones included, with the folder pictures.
    ASSERT_EQ(Top(0)->childCount(), 3);
    EXPECT_EQ(Top(0)->child(0)->text(0), ".hidden");
    EXPECT_EQ(Top(0)->child(2)->text(0), "data2");
    EXPECT_EQ(Child(Top(0), "Data")->GetImage(), ImageClosedFolder);
    EXPECT_EQ(Child(Top(0), "Data")->GetSelectedImage(), ImageOpenFolder);
}

TEST_F(DirChooser, ExactCaseWinsOverAnEarlierNearMatch) {
    m_temp.MakeDirs("drive/DATA2");
    Open(Local("drive/data2"));
    EXPECT_EQ(PathLine().toStdString(), Local("drive/data2/"));
}

TEST_F(DirChooser, UpperCaseNamesAreShownProperCasedButPathsKeepTheRealName) {
    Open(Local("drive/Data/archive"));
    ASSERT_NE(Selected(), nullptr);
    EXPECT_EQ(Selected()->text(0), "Archive");
    m_pDlg->accept();
    EXPECT_EQ(m_pDlg->GetPath(), Local("drive/Data/ARCHIVE/"));
    EXPECT_TRUE(std::filesystem::is_directory(m_pDlg->GetPath()));
}

TEST_F(DirChooser, FolderWithoutSubfoldersLosesItsExpandMarkAndIsReadOnce) {
    Open(Local("drive/Data/Projects"));
    CDirTreeItem* pItem = Selected();
    ASSERT_NE(pItem, nullptr);
    EXPECT_EQ(pItem->childCount(), 0);
    EXPECT_FALSE(pItem->HasChildrenFlag());
    m_temp.MakeDirs("drive/Data/Projects/late");
    pItem->setExpanded(false);
    pItem->setExpanded(true);
    EXPECT_EQ(pItem->childCount(), 0);
}

TEST_F(DirChooser, OnlyTheFirstExpansionSelects) {
    Open(Local("drive"));
    CDirTreeItem* pData = Child(Top(0), "Data");
    ASSERT_NE(pData, nullptr);
    pData->setExpanded(true);
    EXPECT_EQ(Selected(), pData);
    m_pTree->setCurrentItem(Top(0));
    pData->setExpanded(false);
    pData->setExpanded(true);
    EXPECT_EQ(Selected(), Top(0));
}

TEST_F(DirChooser, EmptyPathOpensTheNetworkWhichCannotBeChosen) {
    Open("");
    CDirTreeItem* pRoot = Selected();
    ASSERT_EQ(pRoot, Top(2));
    EXPECT_FALSE(OkEnabled());
    EXPECT_EQ(PathLine(), "");
    EXPECT_TRUE(m_network.m_bWaitCursorSeen);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    ASSERT_EQ(pRoot->childCount(), 4);
    const auto* pAlpha = static_cast<CDirTreeItem*>(pRoot->child(0));
    EXPECT_EQ(pAlpha->text(0), "alpha");
    EXPECT_EQ(pAlpha->GetImage(), ImageServer);
    EXPECT_EQ(static_cast<CDirTreeItem*>(pRoot->child(1))->text(0), "Workgroup");
    EXPECT_EQ(static_cast<CDirTreeItem*>(pRoot->child(1))->GetImage(), ImageDomain);
    EXPECT_EQ(pRoot->child(2)->text(0), "Printers and things"); // named by its comment
    EXPECT_TRUE(pRoot->child(3)->icon(0).isNull());
}

TEST_F(DirChooser, ServersCannotBeChosenButTheirSharesCan) {
    Open("");
    CDirTreeItem* pAlpha = Child(Selected(), "alpha");
    ASSERT_NE(pAlpha, nullptr);
    m_pTree->setCurrentItem(pAlpha);
    EXPECT_FALSE(OkEnabled());
    EXPECT_EQ(PathLine(), "");

    pAlpha->setExpanded(true);
    CDirTreeItem* pPublic = Child(pAlpha, "public");
    ASSERT_TRUE(pPublic && Child(pAlpha, "users"));
    EXPECT_EQ(pPublic->GetResource(), nullptr); // a share is a folder, not a network place
    // A mounted share opens at its mount point; one without a mount keeps its network name.
    m_pTree->setCurrentItem(pPublic);
    EXPECT_TRUE(OkEnabled());
    EXPECT_EQ(PathLine().toStdString(), Local("mnt/public/"));
    m_pTree->setCurrentItem(Child(pAlpha, "users"));
    EXPECT_EQ(PathLine(), "//alpha/users/");

    pPublic->setExpanded(true);
    m_pTree->setCurrentItem(Child(pPublic, "reports"));
    m_pDlg->accept();
    EXPECT_EQ(m_pDlg->GetPath(), Local("mnt/public/reports/"));
}

TEST_F(DirChooser, NetworkPathOpensThroughServerAndShare) {
    Open("//alpha/public/reports");
    EXPECT_EQ(PathLine().toStdString(), Local("mnt/public/reports/"));
    EXPECT_EQ(m_network.m_nCalls, 2); // the domain was never asked
}

TEST_F(DirChooser, FailingNetworkLosesItsExpandMark) {
    m_network.m_bFail = true;
    Open("");
    ASSERT_EQ(Selected(), Top(2));
    EXPECT_EQ(Top(2)->childCount(), 0);
    EXPECT_FALSE(Top(2)->HasChildrenFlag());
}

TEST_F(DirChooser, EndingTheDialogKeepsThePathAndReleasesTheTree) {
    Open("");
    Child(Selected(), "Workgroup")->setExpanded(true); // one more record below
    m_pTree->setCurrentItem(Child(Top(2), "alpha"));
    m_pDlg->reject();
    EXPECT_EQ(m_pDlg->GetPath(), "//alpha/"); // taken on Cancel too; the caller ignores it then
    EXPECT_EQ(m_pTree->topLevelItemCount(), 0);
    // Shown again, it opens along the path it ended with.
    m_pDlg->show();
    ASSERT_NE(Selected(), nullptr);
    EXPECT_EQ(Selected()->text(0), "alpha");
}

TEST(DirImageList, FifteenDistinctPicturesOnTransparentGround) {
    std::vector<QImage> images;
    for (int i = 0; i < CDirImageList::kCount; ++i) {
        const QImage image = CDirImageList::Picture(i).toImage();
        ASSERT_EQ(image.size(), QSize(17, 16)) << i;
        int nOpaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                nOpaque += qAlpha(image.pixel(x, y)) == 255;
        EXPECT_TRUE(nOpaque > 20 && nOpaque < 17 * 16) << "picture " << i;
        for (int j = 0; j < i; ++j)
            EXPECT_NE(image, images[j]) << i << " equals " << j;
        images.push_back(image);
    }
    EXPECT_TRUE(CDirImageList::Picture(15).isNull());
}
