#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QScrollBar>
#include <QTest>

#include "catalogue/cstringtable.h"
#include "controls/cfitcombobox.h"

using vantoro::CFitComboBox;

TEST(FitComboBox, ItemsComeFromTheStringTableAndAreSelectedByTheirData) {
    CFitComboBox combo;
    EXPECT_EQ(combo.AddStringItem(102, 10), 0);
    EXPECT_EQ(combo.AddStringItem(9999, 8), -1) << "an ID without a text adds nothing";
    EXPECT_EQ(combo.AddStringItem(102, 20), 1);
    EXPECT_EQ(combo.AddStringItem(102, 10), 2);
    ASSERT_EQ(combo.count(), 3);
    EXPECT_EQ(combo.itemText(0).toStdString(), vantoro::StringFromId(102));
    EXPECT_EQ(combo.GetItemData(1), 20);
    EXPECT_EQ(combo.GetItemData(3), -1);

    EXPECT_EQ(combo.SelectByItemData(20), 1);
    EXPECT_EQ(combo.SelectByItemData(10), 0); // the first match
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_EQ(combo.SelectByItemData(99), -1);
    EXPECT_EQ(combo.currentIndex(), -1);
}

TEST(FitComboBox, PopupShowsEveryEntryWithoutScrolling) {
    // One entry still opens two entries high; an empty list has no popup to open.
    for (int nCount : {25, 3, 1}) {
        SCOPED_TRACE(nCount);
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
        EXPECT_EQ(pView->verticalScrollBar()->maximum(), 0);
        const QRect rcLast = pView->visualRect(pView->model()->index(nCount - 1, 0));
        EXPECT_LE(rcLast.bottom(), pView->viewport()->height() - 1);
        // Room for the entries, not a screenful of blank rows.
        const int nRows = CFitComboBox::FitDropDownRows(nCount);
        EXPECT_GE(pView->viewport()->height(), nRows * pView->sizeHintForRow(0));
        EXPECT_LT(pView->viewport()->height(), (nRows + 1) * pView->sizeHintForRow(0));
        pCombo->hidePopup();
    }
}
