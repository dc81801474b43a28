#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include "catalogue/cstringtable.h"
#include "controls/cfitcombobox.h"

using vantoro::CFitComboBox;

namespace {

constexpr int kProductNameId = 102; // has a text in the string table
constexpr int kMissingId = 9999;    // has none

// Opens the popup of a combo with nCount entries and checks that every entry is in view.
void ExpectPopupShowsEverything(int nCount) {
    QWidget window;
    window.resize(300, 200);
    CFitComboBox* pCombo = new CFitComboBox(&window);
    pCombo->setGeometry(10, 10, 200, 24);
    for (int i = 0; i < nCount; ++i)
        pCombo->addItem(QString("Entry %1").arg(i), i);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    pCombo->showPopup();
    QAbstractItemView* pView = pCombo->view();
    ASSERT_TRUE(pView->window()->isVisible());
    EXPECT_EQ(pView->verticalScrollBar()->maximum(), 0) << nCount << " entries";
    const QRect rcLast = pView->visualRect(pView->model()->index(nCount - 1, 0));
    EXPECT_LE(rcLast.bottom(), pView->viewport()->height() - 1) << nCount << " entries";
    // Room for the entries (two at least), not a screenful of blank rows.
    const int nRows = CFitComboBox::FitDropDownRows(nCount);
    EXPECT_GE(pView->viewport()->height(), nRows * pView->sizeHintForRow(0));
    EXPECT_LT(pView->viewport()->height(), (nRows + 1) * pView->sizeHintForRow(0));
    pCombo->hidePopup();
}

} // namespace

TEST(FitComboBox, AddStringItemLooksTextsUpAndSkipsMissingOnes) {
    CFitComboBox combo;
    EXPECT_EQ(combo.AddStringItem(kProductNameId, 7), 0);
    EXPECT_EQ(combo.AddStringItem(kMissingId, 8), -1);
    EXPECT_EQ(combo.AddStringItem(kProductNameId, 9), 1);
    ASSERT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.itemText(0).toStdString(), vantoro::StringFromId(kProductNameId));
    EXPECT_EQ(combo.GetItemData(1), 9);
    EXPECT_EQ(combo.GetItemData(2), -1);
}

TEST(FitComboBox, SelectByItemDataPicksTheFirstMatchOrClears) {
    CFitComboBox combo;
    for (int nData : {10, 20, 10})
        combo.AddStringItem(kProductNameId, nData);
    EXPECT_EQ(combo.SelectByItemData(20), 1);
    EXPECT_EQ(combo.SelectByItemData(10), 0);
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_EQ(combo.SelectByItemData(99), -1);
    EXPECT_EQ(combo.currentIndex(), -1);
}

TEST(FitComboBox, PopupShowsEveryEntryWithoutScrolling) {
    ExpectPopupShowsEverything(25);
    ExpectPopupShowsEverything(3);
    // An empty list has no popup to open; one entry still opens two entries high.
    ExpectPopupShowsEverything(1);
}
