// SPDX-License-Identifier: GPL-3.0-or-later
// The history of an editable combo box: newest first, at most 31 entries, a
// "Count" that must fit 8 bits.
#include "D_IniTestSupport.h"
#include "settings/D_Ini.h"

#include <QComboBox>

namespace {

using Lines = std::vector<std::string>;

class HistoryTest : public SettingsFileTest {
protected:
    QComboBox combo;
    void SetUp() override
    {
        SettingsFileTest::SetUp();
        combo.setEditable(true);
    }
    void Fill(int n)
    {
        for (int i = 0; i < n; ++i)
            combo.addItem(QString("item%1").arg(i));
    }
    void Save() { SaveHistory(ini.get(), "History ComboServer", &combo); }
    void Load(const std::string& fallback = {}) { LoadHistory(ini.get(), "History ComboServer", fallback, &combo); }
};

TEST_F(HistoryTest, AFullHistoryDropsItsLastEntryForTheNewText)
{
    Fill(31);
    combo.setEditText("fresh");
    AddToHistory(&combo);
    ASSERT_EQ(combo.count(), 31);
    EXPECT_EQ(combo.itemText(0), "fresh");
    EXPECT_EQ(combo.itemText(30), "item29");
    EXPECT_EQ(combo.currentText(), "fresh");
}

TEST_F(HistoryTest, AListedOrEmptyTextChangesNothing)
{
    Fill(3);
    combo.setEditText("ITEM2");
    AddToHistory(&combo);
    EXPECT_EQ(combo.count(), 3);
    EXPECT_EQ(combo.itemText(2), "item2");
    combo.setEditText("");
    AddToHistory(&combo);
    EXPECT_EQ(combo.count(), 3);
}

TEST_F(HistoryTest, DroppingTheChosenEntryKeepsTheTextShown)
{
    Fill(31);
    combo.setCurrentIndex(30);
    combo.setEditText("typed");
    AddToHistory(&combo);
    EXPECT_EQ(combo.currentText(), "typed");
    EXPECT_EQ(combo.itemText(0), "typed");
}

TEST_F(HistoryTest, SavedQuotedAndReadBackWithoutQuotes)
{
    combo.addItem("FS1");
    combo.setEditText("FS 2");
    Save();
    EXPECT_EQ(Section("History ComboServer"), Lines({"Current=\"FS 2\"", "Count=2", "0=\"FS 2\"", "1=\"FS1\""}));
    const std::string first = FileBytes();
    Save();
    EXPECT_EQ(FileBytes(), first);

    QComboBox other;
    other.setEditable(true);
    LoadHistory(ini.get(), "History ComboServer", "unused", &other);
    EXPECT_EQ(other.currentText(), "FS 2");
    ASSERT_EQ(other.count(), 2);
    EXPECT_EQ(other.itemText(1), "FS1");
}

TEST_F(HistoryTest, AnEmptyComboLeavesNoKeys)
{
    Save();
    EXPECT_FALSE(ini->SectionExists("History ComboServer"));
}

TEST_F(HistoryTest, WithoutACountKeysZeroToThirtyAreRead)
{
    PutFile("[History ComboServer]\r\n0=a\r\n30=last\r\n31=beyond\r\n5=A\r\n");
    Load("fallback");
    EXPECT_EQ(combo.currentText(), "fallback");
    ASSERT_EQ(combo.count(), 3);
    EXPECT_EQ(combo.itemText(0), "fallback");
    EXPECT_EQ(combo.itemText(1), "a");
    EXPECT_EQ(combo.itemText(2), "last");
}

TEST_F(HistoryTest, ACountOutsideEightBitsIsRefused)
{
    PutFile("[History ComboServer]\r\nCount=256\r\nCurrent=FS3\r\n0=a\r\n");
    EXPECT_THROW(Load(), std::range_error);
    EXPECT_EQ(combo.currentText(), "FS3");
    EXPECT_EQ(combo.count(), 0);

    PutFile("[History ComboServer]\r\nCount=-1\r\n");
    EXPECT_THROW(Load(), std::range_error);

    PutFile("[History ComboServer]\r\nCount=255\r\n0=a\r\n");
    EXPECT_NO_THROW(Load());
}

TEST_F(HistoryTest, AHistoryBeyond255EntriesIsRefused)
{
    Fill(256);
    combo.setEditText("item0");
    EXPECT_THROW(Save(), std::range_error);
}

}  // namespace
