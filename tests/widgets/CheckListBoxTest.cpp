// SPDX-License-Identifier: GPL-3.0-or-later
// CheckListBox: items, marks, selection and the double-click and mark signals.
#include "widgets/CheckListBox.h"

#include <QListWidget>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct CheckListBoxTest : testing::Test {
    CheckListBox box;
    void SetUp() override
    {
        box.addItem("\\\\FS1\\SYS\\HOME", true);
        box.addItem("\\\\FS1\\VOL1\\DATA");
        box.resize(300, 200);
        box.show();
        QApplication::processEvents();
    }
    QPoint centreOf(int i) const
    {
        QListWidget* list = box.listWidget();
        return list->visualItemRect(list->item(i)).center();
    }
};

TEST_F(CheckListBoxTest, ItemsAndMarks)
{
    EXPECT_EQ(box.count(), 2);
    EXPECT_TRUE(box.isChecked(0));
    EXPECT_FALSE(box.isChecked(1));
    EXPECT_FALSE(box.isChecked(5));
    EXPECT_EQ(box.addItem("x"), 2);
    EXPECT_EQ(box.items(), QStringList({"\\\\FS1\\SYS\\HOME", "\\\\FS1\\VOL1\\DATA", "x"}));
    box.removeItem(0);
    EXPECT_EQ(box.itemText(0), "\\\\FS1\\VOL1\\DATA");
    EXPECT_FALSE(box.isChecked(0));
    box.clear();
    EXPECT_EQ(box.count(), 0);
    EXPECT_EQ(box.itemIndex(), -1);
}

TEST_F(CheckListBoxTest, FindsTextIgnoringCaseByDefault)
{
    EXPECT_EQ(box.indexOfText("\\\\fs1\\vol1\\data"), 1);
    EXPECT_EQ(box.indexOfText("\\\\fs1\\vol1\\data", Qt::CaseSensitive), -1);
    EXPECT_EQ(box.indexOfText("\\\\FS1\\VOL1"), -1);
}

TEST_F(CheckListBoxTest, MarkChangesAreReportedOnce)
{
    QSignalSpy spy(&box, &CheckListBox::checkedChanged);
    box.setChecked(1, true);
    box.setChecked(1, true);
    box.setChecked(0, true);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 1);
    EXPECT_TRUE(spy.at(0).at(1).toBool());

    // Renaming an item is not a mark change; adding a checked one is not either.
    box.listWidget()->item(0)->setText("renamed");
    box.addItem("new", true);
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(CheckListBoxTest, UserTogglesTheMarkWithTheSpaceKey)
{
    QSignalSpy spy(&box, &CheckListBox::checkedChanged);
    box.setItemIndex(1);
    box.listWidget()->setFocus();
    QTest::keyClick(box.listWidget(), Qt::Key_Space);
    EXPECT_TRUE(box.isChecked(1));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 1);
}

TEST_F(CheckListBoxTest, SelectionFollowsClicksAndProgram)
{
    EXPECT_EQ(box.itemIndex(), -1);
    QTest::mouseClick(box.listWidget()->viewport(), Qt::LeftButton, {}, centreOf(1));
    EXPECT_EQ(box.itemIndex(), 1);
    box.setItemIndex(0);
    EXPECT_EQ(box.itemIndex(), 0);
    box.setItemIndex(-1);
    EXPECT_EQ(box.itemIndex(), -1);
    box.setItemIndex(7);
    EXPECT_EQ(box.itemIndex(), -1);
}

TEST_F(CheckListBoxTest, DoubleClickReportsTheItem)
{
    QSignalSpy spy(&box, &CheckListBox::itemDoubleClicked);
    // The view honours a double-click only on the item the first click pressed.
    QTest::mouseClick(box.listWidget()->viewport(), Qt::LeftButton, {}, centreOf(1));
    QTest::mouseDClick(box.listWidget()->viewport(), Qt::LeftButton, {}, centreOf(1));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 1);
    EXPECT_EQ(box.itemIndex(), 1);
}

}  // namespace
