// SPDX-License-Identifier: GPL-3.0-or-later
// The result list: line storage and replacement, selection by the program and
// by mouse and keyboard, the scroll range following appends, and the memory a
// line costs.
#include "widgets/ResultList.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include <cstring>
#include <map>
#include <vector>

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
        QRect rect = list.lineRect(row);
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

TEST_F(ResultListTest, ScrollRangeFollowsAppendsWhenEventsAreProcessed)
{
    ShowAndSettle();
    const int page = list.verticalScrollBar()->pageStep();
    ASSERT_GT(page, 1);
    Fill(1000);
    EXPECT_EQ(0, list.verticalScrollBar()->maximum());  // nothing redone per append
    // Shown together once events are processed, within a fraction of a second.
    EXPECT_TRUE(QTest::qWaitFor([&] { return list.verticalScrollBar()->maximum() == 1000 - page; }, 1000));
    list.verticalScrollBar()->setValue(990 - page);
    EXPECT_EQ(990 - page, list.topIndex());
    EXPECT_EQ(Lines{}, SelectedLines());
    list.clear();
    EXPECT_EQ(0, list.verticalScrollBar()->maximum());
    EXPECT_EQ(-1, list.lineAt(QPoint(5, 5)));
}

// The bar is there only for a line wider than the view, measured as drawn: a
// line of many narrow characters is narrower than the same count of "M"s.
TEST_F(ResultListTest, HorizontalBarOnlyForALineWiderThanTheView)
{
    ShowAndSettle();
    list.resize(600, 400);
    list.addLine(std::string(60, 'i'));
    list.addLine("     - a.tmp  (   1 kB) [ Deleted: 2004-05-06 07:08:09 by JDOE ]");
    QTest::qWait(100);
    EXPECT_EQ(0, list.horizontalScrollBar()->maximum());
    list.addLine(std::string(200, 'W'));
    EXPECT_TRUE(QTest::qWaitFor([&] { return list.horizontalScrollBar()->maximum() > 0; }, 1000));
    list.clear();
    QTest::qWait(100);
    EXPECT_EQ(0, list.horizontalScrollBar()->maximum());
}

TEST_F(ResultListTest, KeyboardMovesAndExtendsSelection)
{
    Fill(10);
    ShowAndSettle();
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Down);  // the first line becomes current
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(Lines{"line 1"}, SelectedLines());
    QTest::keyClick(&list, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&list, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ((Lines{"line 1", "line 2", "line 3"}), SelectedLines());
    QTest::keyClick(&list, Qt::Key_End);
    EXPECT_EQ(Lines{"line 9"}, SelectedLines());
    EXPECT_EQ(9, list.currentIndex());
    QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(10, list.selectedCount());
}

TEST_F(ResultListTest, KeyboardScrollsCurrentLineIntoSight)
{
    Fill(500);
    ShowAndSettle();
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_End);
    EXPECT_TRUE(list.lineRect(499).isValid());
    EXPECT_FALSE(list.lineRect(0).isValid());
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

// The store keeps lines in blocks of fixed size: lines on both sides of a
// block's end, a line longer than a block and selections past the first block
// of line records must come back unchanged.
TEST(ResultLines, LinesAcrossBlockBoundariesKeepTextAndSelection)
{
    ResultLines lines;
    const std::string longLine(3'000'000, 'x');
    auto text = [](int i) { return std::string(static_cast<std::size_t>(i % 97), 'a' + i % 26) + std::to_string(i); };
    const int count = 150'000;  // more than two blocks of line records, several text blocks
    for (int i = 0; i < count; ++i) {
        if (i == 70'000)
            EXPECT_EQ(i, lines.append(longLine));
        else
            EXPECT_EQ(i, lines.append({"     - ", text(i)}));
    }
    lines.setSelected(65'535, 65'537, true);
    lines.set(65'536, "replaced by a line of another length");
    lines.set(149'999, lines.view(10));  // a text taken from the store itself
    lines.toggleSelected(140'000);

    ASSERT_EQ(count, lines.count());
    for (int i = 0; i < count; ++i) {
        std::string expected = i == 70'000 ? longLine : "     - " + text(i);
        if (i == 65'536)
            expected = "replaced by a line of another length";
        if (i == 149'999)
            expected = "     - " + text(10);
        ASSERT_EQ(expected, lines.line(i)) << i;
        ASSERT_EQ(i == 65'535 || i == 65'536 || i == 65'537 || i == 140'000, lines.isSelected(i)) << i;
    }
    EXPECT_EQ(longLine.size(), lines.longestLine());
    EXPECT_THROW(lines.line(count), std::out_of_range);

    lines.clear();
    EXPECT_EQ(0, lines.count());
    EXPECT_EQ(0, lines.append("again"));
    EXPECT_FALSE(lines.isSelected(0));
    EXPECT_EQ("again", lines.line(0));
}

// Record lines keep values and are written out when read; value lines keep
// one number in their slot. Mixed with text lines across block boundaries,
// rewritten in place or moved, replaced by text and back, each line must read
// as the text its writer gives for its own values.
void WritePair(std::string_view record, std::string& text)
{
    text += "pair ";
    text += record;
}

void WriteCount(std::uint32_t value, std::string& text)
{
    text += "count " + std::to_string(value);
}

void WriteSquare(std::uint32_t value, std::string& text)
{
    text += "square " + std::to_string(std::uint64_t(value) * value);
}

// The same with every block of characters in memory, with all but the newest
// on disk, and with a scratch folder that cannot be used (all in memory).
struct MemoryPart {
    const char* name;
    std::size_t blocks;
    const char* folder;
    bool onDisk;
};

class ResultLinesMemoryPart : public ::testing::TestWithParam<MemoryPart> {};

INSTANTIATE_TEST_SUITE_P(Blocks, ResultLinesMemoryPart,
                         ::testing::Values(MemoryPart{"AllInMemory", ResultLines::DefaultMemoryBlocks, "", false},
                                           MemoryPart{"OldestOnDisk", 1, "", true},
                                           MemoryPart{"NoScratchFile", 1, "/nonexistent/scratch", false}),
                         [](const ::testing::TestParamInfo<MemoryPart>& info) { return info.param.name; });

TEST_P(ResultLinesMemoryPart, RecordAndValueLinesReadAsTheirWritersText)
{
    ResultLines lines;
    lines.keepInMemory(GetParam().blocks, GetParam().folder);
    auto expected = [](int i) -> std::string {
        switch (i % 4) {
        case 0: return "pair " + std::to_string(i) + "/x";
        case 1: return "count " + std::to_string(i);
        case 2: return "square " + std::to_string(std::uint64_t(i) * i);
        default: return "text " + std::to_string(i);
        }
    };
    const int count = 200'000;  // several blocks of both kinds
    for (int i = 0; i < count; ++i) {
        const std::string record = std::to_string(i) + "/x";
        switch (i % 4) {
        case 0: EXPECT_EQ(i, lines.appendRecord<WritePair>(record, 5 + record.size())); break;
        case 1: EXPECT_EQ(i, lines.appendValue<WriteCount>(static_cast<std::uint32_t>(i), 16)); break;
        case 2: EXPECT_EQ(i, lines.appendValue<WriteSquare>(static_cast<std::uint32_t>(i), 27)); break;
        default: EXPECT_EQ(i, lines.append(expected(i))); break;
        }
    }
    std::map<int, std::string> changed;
    lines.recordData(4)[2] = 'y';  // changed where it lies
    changed[4] = "pair 4/y";
    lines.set(8, "was a record, now longer text");  // moved to the end
    changed[8] = "was a record, now longer text";
    lines.set(12, "was a record");  // a text line of the record's own size must not be read as one
    changed[12] = "was a record";
    lines.set(13, "was a value");
    changed[13] = "was a value";
    lines.setSelected(5, 6, true);
    lines.setSelected(9, 9, true);
    lines.set(9, "selected and moved");  // keeps its selection
    changed[9] = "selected and moved";

    // More text after them pushes their blocks out of a small memory part.
    const std::string more = "more text pushes the first blocks out";
    for (int i = 0; i < count; ++i)
        lines.append(more);
    EXPECT_EQ(GetParam().onDisk, lines.blocksOnDisk() > 0);

    ASSERT_EQ(2 * count, lines.count());
    EXPECT_EQ(GetParam().onDisk, lines.blocksOnDisk() > 0);
    for (int i = 0; i < count; ++i) {
        const auto found = changed.find(i);
        ASSERT_EQ(found == changed.end() ? expected(i) : found->second, lines.line(i)) << i;
        ASSERT_EQ(i == 5 || i == 6 || i == 9, lines.isSelected(i)) << i;
    }
    // The text of one record line stays put while another kind is read.
    const std::string_view text = lines.view(3);
    lines.view(1);
    EXPECT_EQ("text 3", text);

    EXPECT_EQ(more, lines.line(2 * count - 1));
    // Changed again, where they lie or, on disk, brought back to the end.
    lines.recordData(4)[2] = 'z';
    lines.set(5, "selected, changed after the job");
    EXPECT_EQ("pair 4/z", lines.line(4));
    EXPECT_EQ("selected, changed after the job", lines.line(5));
    EXPECT_TRUE(lines.isSelected(5));
    EXPECT_EQ(expected(count - 1), lines.line(count - 1));

    lines.clear();
    EXPECT_EQ(0u, lines.blocksOnDisk());
    EXPECT_EQ(0, lines.appendValue<WriteCount>(7, 16));
    EXPECT_EQ("count 7", lines.line(0));
}

// A record can be made where it stays and changed there later; only a record
// line has a record to change.
TEST(ResultLines, RecordsMadeAndChangedInTheStore)
{
    ResultLines lines;
    lines.append("heading");
    for (int i = 0; i < 70'000; ++i)  // past the first block of line records
        lines.appendRecordWith<WritePair>(3, 8, [i](char* room) { std::memcpy(room, i % 2 ? "odd" : "evn", 3); });
    lines.recordData(70'000)[0] = 'O';
    lines.recordData(1)[2] = 'N';
    EXPECT_EQ("pair Odd", lines.line(70'000));
    EXPECT_EQ("pair evN", lines.line(1));
    EXPECT_EQ("pair odd", lines.line(2));
    EXPECT_THROW(lines.recordData(0), std::logic_error);
    EXPECT_THROW(lines.recordData(70'001), std::out_of_range);
}

// An empty line takes no characters; after a block filled to its last byte,
// by a line of exactly a block's size or by one longer than a block, it must
// still read as empty, and the lines after it as themselves.
TEST(ResultLines, EmptyLineAfterAFullBlock)
{
    ResultLines lines;
    const std::string blockSized(std::size_t(1) << 20, 'b');
    const std::string longer(3'000'000, 'l');
    const std::vector<std::string> expected = {blockSized, "", "after", longer, "", "", "last"};
    for (const std::string& line : expected)
        lines.append(line);
    ASSERT_EQ(static_cast<int>(expected.size()), lines.count());
    for (int i = 0; i < lines.count(); ++i)
        EXPECT_EQ(expected[static_cast<std::size_t>(i)], lines.view(i)) << i;
    lines.set(4, "filled in later");
    EXPECT_EQ("filled in later", lines.line(4));
    EXPECT_EQ("", lines.line(5));
}

// A line too long for the store, or a line kind too many, is refused with an
// exception and leaves every line as it was.
void WriteNothing(std::string_view, std::string&) {}

TEST(ResultLines, RefusedLineLeavesTheListAsItWas)
{
    ResultLines lines;
    lines.append("first");
    const std::string tooLong(std::size_t(1) << 25, 'x');
    EXPECT_THROW(lines.append(tooLong), std::length_error);
    EXPECT_THROW(lines.appendRecord<WritePair>(tooLong, 10), std::length_error);
    EXPECT_THROW(lines.set(0, tooLong), std::length_error);
    ASSERT_EQ(1, lines.count());
    EXPECT_EQ("first", lines.line(0));
    EXPECT_EQ(1, lines.append(std::string_view(tooLong).substr(1)));  // the longest line that fits
    EXPECT_EQ(tooLong.size() - 1, lines.view(1).size());

    // Record lines of two writers each read as their own writer's text.
    EXPECT_EQ(2, lines.appendRecord<WriteNothing>("", 0));
    EXPECT_EQ(3, lines.appendRecord<WritePair>("b", 6));
    EXPECT_EQ("", lines.line(2));
    EXPECT_EQ("pair b", lines.line(3));
}

TEST_F(ResultListTest, LineCostsLessThanTwoHundredBytes)
{
    const std::string text = "     + SOME-FILE-NAME.BAK  ( 123 kB) [ Deleted: 1999-12-31 23:59:07 by ADMINISTRATOR ]";
    for (int i = 0; i < 100000; ++i)
        list.addLine(text);
    EXPECT_LT(list.store().memoryBytes() / 100000, 200u);
}

} // namespace
