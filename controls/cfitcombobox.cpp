#include "controls/cfitcombobox.h"

#include <QAbstractItemView>
#include <algorithm>
#include <string>

#include "catalogue/cstringtable.h"

namespace vantoro {

CFitComboBox::CFitComboBox(QWidget* pParent) : QComboBox(pParent) {}

int CFitComboBox::AddStringItem(int nStringId, int nItemData) {
    std::string strText;
    if (!LoadStringId(nStringId, strText))
        return -1;
    addItem(QString::fromStdString(strText), nItemData);
    return count() - 1;
}

int CFitComboBox::SelectByItemData(int nItemData) {
    for (int i = 0; i < count(); ++i) {
        if (GetItemData(i) == nItemData) {
            setCurrentIndex(i);
            return i;
        }
    }
    setCurrentIndex(-1);
    return -1;
}

int CFitComboBox::GetItemData(int nIndex) const {
    if (nIndex < 0 || nIndex >= count())
        return -1;
    bool bOk = false;
    const int nData = itemData(nIndex).toInt(&bOk);
    return bOk ? nData : -1;
}

int CFitComboBox::FitDropDownRows(int nCount) {
    return std::max(nCount, 2);
}

void CFitComboBox::FitDropDown() {
    // Without a limit on visible rows the popup never scrolls, however long the list.
    setMaxVisibleItems(std::max(count(), 1));
    QWidget* pPopup = view()->window();
    if (pPopup == window() || !pPopup->isVisible())
        return;
    int nItemHeight = count() > 0 ? view()->sizeHintForRow(0) : -1;
    if (nItemHeight <= 0)
        nItemHeight = view()->fontMetrics().height();
    const int nMissing = FitDropDownRows(count()) * nItemHeight - view()->viewport()->height();
    if (nMissing <= 0)
        return;
    QRect rcPopup = pPopup->geometry();
    const QPoint ptField = mapToGlobal(QPoint(0, 0));
    if (rcPopup.bottom() < ptField.y())
        rcPopup.setTop(rcPopup.top() - nMissing); // opened upwards: grow upwards
    else
        rcPopup.setHeight(rcPopup.height() + nMissing);
    pPopup->setGeometry(rcPopup);
}

void CFitComboBox::showPopup() {
    setMaxVisibleItems(std::max(count(), 1));
    QComboBox::showPopup();
    FitDropDown();
}

} // namespace vantoro
