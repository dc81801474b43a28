#include "dirchooser/cdirtreeitem.h"

#include <QIcon>

#include "dirchooser/cdirchooserdlg.h"
#include "dirchooser/cdirimagelist.h"

namespace vantoro {

CDirTreeItem::CDirTreeItem(QTreeWidgetItem* pParent, const std::string& strName, int nImage,
                           int nSelectedImage)
    : QTreeWidgetItem(pParent, kType), m_strName(strName), m_nImage(nImage),
      m_nSelectedImage(nSelectedImage) {
    Init(strName);
}

CDirTreeItem::CDirTreeItem(QTreeWidget* pTree, const std::string& strName, int nImage,
                           int nSelectedImage)
    : QTreeWidgetItem(pTree, kType), m_strName(strName), m_nImage(nImage),
      m_nSelectedImage(nSelectedImage) {
    Init(strName);
}

void CDirTreeItem::Init(const std::string& strName) {
    setText(0, QString::fromStdString(CDirChooserDlg::ProperCaseName(strName)));
    // The selected picture shows while the item is selected (an open folder for folders).
    QIcon icon;
    const QPixmap normal = CDirImageList::Picture(m_nImage);
    const QPixmap selected = CDirImageList::Picture(m_nSelectedImage);
    if (!normal.isNull())
        icon.addPixmap(normal, QIcon::Normal);
    if (!selected.isNull())
        icon.addPixmap(selected, QIcon::Selected);
    setIcon(0, icon);
    // Every item starts with an expand button; reading it tells whether it keeps one.
    setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
}

bool CDirTreeItem::HasChildrenFlag() const {
    return childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator || childCount() > 0;
}

void CDirTreeItem::ClearChildrenFlag() {
    setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

} // namespace vantoro
