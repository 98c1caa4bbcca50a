// The result list: line storage and replacement, selection bits kept in step
// with what the user does in the view, rows announced to the view in batches,
// and the memory a line costs.
#include "widgets/ResultList.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

namespace {

using Lines = std::vector<std::string>;

class ResultListTest : public ::testing::Test {
protected:
    void Fill(int n)
    {
        for (int i = 0; i < n; ++i)
            list.addLine("line " + std::to_string(i));
    }

    void ShowAndSettle()
    {
        list.resize(300, 400);
        list.show();
        QCoreApplication::processEvents();
    }

    void Click(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QRect rect = list.visualRect(list.model()->index(row, 0));
        ASSERT_TRUE(rect.isValid()) << "row " << row << " is not laid out";
        QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers, rect.center());
    }

    Lines SelectedLines() const
    {
        Lines selected;
        for (int i = 0; i < list.count(); ++i)
            if (list.isSelected(i))
                selected.push_back(list.line(i));
        return selected;
    }

    ResultList list;
};

TEST_F(ResultListTest, StoresAndReplacesLines)
{
    EXPECT_EQ(0, list.addLine(""));
    EXPECT_EQ(1, list.addLine("     - A.BAK"));
    EXPECT_EQ(2, list.addLine("tail"));
    list.setLine(1, "     + A.BAK");         // same length: in place
    EXPECT_EQ((Lines{"", "     + A.BAK", "tail"}), list.lines());
    list.setLine(0, "a longer first line");  // another length
    list.setLine(2, "");
    EXPECT_EQ((Lines{"a longer first line", "     + A.BAK", ""}), list.lines());
    list.addLine(std::string("with\0nul", 8));
    EXPECT_EQ(std::string("with\0nul", 8), list.line(3));
    list.clear();
    EXPECT_EQ(0, list.count());
    EXPECT_EQ(0, list.addLine("again"));
}

TEST_F(ResultListTest, SelectionBitsPerLine)
{
    Fill(5);
    list.setSelected(1, true);
    list.setSelected(3, true);
    list.setSelected(3, false);
    list.setSelected(4, true);
    EXPECT_EQ((Lines{"line 1", "line 4"}), SelectedLines());
    list.setLine(1, "changed");
    EXPECT_TRUE(list.isSelected(1));  // replacing the text keeps the mark
    list.clear();
    list.addLine("fresh");
    EXPECT_FALSE(list.isSelected(0));
}

TEST_F(ResultListTest, HiddenListAnnouncesRowsWhenShown)
{
    Fill(1000);
    EXPECT_EQ(0, list.model()->rowCount());
    EXPECT_EQ(1000, list.count());
    ShowAndSettle();
    EXPECT_EQ(1000, list.model()->rowCount());
}

TEST_F(ResultListTest, VisibleListAnnouncesAppendsWhenEventsAreProcessed)
{
    ShowAndSettle();
    Fill(3);
    EXPECT_EQ(0, list.model()->rowCount());  // nothing laid out per append
    QCoreApplication::processEvents();
    EXPECT_EQ(3, list.model()->rowCount());
    EXPECT_EQ("line 2", list.model()->index(2, 0).data().toString().toStdString());
    list.addLine("line 3");
    QCoreApplication::processEvents();
    EXPECT_EQ(4, list.model()->rowCount());
    list.clear();
    EXPECT_EQ(0, list.model()->rowCount());
    QCoreApplication::processEvents();
    EXPECT_EQ(0, list.model()->rowCount());
}

TEST_F(ResultListTest, ClickReplacesProgramSelection)
{
    Fill(10);
    list.setSelected(2, true);
    list.setSelected(5, true);
    ShowAndSettle();
    Click(7);
    EXPECT_EQ(Lines{"line 7"}, SelectedLines());
}

TEST_F(ResultListTest, ControlClickTogglesProgramSelectedLine)
{
    Fill(10);
    list.setSelected(2, true);
    list.setSelected(5, true);
    ShowAndSettle();
    Click(5, Qt::ControlModifier);
    EXPECT_EQ(Lines{"line 2"}, SelectedLines());
    Click(6, Qt::ControlModifier);
    EXPECT_EQ((Lines{"line 2", "line 6"}), SelectedLines());
}

TEST_F(ResultListTest, ShiftClickSelectsRangeAndShrinksIt)
{
    Fill(10);
    ShowAndSettle();
    Click(2);
    Click(6, Qt::ShiftModifier);
    EXPECT_EQ((Lines{"line 2", "line 3", "line 4", "line 5", "line 6"}), SelectedLines());
    Click(3, Qt::ShiftModifier);  // the range from the anchor replaces the previous one
    EXPECT_EQ((Lines{"line 2", "line 3"}), SelectedLines());
}

TEST_F(ResultListTest, SelectAllAndProgramSelectionAfterUserSelection)
{
    Fill(4);
    ShowAndSettle();
    list.selectAll();
    EXPECT_EQ(4, list.selectedCount());
    Click(0);
    list.setSelected(3, true);
    EXPECT_EQ((Lines{"line 0", "line 3"}), SelectedLines());
}

TEST_F(ResultListTest, LineCostsLessThanTwoHundredBytes)
{
    const std::string text = "     + SOME-FILE-NAME.BAK  ( 123 kB) [ Deleted: 1999-12-31 23:59:07 by ADMINISTRATOR ]";
    for (int i = 0; i < 100000; ++i)
        list.addLine(text);
    EXPECT_LT(list.lineModel()->memoryBytes() / 100000, 200u);
}

} // namespace
