// SPDX-License-Identifier: GPL-3.0-or-later
// Writing settings files: where new lines go, which bytes change, and where a
// bare file name puts the file.
#include "settings/IniFile.h"

#include "IniFileTestSupport.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

class IniFileWrite : public IniScratch {
protected:
    ino_t InodeOf(const std::string& name) const
    {
        struct stat info {};
        ::stat(PathOf(name).c_str(), &info);
        return info.st_ino;
    }
};

TEST_F(IniFileWrite, FirstWriteCreatesTheFileWithCrLfAndNoByteOrderMark)
{
    IniFile ini(PathOf("new.ini"));
    ini.WriteString("Settings", "Server", "FS1");
    EXPECT_EQ(Bytes("new.ini"), "[Settings]\r\nServer=FS1\r\n");
}

TEST_F(IniFileWrite, UpdateRewritesOnlyTheKeysLineKeepingItsSpellingAndPlace)
{
    const std::string before = "; written by hand\n"
                               "[Config]\n"
                               "  First = one   \n"
                               "CheckBoxAge=0\r\n"
                               "\n"
                               "last=x\n"
                               "[Other]\n"
                               "checkboxage=untouched\n";
    Put("c.ini", before);
    IniFile ini(PathOf("c.ini"));
    ini.WriteString("CONFIG", "checkboxage", "1");
    EXPECT_EQ(Bytes("c.ini"), "; written by hand\n"
                              "[Config]\n"
                              "  First = one   \n"
                              "CheckBoxAge=1\r\n"
                              "\n"
                              "last=x\n"
                              "[Other]\n"
                              "checkboxage=untouched\n");
    // An update keeps an LF line an LF line.
    ini.WriteString("Config", "first", "uno");
    EXPECT_EQ(Bytes("c.ini"), "; written by hand\n"
                              "[Config]\n"
                              "First=uno\n"
                              "CheckBoxAge=1\r\n"
                              "\n"
                              "last=x\n"
                              "[Other]\n"
                              "checkboxage=untouched\n");
}

TEST_F(IniFileWrite, UpdateGoesToTheFirstOfDuplicates)
{
    Put("d.ini", "[S]\r\nk=1\r\nk=2\r\n[S]\r\nk=3\r\n");
    IniFile ini(PathOf("d.ini"));
    ini.WriteString("s", "K", "x");
    EXPECT_EQ(Bytes("d.ini"), "[S]\r\nk=x\r\nk=2\r\n[S]\r\nk=3\r\n");
    ini.DeleteKey("S", "k");
    EXPECT_EQ(Bytes("d.ini"), "[S]\r\nk=2\r\n[S]\r\nk=3\r\n");
    ini.EraseSection("S");
    EXPECT_EQ(Bytes("d.ini"), "[S]\r\nk=3\r\n");
}

TEST_F(IniFileWrite, NewKeyFollowsTheLastKeyOfItsSection)
{
    Put("n.ini", "[A]\r\nx=1\r\n\r\n; about B\r\n[B]\r\ny=2\r\n");
    IniFile ini(PathOf("n.ini"));
    ini.WriteString("A", "Added", "new");
    ini.WriteString("B", "z", "3");
    EXPECT_EQ(Bytes("n.ini"), "[A]\r\nx=1\r\nAdded=new\r\n\r\n; about B\r\n[B]\r\ny=2\r\nz=3\r\n");
}

TEST_F(IniFileWrite, NewKeyInASectionWithoutKeysFollowsTheHeader)
{
    Put("h.ini", "[A]\n\n[B]");
    IniFile ini(PathOf("h.ini"));
    ini.WriteString("A", "a", "1");
    ini.WriteString("B", "b", "2");
    EXPECT_EQ(Bytes("h.ini"), "[A]\na=1\r\n\n[B]\r\nb=2\r\n");
}

TEST_F(IniFileWrite, NewSectionGoesAtTheEndAfterABlankLine)
{
    Put("s.ini", "[A]\r\nx=1");
    IniFile ini(PathOf("s.ini"));
    ini.WriteString("B", "y", "2");
    EXPECT_EQ(Bytes("s.ini"), "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");

    Put("t.ini", "[A]\r\nx=1\r\n\r\n");
    IniFile spaced(PathOf("t.ini"));
    spaced.WriteString("B", "y", "2");
    EXPECT_EQ(Bytes("t.ini"), "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
}

TEST_F(IniFileWrite, KeysOfTheNamelessSectionStayAboveTheFirstHeader)
{
    Put("top.ini", "\xEF\xBB\xBF[S]\r\nk=v\r\n");
    IniFile ini(PathOf("top.ini"));
    ini.WriteString("", "first", "1");
    ini.WriteString("", "second", "2");
    EXPECT_EQ(Bytes("top.ini"), "\xEF\xBB\xBF" "first=1\r\nsecond=2\r\n[S]\r\nk=v\r\n");
}

TEST_F(IniFileWrite, ByteOrderMarkAndForeignBytesSurviveAWrite)
{
    const std::string latin1 = "[S]\r\nname=M\xFCller\r\nraw=\x01\x7F\xFF\r\n";
    Put("b.ini", "\xEF\xBB\xBF" + latin1);
    IniFile ini(PathOf("b.ini"));
    ini.WriteString("S", "k", "\xE2\x82\xAC");
    EXPECT_EQ(Bytes("b.ini"), "\xEF\xBB\xBF" + latin1 + "k=\xE2\x82\xAC\r\n");
    EXPECT_EQ(ini.ReadString("S", "name", ""), "M\xFCller");
}

TEST_F(IniFileWrite, QuotedAndEqualsHoldingValuesRoundTrip)
{
    IniFile ini(PathOf("q.ini"));
    ini.WriteString("H", "Current", "\"say \"\"hi\"\"\"");
    ini.WriteString("H", "path", "a=b=c");
    EXPECT_EQ(ini.ReadString("H", "Current", ""), "say \"\"hi\"\"");
    EXPECT_EQ(ini.ReadString("H", "path", ""), "a=b=c");
    EXPECT_EQ(ini.ReadSectionValues("H"), (std::vector<std::string>{"Current=\"say \"\"hi\"\"\"", "path=a=b=c"}));
}

TEST_F(IniFileWrite, IntegersAndBooleansAreWrittenAsDecimalAndOneOrZero)
{
    IniFile ini(PathOf("i.ini"));
    ini.WriteInteger("N", "neg", -2147483647 - 1);
    ini.WriteInteger("N", "pos", 10);
    ini.WriteBool("N", "yes", true);
    ini.WriteBool("N", "no", false);
    EXPECT_EQ(Bytes("i.ini"), "[N]\r\nneg=-2147483648\r\npos=10\r\nyes=1\r\nno=0\r\n");
}

TEST_F(IniFileWrite, WritingTheStoredValueLeavesTheFileAlone)
{
    Put("same.ini", "[S]\r\nk = v\r\n");
    const ino_t before = InodeOf("same.ini");
    IniFile ini(PathOf("same.ini"));
    ini.WriteString("s", "K", "v");
    EXPECT_EQ(InodeOf("same.ini"), before);
    EXPECT_EQ(Bytes("same.ini"), "[S]\r\nk = v\r\n");
    ini.WriteString("S", "k", "w");
    EXPECT_NE(InodeOf("same.ini"), before);
}

TEST_F(IniFileWrite, DeleteAndEraseNeverCreateAFile)
{
    IniFile ini(PathOf("none.ini"));
    ini.DeleteKey("S", "k");
    ini.EraseSection("S");
    EXPECT_FALSE(Exists("none.ini"));
}

TEST_F(IniFileWrite, DeleteAndEraseOfSomethingMissingLeaveTheFileAlone)
{
    Put("keep.ini", "[S]\nk=v\n");
    const ino_t before = InodeOf("keep.ini");
    IniFile ini(PathOf("keep.ini"));
    ini.DeleteKey("S", "other");
    ini.DeleteKey("T", "k");
    ini.DeleteKey("S", "k ; no such line");
    ini.EraseSection("T");
    EXPECT_EQ(InodeOf("keep.ini"), before);
    EXPECT_EQ(Bytes("keep.ini"), "[S]\nk=v\n");
}

TEST_F(IniFileWrite, EraseRemovesTheSectionWithAllItsLinesAndNothingElse)
{
    Put("e.ini", "top=1\n[A]\na=1\n; comment of A\n\n[List]\n0=x\n1=y\n\n[B]\nb=2\n");
    IniFile ini(PathOf("e.ini"));
    ini.EraseSection("list");
    EXPECT_EQ(Bytes("e.ini"), "top=1\n[A]\na=1\n; comment of A\n\n[B]\nb=2\n");
    EXPECT_FALSE(ini.SectionExists("List"));
    ini.EraseSection("");
    EXPECT_EQ(Bytes("e.ini"), "[A]\na=1\n; comment of A\n\n[B]\nb=2\n");
}

TEST_F(IniFileWrite, EraseThenRewriteLeavesOnlyTheNewList)
{
    IniFile ini(PathOf("l.ini"));
    for (int round = 0; round < 3; ++round) {
        ini.EraseSection("Config MemoExtList");
        ini.WriteString("Config MemoExtList", "0", "*.tmp");
        ini.WriteString("Config MemoExtList", "2", "*.bak");
        ini.WriteString("Config", "CheckBoxAge", "1");
    }
    EXPECT_EQ(Bytes("l.ini"), "[Config]\r\nCheckBoxAge=1\r\n\r\n[Config MemoExtList]\r\n0=*.tmp\r\n2=*.bak\r\n");
}

TEST_F(IniFileWrite, CommentsStayAndABareLineTakesItsValueInPlace)
{
    const std::string hand = "[S]\r\n; note\r\nname\r\nname=later\r\n;k=old\r\n";
    Put("b.ini", hand);
    IniFile ini(PathOf("b.ini"));
    ini.WriteString("S", "NAME", "v");
    ini.WriteString("S", "k", "new");
    EXPECT_EQ(Bytes("b.ini"), "[S]\r\n; note\r\nname=v\r\nname=later\r\nk=new\r\n;k=old\r\n");

    Put("b.ini", hand);
    ini.DeleteKey("S", "name");
    EXPECT_EQ(Bytes("b.ini"), "[S]\r\n; note\r\nname=later\r\n;k=old\r\n");
    EXPECT_EQ(ini.ReadString("S", "name", "-"), "later");
}

namespace {

std::string Utf16(const std::u16string& text, bool bigEndian)
{
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

}  // namespace

TEST_F(IniFileWrite, Utf16FileIsReadAsTextAndWrittenBackAsUtf16)
{
    // A lone surrogate is no character, yet its line must come back as it was.
    std::u16string odd = u"9=x";
    odd.push_back(char16_t{0xD800});
    const std::u16string before = u"[Config]\r\nFileOlderThan=30\r\n[Config MemoExtList]\r\n0=*.\u00E9t\u00E9\r\n"
                                  u"1=\U0001F600\u20AC\r\n" + odd + u"\r\n";
    const std::u16string after = u"[Config]\r\nFileOlderThan=30\r\nCheckBoxAge=1\r\n[Config MemoExtList]\r\n"
                                 u"0=*.\u00E9t\u00E9\r\n1=\U0001F600\u20AC\r\n" + odd + u"\r\n";
    for (const bool big : {false, true}) {
        SCOPED_TRACE(big ? "big-endian" : "little-endian");
        Put("u.ini", Utf16(before, big));
        IniFile ini(PathOf("u.ini"));
        EXPECT_EQ(ini.ReadInteger("Config", "FileOlderThan", 0), 30);
        EXPECT_EQ(ini.ReadSectionValues("Config MemoExtList")[0], "0=*.\xC3\xA9t\xC3\xA9");
        EXPECT_EQ(ini.ReadString("Config MemoExtList", "1", ""), "\xF0\x9F\x98\x80\xE2\x82\xAC");
        ini.WriteString("Config", "CheckBoxAge", "1");
        EXPECT_EQ(Bytes("u.ini"), Utf16(after, big));
        // 8-bit text that is no UTF-8 has no characters to store: refused, file unchanged.
        EXPECT_THROW(ini.WriteString("Config", "Latin1", "caf\xE9"), IniFileError);
        EXPECT_EQ(Bytes("u.ini"), Utf16(after, big));
        ini.WriteString("Config", "Literal", "\xEF\xBF\xBD");
        EXPECT_EQ(ini.ReadString("Config", "Literal", ""), "\xEF\xBF\xBD");
    }
}

TEST_F(IniFileWrite, TwoObjectsOnOneFileSeeEachOthersWrites)
{
    IniFile first(PathOf("shared.ini"));
    IniFile second(PathOf("shared.ini"));
    first.WriteString("S", "a", "1");
    EXPECT_EQ(second.ReadString("S", "a", ""), "1");
    second.WriteString("S", "b", "2");
    EXPECT_EQ(first.ReadSection("S"), (std::vector<std::string>{"a", "b"}));
    Put("shared.ini", "[S]\r\na=by hand\r\n");
    EXPECT_EQ(first.ReadString("S", "a", ""), "by hand");
    EXPECT_FALSE(second.ValueExists("S", "b"));
}

TEST_F(IniFileWrite, ReplacedFileKeepsItsModeAndALinkStaysALink)
{
    Put("real.ini", "[S]\r\n");
    ::chmod(PathOf("real.ini").c_str(), 0640);
    ASSERT_EQ(::symlink(PathOf("real.ini").c_str(), PathOf("link.ini").c_str()), 0);
    IniFile ini(PathOf("link.ini"));
    ini.WriteString("S", "k", "v");

    struct stat info {};
    ASSERT_EQ(::lstat(PathOf("link.ini").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(Bytes("real.ini"), "[S]\r\nk=v\r\n");
    ASSERT_EQ(::stat(PathOf("real.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(IniFileWrite, BareNameLivesInTheConfigFolderMadeOnFirstWrite)
{
    const std::string config = PathOf("cfg/nested");
    ScopedEnv xdg("XDG_CONFIG_HOME", config.c_str());
    IniFile ini("morvane.ini");
    EXPECT_EQ(ini.FileName(), "morvane.ini");
    EXPECT_EQ(ini.Path(), config + "/morvane.ini");

    ini.DeleteKey("S", "k");
    EXPECT_FALSE(Exists("cfg"));
    ini.WriteBool("S", "k", true);
    EXPECT_EQ(Bytes("cfg/nested/morvane.ini"), "[S]\r\nk=1\r\n");
}

TEST_F(IniFileWrite, BareNameWithoutConfigVariableLivesInDotConfigOfHome)
{
    ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
    ScopedEnv home("HOME", dir_.c_str());
    EXPECT_EQ(IniFile("morvane.ini").Path(), PathOf(".config/morvane.ini"));

    // A relative variable is invalid and ignored.
    ScopedEnv relative("XDG_CONFIG_HOME", "relative/dir");
    EXPECT_EQ(IniFile("x.ini").Path(), PathOf(".config/x.ini"));
}

TEST_F(IniFileWrite, NameWithAFolderIsUsedAsGivenFromTheWorkingFolder)
{
    char previous[4096];
    ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(::chdir(dir_.c_str()), 0);
    IniFile ini("./here.ini");
    EXPECT_EQ(ini.Path(), "./here.ini");
    ini.WriteString("S", "k", "v");
    ASSERT_EQ(::chdir(previous), 0);
    EXPECT_EQ(Bytes("here.ini"), "[S]\r\nk=v\r\n");
}

}  // namespace
