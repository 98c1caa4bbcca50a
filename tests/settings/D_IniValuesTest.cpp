// SPDX-License-Identifier: GPL-3.0-or-later
// Keys, values written only on change, numbered list sections and the
// start-path list with its check marks.
#include "D_IniTestSupport.h"
#include "settings/D_Ini.h"
#include "widgets/CheckListBox.h"

namespace {

using Lines = std::vector<std::string>;

TEST(IniKeyTest, RemovesEveryBracketAndNothingElse)
{
    EXPECT_EQ(IniKey("\\\\FS1\\SYS\\[old]\\a]b["), "\\\\FS1\\SYS\\old\\ab");
    EXPECT_EQ(IniKey("[]"), "");
    EXPECT_EQ(IniKey("a=b c"), "a=b c");
}

class IniValuesTest : public SettingsFileTest {};

TEST_F(IniValuesTest, UnchangedValuesLeaveTheFileAlone)
{
    PutFile("[S]\r\nText =  hello \r\nQuoted=\"x\"\r\nNumber=0x10\r\nFlag=7\r\n");
    const std::string before = FileBytes();
    WriteStringIfChanged(ini.get(), "s", "text", "hello");
    WriteStringIfChanged(ini.get(), "S", "Quoted", "x");
    WriteStringIfChanged(ini.get(), "S", "Quoted", "\"x\"");  // as a history writes it
    WriteIntegerIfChanged(ini.get(), "S", "Number", 16);
    WriteBoolIfChanged(ini.get(), "S", "Flag", true);
    EXPECT_EQ(FileBytes(), before);
}

TEST_F(IniValuesTest, ChangedValuesAreWritten)
{
    WriteStringIfChanged(ini.get(), "S", "Text", "Hello");
    WriteStringIfChanged(ini.get(), "S", "Text", "hello");  // letter case counts
    WriteIntegerIfChanged(ini.get(), "S", "Number", -3);
    EXPECT_EQ(Section("S"), Lines({"Text=hello", "Number=-3"}));
}

TEST_F(IniValuesTest, DefaultsLeaveNoKeyButFlagsAlwaysDo)
{
    WriteStringIfChanged(ini.get(), "S", "Text", "");
    WriteIntegerIfChanged(ini.get(), "S", "Number", 0);
    EXPECT_FALSE(Exists("morvane.ini"));
    WriteBoolIfChanged(ini.get(), "S", "Flag", false);
    EXPECT_EQ(Section("S"), Lines({"Flag=0"}));
    WriteBoolIfChanged(ini.get(), "S", "Flag", true);
    EXPECT_EQ(Section("S"), Lines({"Flag=1"}));
}

TEST_F(IniValuesTest, KeysTheFileCannotHoldAreSkippedNotFatal)
{
    WriteStringIfChanged(ini.get(), "S", "[]", "x");
    WriteBoolIfChanged(ini.get(), "S", "[ \x1A]", true);
    WriteBoolIfChanged(ini.get(), "S", "a=b", true);
    WriteIntegerIfChanged(ini.get(), "S", "line\nbreak", 5);
    EXPECT_FALSE(Exists("morvane.ini"));
    WriteBoolIfChanged(ini.get(), "S", "[a]", true);
    EXPECT_EQ(Section("S"), Lines({"a=1"}));
    EXPECT_TRUE(ReadIniBool(ini.get(), "S", "[a]", false));
}

TEST_F(IniValuesTest, SectionStringsNumberTheNonEmptyEntries)
{
    PutFile("[L]\r\nold=1\r\n[Other]\r\nk=v\r\n");
    WriteSectionStrings(ini.get(), "L", {"a", "", "c=d"});
    EXPECT_EQ(Section("L"), Lines({"0=a", "2=c=d"}));
    EXPECT_EQ(Section("Other"), Lines({"k=v"}));

    Lines list = {"stale"};
    ReadSectionStrings(ini.get(), "L", list);
    EXPECT_EQ(list, Lines({"a", "c=d"}));
    ReadSectionStrings(ini.get(), "Missing", list);
    EXPECT_TRUE(list.empty());
}

TEST_F(IniValuesTest, SectionStringsFollowTheFileNotTheNumbers)
{
    PutFile("[L]\r\n7=seven\r\nno value here\r\n0=zero\r\n");
    Lines list;
    ReadSectionStrings(ini.get(), "L", list);
    EXPECT_EQ(list, Lines({"seven", "zero"}));
}

// An entry the reader would change (blanks at its ends, quotes around it) is
// stored quoted and comes back as it was; values in older files read as before.
TEST_F(IniValuesTest, SectionStringsComeBackAsTyped)
{
    const Lines typed = {"  *.log  ", "*.tmp ", "\t*.x", "\"q\"", "\"", "'s'", "a\"b\"", "\" \""};
    WriteSectionStrings(ini.get(), "L", typed);
    EXPECT_EQ(Section("L"), Lines({"0=\"  *.log  \"", "1=\"*.tmp \"", "2=\"\t*.x\"", "3=\"\"q\"\"", "4=\"",
                                   "5='s'", "6=a\"b\"", "7=\"\" \"\""}));
    Lines list;
    ReadSectionStrings(ini.get(), "L", list);
    EXPECT_EQ(list, typed);

    PutFile("[Old]\r\n0=  *.log  \r\n1=\"*.bak\"\r\n2=\"\"\r\n3=\"\"x\"\r\n");
    ReadSectionStrings(ini.get(), "Old", list);
    EXPECT_EQ(list, Lines({"*.log", "\"*.bak\"", "\"\"", "\"\"x\""}));
}

TEST_F(IniValuesTest, RefusedWritesReachTheCaller)
{
    // A folder in place of the file: no write can replace it.
    std::filesystem::create_directory(PathOf("morvane.ini"));
    EXPECT_THROW(WriteStringIfChanged(ini.get(), "S", "Text", "x"), IniFileError);
    EXPECT_THROW(WriteSectionStrings(ini.get(), "L", {"a"}), IniFileError);
}

// ---- the start-path list -------------------------------------------------------

class CheckListTest : public SettingsFileTest {
protected:
    CheckListBox box;
    void Save() { SaveCheckList(ini.get(), "CheckListBoxQ", &box); }
    void Restore() { RestoreCheckList(ini.get(), "CheckListBoxQ", &box); }
};

TEST_F(CheckListTest, ItemsAndMarksGoToTwoSections)
{
    box.addItem("A", true);
    box.addItem("B", false);
    Save();
    EXPECT_EQ(Section("CheckListBoxQ"), Lines({"0=A", "1=B"}));
    EXPECT_EQ(Section("CheckListBoxQ Checked"), Lines({"A=1"}));

    box.setChecked(0, false);
    Save();
    EXPECT_FALSE(ini->SectionExists("CheckListBoxQ Checked"));
}

TEST_F(CheckListTest, PathsWithBracketsKeepTheirMarks)
{
    box.addItem("\\\\FS1\\SYS\\[backup]", true);
    box.addItem("\\\\FS1\\SYS\\old]", false);
    box.addItem("\\\\FS1\\SYS\\new[", true);
    Save();
    EXPECT_EQ(Section("CheckListBoxQ Checked"), Lines({"\\\\FS1\\SYS\\backup=1", "\\\\FS1\\SYS\\new=1"}));

    box.clear();
    Restore();
    ASSERT_EQ(box.count(), 3);
    EXPECT_EQ(box.itemText(0), "\\\\FS1\\SYS\\[backup]");
    EXPECT_TRUE(box.isChecked(0));
    EXPECT_FALSE(box.isChecked(1));
    EXPECT_TRUE(box.isChecked(2));
}

TEST_F(CheckListTest, AHandReorderedSectionRestoresInFileOrder)
{
    PutFile("[CheckListBoxQ]\r\n1=B\r\n0=A\r\n[CheckListBoxQ Checked]\r\na=1\r\n");
    box.addItem("stale", true);
    Restore();
    EXPECT_EQ(box.items(), QStringList({"B", "A"}));
    EXPECT_FALSE(box.isChecked(0));
    EXPECT_TRUE(box.isChecked(1));  // marks match without regard to case
}

TEST_F(CheckListTest, APathWithAnEqualsSignLosesOnlyItsOwnMark)
{
    box.addItem("\\\\FS1\\SYS\\a=b", true);
    box.addItem("\\\\FS1\\SYS\\later", true);
    EXPECT_NO_THROW(Save());
    box.clear();
    Restore();
    ASSERT_EQ(box.items(), QStringList({"\\\\FS1\\SYS\\a=b", "\\\\FS1\\SYS\\later"}));
    EXPECT_FALSE(box.isChecked(0));
    EXPECT_TRUE(box.isChecked(1));
}

TEST_F(CheckListTest, DuplicateSectionsGiveWayToTheListShown)
{
    PutFile("[CheckListBoxQ]\r\n0=A\r\n[CheckListBoxQ Checked]\r\nA=1\r\n[Other]\r\nk=v\r\n"
            "[checklistboxq]\r\n0=unseen\r\n1=B\r\n[CheckListBoxQ Checked]\r\nB=1\r\n");
    Restore();
    ASSERT_EQ(box.items(), QStringList({"A"}));
    Save();
    box.clear();
    Restore();
    EXPECT_EQ(box.items(), QStringList({"A"}));
    EXPECT_TRUE(box.isChecked(0));
    EXPECT_EQ(ini->ReadSections(), Lines({"Other", "CheckListBoxQ", "CheckListBoxQ Checked"}));
}

TEST_F(CheckListTest, ASaveThatFailsPartWayLeavesListAndMarksAsTheyWere)
{
    const std::string before = "[CheckListBoxQ]\r\n0=A\r\n1=B\r\n[CheckListBoxQ Checked]\r\nA=1\r\n";
    PutFile(before);
    box.addItem("C", true);
    box.addItem("line\nbreak", false);  // a value the file cannot hold
    box.addItem("D", true);
    EXPECT_THROW(Save(), IniFileError);
    EXPECT_EQ(FileBytes(), before);
}

TEST_F(CheckListTest, AMissingSectionEmptiesTheList)
{
    box.addItem("A", true);
    Restore();
    EXPECT_EQ(box.count(), 0);
}

}  // namespace
