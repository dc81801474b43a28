#pragma once

#include <QTreeWidgetItem>
#include <memory>
#include <string>

#include "dirchooser/snetresource.h"

namespace vantoro {

// One entry of the directory chooser's tree. Besides what it shows, it remembers the real name
// on disk (the shown name may be re-cased), the absolute folder it starts at when it is a drive
// or a mounted share, and, for a browsable network place, its own copy of that place's record.
class CDirTreeItem : public QTreeWidgetItem {
public:
    static constexpr int kType = QTreeWidgetItem::UserType + 1;

    CDirTreeItem(QTreeWidgetItem* pParent, const std::string& strName, int nImage,
                 int nSelectedImage);
    CDirTreeItem(QTreeWidget* pTree, const std::string& strName, int nImage, int nSelectedImage);

    const std::string& GetName() const { return m_strName; }
    int GetImage() const { return m_nImage; }
    int GetSelectedImage() const { return m_nSelectedImage; }

    // An absolute folder at which path building stops (drives, mounted shares).
    void SetRoot(const std::string& strRoot) { m_strRoot = strRoot; }
    const std::string& GetRoot() const { return m_strRoot; }

    // Takes ownership of the record that makes this item a browsable network place.
    void SetResource(std::unique_ptr<SNetResource> pResource) {
        m_pResource = std::move(pResource);
    }
    const SNetResource* GetResource() const { return m_pResource.get(); }

    bool IsPopulated() const { return m_bPopulated; }
    void SetPopulated() { m_bPopulated = true; }

    // Whether the item still offers an expand button.
    bool HasChildrenFlag() const;
    void ClearChildrenFlag();

private:
    void Init(const std::string& strName);

    std::string m_strName;
    std::string m_strRoot;
    std::unique_ptr<SNetResource> m_pResource;
    int m_nImage;
    int m_nSelectedImage;
    bool m_bPopulated = false;
};

} // namespace vantoro
