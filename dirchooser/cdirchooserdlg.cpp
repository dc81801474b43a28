#include "dirchooser/cdirchooserdlg.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <vector>

#include "controls/caccessiblefactory.h"
#include "controls/cannouncer.h"
#include "dirchooser/cdirimagelist.h"
#include "dirchooser/cdirtreeitem.h"
#include "dirchooser/folderlisting.h"
#include "dirchooser/systemplaces.h"

namespace vantoro {

namespace {

constexpr char kCaption[] = "Choose Directory";
constexpr char kNetworkRootText[] = "Network Neighborhood";
constexpr char kTemplateText[] = "Blar blar blar...";

// Shows the wait cursor for as long as a branch is being read.
class CWaitCursor {
public:
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

CDirTreeItem* AsDirItem(QTreeWidgetItem* pItem) {
    return pItem && pItem->type() == CDirTreeItem::kType ? static_cast<CDirTreeItem*>(pItem)
                                                         : nullptr;
}

const CDirTreeItem* AsDirItem(const QTreeWidgetItem* pItem) {
    return pItem && pItem->type() == CDirTreeItem::kType ? static_cast<const CDirTreeItem*>(pItem)
                                                         : nullptr;
}

bool EqualNoCase(const std::string& strA, const std::string& strB) {
    return QString::fromStdString(strA).compare(QString::fromStdString(strB),
                                                Qt::CaseInsensitive) == 0;
}

bool LessNoCase(const std::string& strA, const std::string& strB) {
    const int nOrder =
        QString::fromStdString(strA).compare(QString::fromStdString(strB), Qt::CaseInsensitive);
    return nOrder != 0 ? nOrder < 0 : strA < strB;
}

// How many components of an absolute path a drive's root accounts for, or -1 when the path
// does not lie below that root. Components compare without regard to case.
int RootDepth(const std::string& strRoot, const std::string& strPath) {
    int nDepth = 0;
    int nPathIndex = 1; // component 0 is the empty text before the leading '/'
    std::string strRootPart;
    std::string strPathPart;
    for (int i = 1; CDirChooserDlg::GetPathComponent(strRoot, i, strRootPart); ++i) {
        if (strRootPart.empty())
            continue;
        do {
            if (!CDirChooserDlg::GetPathComponent(strPath, nPathIndex++, strPathPart))
                return -1;
        } while (strPathPart.empty());
        if (!EqualNoCase(strRootPart, strPathPart))
            return -1;
        ++nDepth;
    }
    return nDepth;
}

} // namespace

CDirChooserDlg::CDirChooserDlg(const std::string& strInitialPath, QWidget* pParent)
    : CDirChooserDlg(strInitialPath, nullptr, nullptr, pParent) {}

CDirChooserDlg::CDirChooserDlg(const std::string& strInitialPath, IDriveSource* pDrives,
                               INetworkSource* pNetwork, QWidget* pParent)
    : QDialog(pParent), m_pDrives(pDrives), m_pNetwork(pNetwork), m_strPath(strInitialPath) {
    if (!m_pDrives) {
        m_pOwnDrives = CreateSystemDriveSource();
        m_pDrives = m_pOwnDrives.get();
    }
    if (!m_pNetwork) {
        m_pOwnNetwork = CreateSystemNetworkSource();
        m_pNetwork = m_pOwnNetwork.get();
    }
    BuildControls();
}

CDirChooserDlg::~CDirChooserDlg() = default;

void CDirChooserDlg::SetPath(const std::string& strPath) {
    m_strPath = strPath;
}

void CDirChooserDlg::BuildControls() {
    setWindowTitle(kCaption);
    // Dialog units of the dialog's font, as the window's template is laid out in them.
    const QFontMetrics fm(font());
    const int nBaseX =
        (fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
    const int nBaseY = fm.height();
    auto place = [&](QWidget* pControl, int x, int y, int cx, int cy) {
        pControl->setGeometry(x * nBaseX / 4, y * nBaseY / 8, cx * nBaseX / 4, cy * nBaseY / 8);
    };
    setFixedSize(183 * nBaseX / 4, 188 * nBaseY / 8);

    m_pPathLabel = new QLabel(kTemplateText, this);
    m_pPathLabel->setObjectName("pathLabel");
    place(m_pPathLabel, 7, 5, 169, 10);

    m_pTree = new QTreeWidget(this);
    m_pTree->setObjectName("tree");
    m_pTree->setColumnCount(1);
    m_pTree->setHeaderHidden(true);
    m_pTree->setRootIsDecorated(true);
    m_pTree->setIconSize(QSize(CDirImageList::kWidth, CDirImageList::kHeight));
    m_pTree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pTree->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTree->setAllColumnsShowFocus(true);
    m_pTree->setDragEnabled(false);
    // Deep paths scroll sideways instead of being cut off.
    m_pTree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_pTree->header()->setStretchLastSection(false);
    place(m_pTree, 7, 16, 169, 146);

    m_pOk = new QPushButton(tr("OK"), this);
    m_pOk->setObjectName("okButton");
    m_pOk->setDefault(true);
    m_pOk->setEnabled(false);
    place(m_pOk, 72, 167, 50, 14);
    QPushButton* pCancel = new QPushButton(tr("Cancel"), this);
    pCancel->setObjectName("cancelButton");
    place(pCancel, 126, 167, 50, 14);

    connect(m_pOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(pCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pTree, &QTreeWidget::itemExpanded, this, &CDirChooserDlg::OnItemExpanded);
    // A reader hears the focused row, but not a branch opening or closing under it, nor where
    // in the tree the row is: said as it happens, by the user's hand only.
    CAccessibleFactory::Install();
    auto* pNotices = new QWidget(this);
    pNotices->resize(0, 0);
    CAccessibleFactory::PresentAs(pNotices, QAccessible::StatusBar);
    m_pAnnouncer = new CAnnouncer(pNotices);
    connect(m_pTree, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* pItem) {
        if (!m_bOpening)
            SayWhere(pItem, tr("expanded"));
    });
    connect(m_pTree, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem* pItem) { SayWhere(pItem, tr("collapsed")); });
    // The selection, not the keyboard focus item, is what the dialog reports on: focusing the
    // tree makes its first item current without choosing it.
    connect(m_pTree, &QTreeWidget::itemSelectionChanged, this,
            [this] { OnSelectionChanged(SelectedItem()); });
}

void CDirChooserDlg::showEvent(QShowEvent* pEvent) {
    QDialog::showEvent(pEvent);
    if (!m_bInitialised) {
        m_bInitialised = true;
        InitTree();
    }
}

void CDirChooserDlg::InitTree() {
    m_pTree->clear();
    for (const SDriveEntry& drive : m_pDrives->ListDrives()) {
        if (drive.nType < DriveRemovable || drive.nType > DriveRamdisk || drive.strRoot.empty())
            continue;
        CDirTreeItem* pDrive = InsertTreeItem(nullptr, drive.strRoot, drive.nType, -1);
        pDrive->SetRoot(drive.strRoot);
    }
    m_pNetworkRoot = InsertTreeItem(nullptr, kNetworkRootText, ImageNetworkRoot, -1);
    m_bOpening = true;
    OpenAlongPath();
    m_bOpening = false;
    SayWhere(SelectedItem(), tr("selected"));
    // Scrolled once more when the tree has its final size: a sideways scroll bar that appears
    // for a deep path would otherwise cover the selected row at the bottom edge.
    QTimer::singleShot(0, this, [this] {
        m_pTree->resizeColumnToContents(0);
        if (QTreeWidgetItem* pItem = m_pTree->currentItem())
            m_pTree->scrollToItem(pItem, QAbstractItemView::EnsureVisible);
    });
}

void CDirChooserDlg::OpenAlongPath() {
    const std::string& strPath = m_strPath;
    QTreeWidgetItem* pCurrent = nullptr; // the top level
    int nFirst = 0;
    const bool bLocal = !strPath.empty() && strPath[0] == '/' && strPath.compare(0, 2, "//") != 0;
    if (bLocal) {
        // A local path starts at the drive that holds most of it ("/home/ann" rather than "/").
        CDirTreeItem* pDrive = nullptr;
        int nBestDepth = -1;
        for (int i = 0; i < m_pTree->topLevelItemCount(); ++i) {
            CDirTreeItem* pItem = AsDirItem(m_pTree->topLevelItem(i));
            if (!pItem || pItem->GetRoot().empty())
                continue;
            const int nDepth = RootDepth(pItem->GetRoot(), strPath);
            if (nDepth > nBestDepth) {
                nBestDepth = nDepth;
                pDrive = pItem;
            }
        }
        if (!pDrive)
            return;
        ExpandItem(pDrive);
        pCurrent = pDrive;
        // Step past the components the drive's root already stands for.
        std::string strPart;
        nFirst = 1;
        for (int nSkipped = 0; nSkipped < nBestDepth; ++nFirst) {
            if (!GetPathComponent(strPath, nFirst, strPart))
                return;
            if (!strPart.empty())
                ++nSkipped;
        }
    }
    std::string strPart;
    for (int i = nFirst; GetPathComponent(strPath, i, strPart); ++i) {
        if (i == 0 && strPart.empty())
            strPart = kNetworkRootText;
        if (strPart.empty())
            continue;
        // A component found nowhere is skipped; the next one is looked for at the same level.
        CDirTreeItem* pChild = FindChildByText(pCurrent, strPart);
        if (!pChild && strPart[0] == '.')
            pChild = RevealHiddenFolder(AsDirItem(pCurrent), strPart);
        if (pChild) {
            ExpandItem(pChild);
            pCurrent = pChild;
        }
    }
}

CDirTreeItem* CDirChooserDlg::RevealHiddenFolder(CDirTreeItem* pParent,
                                                 const std::string& strName) {
    if (!pParent || pParent == m_pNetworkRoot || pParent->GetResource())
        return nullptr;
    if (strName == "." || strName == ".." || !IsFolder(BuildItemPath(pParent) + strName))
        return nullptr;
    return InsertTreeItem(pParent, strName, ImageClosedFolder, ImageOpenFolder);
}

CDirTreeItem* CDirChooserDlg::InsertTreeItem(QTreeWidgetItem* pParent, const std::string& strText,
                                             int nImage, int nSelectedImage) {
    if (nSelectedImage == -1)
        nSelectedImage = nImage;
    CDirTreeItem* pItem = pParent ? new CDirTreeItem(pParent, strText, nImage, nSelectedImage)
                                  : new CDirTreeItem(m_pTree, strText, nImage, nSelectedImage);
    pItem->setToolTip(0, pItem->text(0));
    return pItem;
}

CDirTreeItem* CDirChooserDlg::FindChildByText(QTreeWidgetItem* pParent,
                                              const std::string& strText) const {
    const int nCount = pParent ? pParent->childCount() : m_pTree->topLevelItemCount();
    CDirTreeItem* pNoCase = nullptr;
    for (int i = 0; i < nCount; ++i) {
        CDirTreeItem* pChild = AsDirItem(pParent ? pParent->child(i) : m_pTree->topLevelItem(i));
        if (!pChild)
            continue;
        // Names on disk are case-sensitive here: an exact match beats an earlier near one.
        if (pChild->GetName() == strText)
            return pChild;
        if (!pNoCase && (EqualNoCase(pChild->GetName(), strText) ||
                         EqualNoCase(pChild->text(0).toStdString(), strText)))
            pNoCase = pChild;
    }
    return pNoCase;
}

void CDirChooserDlg::ExpandItem(CDirTreeItem* pItem) {
    if (pItem->isExpanded())
        OnItemExpanded(pItem); // no signal for an open item; still read it if it never was
    else
        pItem->setExpanded(true);
}

void CDirChooserDlg::OnItemExpanded(QTreeWidgetItem* pTreeItem) {
    CDirTreeItem* pItem = AsDirItem(pTreeItem);
    if (!pItem || pItem->IsPopulated())
        return; // read once; later expansions show what was found then
    CWaitCursor wait;
    pItem->SetPopulated();
    PopulateItem(BuildItemPath(pItem), pItem);
    if (SelectedItem() != pItem)
        m_pTree->setCurrentItem(pItem);
}

bool CDirChooserDlg::PopulateItem(const std::string& strPath, CDirTreeItem* pItem) {
    const bool bAny = (pItem == m_pNetworkRoot || pItem->GetResource())
                          ? PopulateNetwork(pItem)
                          : PopulateFolder(strPath, pItem);
    if (!bAny)
        pItem->ClearChildrenFlag();
    return bAny;
}

bool CDirChooserDlg::PopulateFolder(const std::string& strPath, CDirTreeItem* pItem) {
    std::vector<std::string> names = ListSubfolders(strPath);
    // The directory's own order is a hash order here; users expect names in order.
    std::sort(names.begin(), names.end(), LessNoCase);
    for (const std::string& strName : names)
        InsertTreeItem(pItem, strName, ImageClosedFolder, ImageOpenFolder);
    return !names.empty();
}

bool CDirChooserDlg::PopulateNetwork(CDirTreeItem* pItem) {
    std::vector<SNetResource> entries;
    if (!m_pNetwork->EnumerateNetwork(pItem->GetResource(), entries))
        return false;
    for (const SNetResource& entry : entries) {
        std::string strName = entry.strRemoteName.empty() ? entry.strComment : entry.strRemoteName;
        for (int i = 0; i < 2 && !strName.empty() && strName[0] == '/'; ++i)
            strName.erase(0, 1);
        if (entry.nDisplayType == NetDisplayShare) {
            // A share is a folder: it is named without its server and can be chosen.
            const size_t nSlash = strName.find('/');
            if (nSlash != std::string::npos)
                strName.erase(0, nSlash + 1);
            CDirTreeItem* pShare =
                InsertTreeItem(pItem, strName, ImageClosedFolder, ImageOpenFolder);
            if (!entry.strLocalName.empty())
                pShare->SetRoot(entry.strLocalName);
        } else {
            const int nImage = entry.nDisplayType >= 0 ? entry.nDisplayType + ImageNetworkRoot : -2;
            CDirTreeItem* pPlace = InsertTreeItem(pItem, strName, nImage, nImage);
            pPlace->SetResource(std::make_unique<SNetResource>(entry));
        }
    }
    return !entries.empty();
}

int CDirChooserDlg::ItemLevel(const QTreeWidgetItem* pItem) {
    int nLevel = 0;
    for (; pItem; pItem = pItem->parent())
        ++nLevel;
    return nLevel;
}

void CDirChooserDlg::SayWhere(QTreeWidgetItem* pItem, const QString& strWhat) {
    if (!pItem)
        return;
    QString strNotice = tr("%1 %2, level %3").arg(pItem->text(0), strWhat).arg(ItemLevel(pItem));
    const std::string strPath = BuildItemPath(pItem);
    if (AsDirItem(pItem) && !AsDirItem(pItem)->GetResource() && pItem != m_pNetworkRoot)
        strNotice += tr(". Path %1").arg(QString::fromStdString(strPath));
    m_pAnnouncer->Say(strNotice);
}

QTreeWidgetItem* CDirChooserDlg::SelectedItem() const {
    const QList<QTreeWidgetItem*> selected = m_pTree->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

void CDirChooserDlg::OnSelectionChanged(QTreeWidgetItem* pSelected) {
    CDirTreeItem* pItem = AsDirItem(pSelected);
    // Servers, domains and the network itself are places to browse, not folders to use.
    if (!pItem || pItem == m_pNetworkRoot || pItem->GetResource()) {
        m_pOk->setEnabled(false);
        m_pPathLabel->setText(QString());
        m_pPathLabel->setToolTip(QString());
        return;
    }
    m_pOk->setEnabled(true);
    const QString strPath = QString::fromStdString(BuildItemPath(pItem));
    m_pPathLabel->setText(strPath);
    m_pPathLabel->setToolTip(strPath); // a deep path does not fit the line
}

void CDirChooserDlg::done(int nResult) {
    m_strPath = BuildItemPath(SelectedItem());
    // The window's items go with it, and with them every network record they own.
    m_pTree->clear();
    m_pNetworkRoot = nullptr;
    m_bInitialised = false;
    QDialog::done(nResult);
}

std::string CDirChooserDlg::ProperCaseName(const std::string& strName) {
    if (std::any_of(strName.begin(), strName.end(), [](char c) { return c >= 'a' && c <= 'z'; }))
        return strName;
    const QString strText = QString::fromStdString(strName);
    // A name that is not valid UTF-8 is shown as it is rather than mangled.
    if (strText.toStdString() != strName || strText.isEmpty())
        return strName;
    QString strProper = strText.toLower();
    const int nFirst = strProper.at(0).isHighSurrogate() && strProper.size() > 1 ? 2 : 1;
    strProper.replace(0, nFirst, strProper.left(nFirst).toUpper());
    return strProper.toStdString();
}

bool CDirChooserDlg::GetPathComponent(const std::string& strPath, int nIndex,
                                      std::string& strPart) {
    if (nIndex < 0)
        return false;
    size_t nStart = 0;
    for (int i = 0; i < nIndex; ++i) {
        const size_t nSlash = strPath.find('/', nStart);
        if (nSlash == std::string::npos)
            return false;
        nStart = nSlash + 1;
    }
    const size_t nEnd = strPath.find('/', nStart);
    strPart = strPath.substr(nStart, nEnd == std::string::npos ? std::string::npos : nEnd - nStart);
    return true;
}

std::string CDirChooserDlg::BuildItemPath(const QTreeWidgetItem* pTreeItem) {
    std::string strPath;
    for (const QTreeWidgetItem* pNode = pTreeItem; pNode; pNode = pNode->parent()) {
        const CDirTreeItem* pItem = AsDirItem(pNode);
        if (!pItem) {
            strPath = pNode->text(0).toStdString() + "/" + strPath;
            continue;
        }
        if (const SNetResource* pResource = pItem->GetResource()) {
            strPath = pResource->strRemoteName + "/" + strPath;
            break;
        }
        if (!pItem->GetRoot().empty()) {
            std::string strRoot = pItem->GetRoot();
            if (strRoot.back() != '/')
                strRoot += '/';
            strPath = strRoot + strPath;
            break;
        }
        // The name on disk, not the re-cased one shown: only that one opens here.
        strPath = pItem->GetName() + "/" + strPath;
    }
    return strPath;
}

} // namespace vantoro
