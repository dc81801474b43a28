#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include "catalogue/cstringtable.h"
#include "controls/cfitcombobox.h"

using vantoro::CFitComboBox;

namespace {

// An ID with a text in the string table, and one without.
constexpr int kProductNameId = 102;
constexpr int kMissingId = 9999;

} // namespace

TEST(FitComboBox, AddStringItemLooksTextsUpAndSkipsMissingOnes) {
    CFitComboBox combo;
    std::string strExpected;
    ASSERT_TRUE(vantoro::LoadStringId(kProductNameId, strExpected));
    EXPECT_EQ(combo.AddStringItem(kProductNameId, 7), 0);
    EXPECT_EQ(combo.AddStringItem(kMissingId, 8), -1);
    EXPECT_EQ(combo.AddStringItem(kProductNameId, 9), 1);
    ASSERT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.itemText(0).toStdString(), strExpected);
    EXPECT_EQ(combo.GetItemData(0), 7);
    EXPECT_EQ(combo.GetItemData(1), 9);
    EXPECT_EQ(combo.GetItemData(2), -1);
}

TEST(FitComboBox, SelectByItemDataPicksTheFirstMatchOrClears) {
    CFitComboBox combo;
    combo.AddStringItem(kProductNameId, 10);
    combo.AddStringItem(kProductNameId + 1, 20);
    combo.AddStringItem(kProductNameId + 2, 10);
    EXPECT_EQ(combo.SelectByItemData(20), 1);
    EXPECT_EQ(combo.currentIndex(), 1);
    EXPECT_EQ(combo.SelectByItemData(10), 0);
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_EQ(combo.SelectByItemData(99), -1);
    EXPECT_EQ(combo.currentIndex(), -1);

    CFitComboBox empty;
    EXPECT_EQ(empty.SelectByItemData(0), -1);
}

TEST(FitComboBox, ListSpansEveryEntryAndAtLeastTwo) {
    EXPECT_EQ(CFitComboBox::FitDropDownRows(0), 2);
    EXPECT_EQ(CFitComboBox::FitDropDownRows(1), 2);
    EXPECT_EQ(CFitComboBox::FitDropDownRows(2), 2);
    EXPECT_EQ(CFitComboBox::FitDropDownRows(30), 30);
}

namespace {

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
    QApplication::processEvents();
    QAbstractItemView* pView = pCombo->view();
    QWidget* pPopup = pView->window();
    ASSERT_TRUE(pPopup->isVisible());
    EXPECT_EQ(pView->verticalScrollBar()->maximum(), 0) << nCount << " entries";
    for (int i = 0; i < nCount; ++i) {
        const QRect rcRow = pView->visualRect(pView->model()->index(i, 0));
        EXPECT_GE(rcRow.top(), 0) << "row " << i;
        EXPECT_LE(rcRow.bottom(), pView->viewport()->height() - 1) << "row " << i;
    }
    const int nItemHeight = pView->sizeHintForRow(0);
    EXPECT_GE(pView->viewport()->height(), CFitComboBox::FitDropDownRows(nCount) * nItemHeight);
    // Room for the entries, not a screenful of blank rows.
    EXPECT_LT(pView->viewport()->height(),
              (CFitComboBox::FitDropDownRows(nCount) + 1) * nItemHeight);
    pCombo->hidePopup();
}

} // namespace

TEST(FitComboBox, PopupShowsEveryEntryWithoutScrolling) {
    ExpectPopupShowsEverything(25);
    ExpectPopupShowsEverything(3);
}

TEST(FitComboBox, PopupOfAOneEntryListIsTwoEntriesHigh) {
    // An empty list has no popup to open, so one entry is the smallest case.
    ExpectPopupShowsEverything(1);
}
