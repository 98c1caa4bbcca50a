// SPDX-License-Identifier: GPL-3.0-or-later
// RadioGroup: the index moves by program and by user, and the change signal
// fires exactly once per real change.
#include "widgets/RadioGroup.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct RadioGroupTest : testing::Test {
    RadioGroup group;
    void SetUp() override
    {
        group.setItems({"Or", "And", "Xor"});
        group.show();
        settle();
    }
    // Lets the layout place buttons created after the group was shown.
    void settle()
    {
        QApplication::processEvents();
        group.adjustSize();
    }
    // A radio button answers clicks on its circle and caption only, not on the
    // empty width its column gives it.
    void click(int i)
    {
        QRadioButton* b = group.button(i);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(4, b->height() / 2));
    }
};

TEST_F(RadioGroupTest, StartsWithNothingChosen)
{
    EXPECT_EQ(group.count(), 3);
    EXPECT_EQ(group.itemIndex(), -1);
    EXPECT_EQ(group.itemText(1), "And");
    EXPECT_EQ(group.itemText(3), QString());
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(group.button(i)->isChecked());
}

TEST_F(RadioGroupTest, ClickChoosesAndNotifiesOnce)
{
    QSignalSpy spy(&group, &RadioGroup::itemIndexChanged);
    click(1);
    EXPECT_EQ(group.itemIndex(), 1);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 1);

    // Clicking the chosen button again is no change.
    click(1);
    EXPECT_EQ(spy.count(), 1);

    click(0);
    EXPECT_EQ(group.itemIndex(), 0);
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(1).at(0).toInt(), 0);
    EXPECT_FALSE(group.button(1)->isChecked());
}

TEST_F(RadioGroupTest, ProgramChangeNotifiesOnlyWhenIndexMoves)
{
    QSignalSpy spy(&group, &RadioGroup::itemIndexChanged);
    group.setItemIndex(2);
    EXPECT_TRUE(group.button(2)->isChecked());
    group.setItemIndex(2);
    EXPECT_EQ(spy.count(), 1);

    group.setItemIndex(-1);
    EXPECT_EQ(group.itemIndex(), -1);
    EXPECT_FALSE(group.button(2)->isChecked());
    EXPECT_EQ(spy.count(), 2);
    group.setItemIndex(-1);
    EXPECT_EQ(spy.count(), 2);

    // After clearing, a button can still be chosen.
    click(0);
    EXPECT_EQ(group.itemIndex(), 0);
    EXPECT_EQ(spy.count(), 3);
}

TEST_F(RadioGroupTest, OutOfRangeIndexesClampToTheButtons)
{
    group.setItemIndex(17);
    EXPECT_EQ(group.itemIndex(), 2);
    group.setItemIndex(-5);
    EXPECT_EQ(group.itemIndex(), -1);
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(group.button(i)->isChecked());
}

TEST_F(RadioGroupTest, KeyboardMovesTheChoice)
{
    group.setItemIndex(0);
    QSignalSpy spy(&group, &RadioGroup::itemIndexChanged);
    group.button(0)->setFocus();
    QTest::keyClick(group.button(0), Qt::Key_Down);
    EXPECT_EQ(group.itemIndex(), 1);
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(RadioGroupTest, RebuildingTheItemsResetsTheChoice)
{
    group.setItemIndex(1);
    QSignalSpy spy(&group, &RadioGroup::itemIndexChanged);
    group.setItems({"A", "B"});
    EXPECT_EQ(group.itemIndex(), -1);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(group.items(), QStringList({"A", "B"}));

    group.addItem("C", 42);
    EXPECT_EQ(group.itemData(2).toInt(), 42);
    settle();
    click(2);
    EXPECT_EQ(group.itemIndex(), 2);

    group.clear();
    EXPECT_EQ(group.count(), 0);
    EXPECT_EQ(group.itemIndex(), -1);
    EXPECT_EQ(group.button(0), nullptr);
}

TEST_F(RadioGroupTest, ColumnsFillTopToBottom)
{
    group.setItems({"a", "b", "c", "d", "e"});
    group.setColumns(2);
    EXPECT_EQ(group.columns(), 2);
    settle();
    // Three rows: a b c in the first column, d e in the second.
    EXPECT_EQ(group.button(0)->x(), group.button(2)->x());
    EXPECT_LT(group.button(0)->x(), group.button(3)->x());
    EXPECT_EQ(group.button(0)->y(), group.button(3)->y());
    EXPECT_LT(group.button(1)->y(), group.button(2)->y());
}

}  // namespace

// Tab between two controls around the group: entering it lands on the chosen
// button; the focus passing from one of its buttons to another by Tab (as a
// focus chain that does not skip them hands it on) leaves the group instead
// of being sent back to the chosen button for ever.
TEST(RadioGroupFocusTest, TabEntersAtTheChosenButtonAndLeavesFromAnyButton)
{
    QWidget window;
    auto* before = new QLineEdit(&window);
    auto* group = new RadioGroup(&window);
    group->setItems({"List", "Confirm", "Purge"});  // the buttons before "after" in the focus chain
    auto* after = new QLineEdit(&window);
    auto* layout = new QVBoxLayout(&window);
    for (QWidget* w : {static_cast<QWidget*>(before), static_cast<QWidget*>(group), static_cast<QWidget*>(after)})
        layout->addWidget(w);
    group->setItemIndex(0);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    group->button(2)->setFocus(Qt::TabFocusReason);  // from outside: to the chosen one
    EXPECT_EQ(QApplication::focusWidget(), group->button(0));
    for (int from : {0, 1}) {
        group->button(from)->setFocus(Qt::ShortcutFocusReason);
        group->button(from + 1)->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(QApplication::focusWidget(), after) << from;
    }
    group->button(2)->setFocus(Qt::ShortcutFocusReason);
    group->button(1)->setFocus(Qt::BacktabFocusReason);
    EXPECT_EQ(QApplication::focusWidget(), before);
    EXPECT_EQ(group->itemIndex(), 0);
}
