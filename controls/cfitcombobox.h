#pragma once

#include <QComboBox>

namespace vantoro {

// A drop-down list filled from the string table whose popup grows to show every entry, so a
// short catalogue list never needs a scroll bar.
class CFitComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit CFitComboBox(QWidget* pParent = nullptr);

    // Appends the string-table text of nStringId with nItemData attached and returns its index;
    // returns -1 and adds nothing when the table has no such string.
    int AddStringItem(int nStringId, int nItemData);

    // Selects the first entry whose item data equals nItemData and returns its index; with no
    // match the selection is cleared and -1 returned.
    int SelectByItemData(int nItemData);

    // The item data of entry nIndex, or -1 when there is no such entry.
    int GetItemData(int nIndex) const;

    // Sizes the popup so that every entry shows without scrolling, and a list of fewer than two
    // entries still opens two entries high. Runs on its own before each drop-down.
    void FitDropDown();

    // How many entry heights the popup's list spans for nCount entries.
    static int FitDropDownRows(int nCount);

    void showPopup() override;
};

} // namespace vantoro
