// The keyboard and mouse rules the window delegates: the drop-down lists as the keyboard meets
// them, the double-click guard of a button that changes under the pointer, and Alt menus that
// stay open when a screen reader's copy of the Alt press arrives late.
#include "stampedclicks.h"
#include "ui/caltkeyguard.h"
#include "ui/cdoubleclickguard.h"
#include "ui/cselectionlists.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace vantoro;
using test::ClickAt;

// A double-click on a button that its first click renames presses once; on a button that keeps
// its caption it presses twice, and after the interval a click is a press again.
TEST(DoubleClickGuard, OnlyTheRenamedButtonSwallowsTheSecondClick) {
    QWidget window;
    auto* pRenamed = new QPushButton(QStringLiteral("&Start"), &window);
    auto* pSame = new QPushButton(QStringLiteral("&Cancel"), &window);
    new CDoubleClickGuard(pRenamed);
    new CDoubleClickGuard(pSame);
    window.show();
    int nRenamedPresses = 0;
    int nSamePresses = 0;
    QObject::connect(pRenamed, &QPushButton::clicked, [&] {
        ++nRenamedPresses;
        pRenamed->setText(nRenamedPresses % 2 ? QStringLiteral("&Update")
                                              : QStringLiteral("&Start"));
    });
    QObject::connect(pSame, &QPushButton::clicked, [&] { ++nSamePresses; });
    const quint64 nInterval = static_cast<quint64>(QApplication::doubleClickInterval());

    ClickAt(pRenamed, 100000);
    ClickAt(pRenamed, 100000 + nInterval / 2, true);
    EXPECT_EQ(nRenamedPresses, 1);
    EXPECT_EQ(pRenamed->text(), QStringLiteral("&Update"));
    ClickAt(pRenamed, 100000 + 2 * nInterval);
    EXPECT_EQ(nRenamedPresses, 2);

    ClickAt(pSame, 200000);
    ClickAt(pSame, 200000 + nInterval / 2, true);
    EXPECT_EQ(nSamePresses, 2);
}

// Arrow keys on a closed, focused list are reported as the person's choice; a choice the
// program makes is not, and Enter opens the list while Escape closes it keeping its choice.
TEST(SelectionLists, KeysOpenCloseAndReportOnlyThePersonsChoice) {
    QWidget window;
    auto* pModel = new QComboBox(&window);
    auto* pOther = new QComboBox(&window);
    pModel->addItems(
        {QStringLiteral("Saltir 24"), QStringLiteral("Saltir 48"), QStringLiteral("Saltir 96")});
    CSelectionLists lists({pModel}, &window);
    QSignalSpy chosen(&lists, &CSelectionLists::ChosenByKey);
    window.show();
    window.activateWindow();
    pModel->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pModel->hasFocus(); }));

    QTest::keyClick(pModel, Qt::Key_Down);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).toString(), QStringLiteral("Saltir 48"));
    pOther->setFocus();
    pModel->setCurrentIndex(0);
    EXPECT_EQ(chosen.count(), 1) << "a choice the program made was reported";

    EXPECT_EQ(lists.ListOwning(pOther), nullptr);
    EXPECT_FALSE(lists.OpenOnEnter(pOther));
    ASSERT_TRUE(lists.OpenOnEnter(pModel));
    ASSERT_TRUE(QTest::qWaitFor([&] { return pModel->view()->isVisible(); }));
    EXPECT_EQ(lists.ListOwning(pModel->view()), pModel);
    EXPECT_FALSE(lists.OpenOnEnter(pModel->view())) << "the open list's popup takes Enter";
    pModel->view()->setCurrentIndex(pModel->model()->index(2, 0));
    lists.CloseOpenList(pModel->view());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !pModel->view()->isVisible(); }));
    EXPECT_EQ(pModel->currentIndex(), 0);
    EXPECT_EQ(chosen.count(), 1);
}

// A screen reader listening to the keyboard gets each key first, and Qt delivers its own copy
// afterwards: the copy of the Alt press comes after Alt+F has opened the File menu, which would
// close on it, or after Alt+S, when the menu bar would take the keyboard at the release. Both
// are left as the keys left them; an Alt pressed while a menu is open still closes it.
TEST(AltKeyGuard, ALateCopyOfTheAltPressLeavesMenusAndTheMenuBarAsTheKeysLeftThem) {
    QWidget window;
    auto* pBar = new QMenuBar(&window);
    QMenu* pFile = pBar->addMenu(QStringLiteral("&File"));
    pFile->addAction(QStringLiteral("E&xit"));
    auto* pField = new QComboBox(&window);
    pField->move(0, 40);
    auto* pStart = new QPushButton(QStringLiteral("&Start"), &window);
    pStart->move(0, 80);
    int nStartPresses = 0;
    QObject::connect(pStart, &QPushButton::clicked, [&] { ++nStartPresses; });
    CAltKeyGuard guard(&window);
    window.show();
    window.activateWindow();
    pField->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const auto copyOfAltPress = [&] {
        QCoreApplication::postEvent(window.windowHandle(),
                                    new QKeyEvent(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier));
        QCoreApplication::processEvents();
    };

    // Alt+S presses a button; the copy of its Alt press and the release leave the menu bar be.
    QTest::keyPress(pField, Qt::Key_Alt, Qt::AltModifier);
    QTest::keyClick(pField, Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return nStartPresses == 1; })) << "Alt+S pressed nothing";
    copyOfAltPress();
    QTest::keyRelease(pField, Qt::Key_Alt);
    EXPECT_EQ(pBar->activeAction(), nullptr) << "the menu bar took the keyboard after Alt+S";
    EXPECT_TRUE(pField->hasFocus());

    QTest::keyPress(pField, Qt::Key_Alt, Qt::AltModifier);
    QTest::keyClick(pField, Qt::Key_F, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pFile->isVisible(); })) << "Alt+F opened nothing";
    copyOfAltPress();
    EXPECT_TRUE(pFile->isVisible()) << "the late copy of the Alt press closed the menu";

    QTest::keyPress(pFile, Qt::Key_Alt, Qt::AltModifier);
    copyOfAltPress();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !pFile->isVisible(); }))
        << "an Alt pressed in the open menu left it open";
}
