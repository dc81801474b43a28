#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <map>

#include "dirchooser/cdirchooserdlg.h"
#include "dirchooser/cdirimagelist.h"
#include "dirchooser/cdirtreeitem.h"
#include "dirchooser/idrivesource.h"
#include "dirchooser/inetworksource.h"
#include "platform/testtempfolder.h"

using namespace vantoro;
using namespace vantoro::test;

namespace {

class CFakeDrives : public IDriveSource {
public:
    std::vector<SDriveEntry> m_drives;
    std::vector<SDriveEntry> ListDrives() override { return m_drives; }
};

// The test's own servers and shares, keyed by the container's remote name ("" for the top).
// Notes whether the wait cursor was up every time it was asked.
class CFakeNetwork : public INetworkSource {
public:
    std::map<std::string, std::vector<SNetResource>> m_places;
    bool m_bFail = false;
    int m_nCalls = 0;
    bool m_bWaitCursorSeen = true;

    bool EnumerateNetwork(const SNetResource* pContainer,
                          std::vector<SNetResource>& entries) override {
        ++m_nCalls;
        const QCursor* pCursor = QApplication::overrideCursor();
        m_bWaitCursorSeen &= pCursor && pCursor->shape() == Qt::WaitCursor;
        auto it = m_places.find(pContainer ? pContainer->strRemoteName : "");
        if (m_bFail || it == m_places.end())
            return false;
        entries.insert(entries.end(), it->second.begin(), it->second.end());
        return true;
    }
};

// A temporary drive with folders, a share mounted elsewhere, and a small network around it.
class DirChooser : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* psz : {"drive/Data/Projects", "drive/Data/ARCHIVE/2019", "drive/data2",
                                "drive/.hidden", "mnt/public/reports", "usb"})
            MakeFolder(m_temp / psz);
        WriteTextFile(m_temp / "drive/Data/Projects/readme.txt", "not a folder");
        m_drives.m_drives = {{Local("drive"), DriveFixed}, {Local("usb"), DriveRemovable}};
        m_network.m_places[""] = {Place(NetDisplayServer, "//alpha"),
                                  Place(NetDisplayDomain, "//WORKGROUP"),
                                  Place(NetDisplayGeneric, "", "", "Printers and things"),
                                  Place(9, "//odd")}; // beyond the pictures
        m_network.m_places["//alpha"] = {
            Place(NetDisplayShare, "//alpha/public", Local("mnt/public")),
            Place(NetDisplayShare, "//alpha/users")};
        m_network.m_places["//WORKGROUP"] = {Place(NetDisplayServer, "//beta")};
    }
    static SNetResource Place(int nDisplayType, std::string strRemote, std::string strLocal = {},
                              std::string strComment = {}) {
        SNetResource r;
        r.nDisplayType = nDisplayType;
        r.strRemoteName = std::move(strRemote);
        r.strLocalName = std::move(strLocal);
        r.strComment = std::move(strComment);
        return r;
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
    std::string Local(const std::string& strRelative) const { return m_temp / strRelative; }

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
    // Folders come in name order, dot-folders left out, with the folder pictures.
    ASSERT_EQ(Top(0)->childCount(), 2);
    EXPECT_EQ(Top(0)->child(1)->text(0), "data2");
    EXPECT_EQ(Child(Top(0), "Data")->GetImage(), ImageClosedFolder);
    EXPECT_EQ(Child(Top(0), "Data")->GetSelectedImage(), ImageOpenFolder);
}

TEST_F(DirChooser, ATypedPathStillOpensADotFolder) {
    Open(Local("drive/.hidden"));
    ASSERT_NE(Selected(), nullptr);
    EXPECT_EQ(PathLine().toStdString(), Local("drive/.hidden/"));
    Open(Local("drive/.missing/data2"));
    EXPECT_EQ(PathLine().toStdString(), Local("drive/data2/"));
}

TEST_F(DirChooser, ExactCaseWinsOverAnEarlierNearMatch) {
    MakeFolder(m_temp / "drive/DATA2");
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
    MakeFolder(m_temp / "drive/Data/Projects/late");
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

TEST_F(DirChooser, EmptyPathOpensTheNetworkWhereOnlySharesCanBeChosen) {
    Open("");
    CDirTreeItem* pRoot = Selected();
    ASSERT_EQ(pRoot, Top(2));
    EXPECT_FALSE(OkEnabled());
    EXPECT_EQ(PathLine(), "");
    ASSERT_EQ(pRoot->childCount(), 4);
    EXPECT_EQ(pRoot->child(0)->text(0), "alpha");
    EXPECT_EQ(static_cast<CDirTreeItem*>(pRoot->child(0))->GetImage(), ImageServer);
    EXPECT_EQ(static_cast<CDirTreeItem*>(pRoot->child(1))->text(0), "Workgroup");
    EXPECT_EQ(static_cast<CDirTreeItem*>(pRoot->child(1))->GetImage(), ImageDomain);
    EXPECT_EQ(pRoot->child(2)->text(0), "Printers and things"); // named by its comment
    EXPECT_TRUE(pRoot->child(3)->icon(0).isNull());

    // Servers cannot be chosen either, but their shares can.
    CDirTreeItem* pAlpha = Child(pRoot, "alpha");
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
    EXPECT_TRUE(m_network.m_bWaitCursorSeen);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
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

TEST(DirPath, ProperCaseName) {
    // Letters beyond ASCII never count as lowercase, but are re-cased with the rest (\303\244 is
    // 'ä'); bytes that are no UTF-8 are left alone rather than replaced.
    const std::pair<std::string, std::string> cases[] = {{"WINDOWS", "Windows"},
                                                         {"C:", "C:"},
                                                         {"Program Files", "Program Files"},
                                                         {"MY_DIR 2", "My_dir 2"},
                                                         {"", ""},
                                                         {"\303\244RGER", "\303\204rger"},
                                                         {"\303\274ber", "\303\274ber"},
                                                         {"\377AB", "\377AB"}};
    for (const auto& [strName, strExpected] : cases)
        EXPECT_EQ(CDirChooserDlg::ProperCaseName(strName), strExpected) << strName;
}

TEST(DirPath, GetPathComponentAndBuildItemPath) {
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

    QTreeWidget tree;
    auto* pRoot = new CDirTreeItem(&tree, "/", 3, 3);
    pRoot->SetRoot("/");
    EXPECT_EQ(CDirChooserDlg::BuildItemPath(pRoot), "/");
    EXPECT_EQ(CDirChooserDlg::BuildItemPath(new CDirTreeItem(pRoot, "USR", 1, 0)), "/USR/");
    EXPECT_EQ(CDirChooserDlg::BuildItemPath(nullptr), "");
}
