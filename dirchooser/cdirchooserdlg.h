#pragma once

#include <QDialog>
#include <memory>
#include <string>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vantoro {

class CAnnouncer;
class CDirTreeItem;
class IDriveSource;
class INetworkSource;

// The modal "Choose Directory" dialog: a tree of drives, folders and network shares that is
// read only as branches are opened, and that opens itself along the directory it is given.
//
// Typical use:
//     CDirChooserDlg dlg(strCurrentDirectory, this);
//     if (dlg.exec() == QDialog::Accepted)
//         UseDirectory(dlg.GetPath()); // always ends in '/'
class CDirChooserDlg : public QDialog {
    Q_OBJECT
public:
    // Uses this machine's drives and mounted network shares.
    explicit CDirChooserDlg(const std::string& strInitialPath = std::string(),
                            QWidget* pParent = nullptr);
    // Uses the given sources, which must outlive the dialog (tests supply their own).
    CDirChooserDlg(const std::string& strInitialPath, IDriveSource* pDrives,
                   INetworkSource* pNetwork, QWidget* pParent = nullptr);
    ~CDirChooserDlg() override;

    // The directory the tree opens along; takes effect when the dialog is first shown.
    void SetPath(const std::string& strPath);
    // After the dialog has ended: the directory of the selected item, ending in '/', or empty
    // when nothing was selected. Only meaningful after Accepted.
    std::string GetPath() const { return m_strPath; }

    // Name as shown: a name with no lowercase ASCII letter is shown lower case with a capital
    // first letter ("WINDOWS" -> "Windows"); any other name is shown unchanged.
    static std::string ProperCaseName(const std::string& strName);
    // The nIndex-th '/'-separated part of strPath; false when strPath has fewer separators
    // than nIndex. A trailing '/' gives a last, empty component.
    static bool GetPathComponent(const std::string& strPath, int nIndex, std::string& strPart);
    // The directory an item stands for, ending in '/'; empty for no item.
    static std::string BuildItemPath(const QTreeWidgetItem* pItem);
    // How deep an item is: 1 for a drive or the network, 2 for what is in it, and so on.
    static int ItemLevel(const QTreeWidgetItem* pItem);

    void done(int nResult) override;

protected:
    void showEvent(QShowEvent* pEvent) override;

private:
    void BuildControls();
    void InitTree();
    void OpenAlongPath();
    // A dot-folder named in a typed path: not listed, but opened when asked for by name.
    CDirTreeItem* RevealHiddenFolder(CDirTreeItem* pParent, const std::string& strName);
    CDirTreeItem* InsertTreeItem(QTreeWidgetItem* pParent, const std::string& strText, int nImage,
                                 int nSelectedImage);
    CDirTreeItem* FindChildByText(QTreeWidgetItem* pParent, const std::string& strText) const;
    void ExpandItem(CDirTreeItem* pItem);
    bool PopulateItem(const std::string& strPath, CDirTreeItem* pItem);
    bool PopulateFolder(const std::string& strPath, CDirTreeItem* pItem);
    bool PopulateNetwork(CDirTreeItem* pItem);
    void OnItemExpanded(QTreeWidgetItem* pItem);
    void OnSelectionChanged(QTreeWidgetItem* pSelected);
    QTreeWidgetItem* SelectedItem() const;
    // Tells a screen reader which folder pItem is, what just happened to it, its level and
    // its path: "code expanded, level 3. Path /home/ann/code/".
    void SayWhere(QTreeWidgetItem* pItem, const QString& strWhat);

    std::unique_ptr<IDriveSource> m_pOwnDrives;
    std::unique_ptr<INetworkSource> m_pOwnNetwork;
    IDriveSource* m_pDrives = nullptr;
    INetworkSource* m_pNetwork = nullptr;
    QTreeWidget* m_pTree = nullptr;
    QLabel* m_pPathLabel = nullptr;
    QPushButton* m_pOk = nullptr;
    CAnnouncer* m_pAnnouncer = nullptr;
    CDirTreeItem* m_pNetworkRoot = nullptr;
    std::string m_strPath;
    bool m_bInitialised = false;
    bool m_bOpening = false; // the tree opens along the given path: nothing is said per branch
};

} // namespace vantoro
