// SPDX-License-Identifier: GPL-3.0-or-later
// Reading hand-written settings files: the rules by which a profile file written
// elsewhere reads the same here.
#include "settings/IniFile.h"

#include "IniFileTestSupport.h"

#include <climits>

namespace {

class IniFileRead : public IniScratch {
protected:
    IniFile Load(const std::string& bytes)
    {
        Put("read.ini", bytes);
        return IniFile(PathOf("read.ini"));
    }
};

TEST_F(IniFileRead, QuotesArePeeledOnlyAsOneMatchingPair)
{
    IniFile ini = Load("[S]\r\n"
                       "double=\"x y\"\r\n"
                       "single='q'\r\n"
                       "empty=\"\"\r\n"
                       "inner=\" spaced \"\r\n"
                       "open=\"abc\r\n"
                       "close=abc\"\r\n"
                       "middle=x\"y\"z\r\n"
                       "mixed=\"a'\r\n"
                       "lone=\"\r\n"
                       "twice=\"\"a\"\"\r\n");
    EXPECT_EQ(ini.ReadString("S", "double", "-"), "x y");
    EXPECT_EQ(ini.ReadString("S", "single", "-"), "q");
    EXPECT_EQ(ini.ReadString("S", "empty", "-"), "");
    EXPECT_EQ(ini.ReadString("S", "inner", "-"), " spaced ");
    EXPECT_EQ(ini.ReadString("S", "open", "-"), "\"abc");
    EXPECT_EQ(ini.ReadString("S", "close", "-"), "abc\"");
    EXPECT_EQ(ini.ReadString("S", "middle", "-"), "x\"y\"z");
    EXPECT_EQ(ini.ReadString("S", "mixed", "-"), "\"a'");
    EXPECT_EQ(ini.ReadString("S", "lone", "-"), "\"");
    EXPECT_EQ(ini.ReadString("S", "twice", "-"), "\"a\"");
}

TEST_F(IniFileRead, NamesIgnoreAsciiCaseAndSurroundingBlanks)
{
    IniFile ini = Load("[ My Sec ]\r\n"
                       " \tKeyOne \v= \fvalue one \t\r\n"
                       "[\xC4rger]\r\n"
                       "k=umlaut\r\n");
    EXPECT_EQ(ini.ReadString("my sec", "KEYONE", "-"), "value one");
    EXPECT_EQ(ini.ReadString(" MY SEC\t", " keyone ", "-"), "value one");
    EXPECT_TRUE(ini.ValueExists("MY SEC", "keyONE"));
    EXPECT_EQ(ini.ReadSection("my sec"), std::vector<std::string>{"KeyOne"});
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"My Sec", "\xC4rger"}));
    // Only a to z fold: a Latin-1 capital does not match its small letter.
    EXPECT_EQ(ini.ReadString("\xC4rger", "k", "-"), "umlaut");
    EXPECT_EQ(ini.ReadString("\xE4rger", "k", "-"), "-");
}

TEST_F(IniFileRead, ValueIsEverythingAfterTheFirstEquals)
{
    IniFile ini = Load("[S]\r\nk=a=b=c\r\nempty=\r\n=nameless\r\n");
    EXPECT_EQ(ini.ReadString("S", "k", "-"), "a=b=c");
    EXPECT_EQ(ini.ReadString("S", "empty", "-"), "");
    EXPECT_TRUE(ini.ValueExists("S", "empty"));
    EXPECT_EQ(ini.ReadSectionValues("S"), (std::vector<std::string>{"k=a=b=c", "empty=", "=nameless"}));
    // The empty name is listed as the Windows functions list it, and reads its value.
    EXPECT_EQ(ini.ReadSection("S"), (std::vector<std::string>{"k", "empty", ""}));
    EXPECT_EQ(ini.ReadString("S", "", "-"), "nameless");
}

TEST_F(IniFileRead, LineWithoutEqualsIsNoKeyButIsListedAsItStands)
{
    IniFile ini = Load("[S]\r\na=1\r\n  just text  \r\n\r\n\t\r\nname\r\nname=hidden\r\nb=2\r\n");
    EXPECT_EQ(ini.ReadString("S", "just text", "def"), "def");
    EXPECT_FALSE(ini.ValueExists("S", "just text"));
    // Coming first, a bare line hides the key of its name.
    EXPECT_EQ(ini.ReadString("S", "NAME", "def"), "def");
    EXPECT_EQ(ini.ReadSection("S"), (std::vector<std::string>{"a", "name", "b"}));
    EXPECT_EQ(ini.ReadSectionValues("S"),
              (std::vector<std::string>{"a=1", "just text", "name", "name=hidden", "b=2"}));
}

TEST_F(IniFileRead, CommentsAreInNoListButTheirExactNameReadsThem)
{
    // A commented-out start path and pattern must not come back as settings.
    IniFile ini = Load("[Config MemoExtList]\r\n0=*.zzz\r\n;1=*.bak\r\n \t; a note\r\n#2=*.old\r\n"
                       "[CheckListBoxQ]\r\n0=\\\\FS1\\DATA\r\n;1=\\\\FS2\\APPS\r\n");
    EXPECT_EQ(ini.ReadSectionValues("Config MemoExtList"), (std::vector<std::string>{"0=*.zzz", "#2=*.old"}));
    EXPECT_EQ(ini.ReadSection("Config MemoExtList"), (std::vector<std::string>{"0", "#2"}));
    EXPECT_EQ(ini.ReadSectionValues("CheckListBoxQ"), std::vector<std::string>{"0=\\\\FS1\\DATA"});
    EXPECT_EQ(ini.ReadString("Config MemoExtList", ";1", "-"), "*.bak");
    EXPECT_EQ(ini.ReadString("Config MemoExtList", "1", "-"), "-");
}

TEST_F(IniFileRead, CtrlZIsABlankAroundNamesAndValues)
{
    IniFile ini = Load("[S]\x1A\r\n\x1A k\x1A=\x1Av w\x1A\x1A\r\n\x1A");
    EXPECT_EQ(ini.ReadString("S", "k", "-"), "v w");
    EXPECT_EQ(ini.ReadString("S", "k\x1A", "-"), "v w");
    EXPECT_EQ(ini.ReadSections(), std::vector<std::string>{"S"});
    EXPECT_EQ(ini.ReadSectionValues("S"), std::vector<std::string>{"k=v w"});
}

TEST_F(IniFileRead, DefaultIsTrimmedAndUnquotedAsAStoredValue)
{
    IniFile ini = Load("[S]\r\n");
    EXPECT_EQ(ini.ReadString("S", "k", "\"quoted\"   "), "quoted");
    EXPECT_EQ(ini.ReadString("S", "k", "'single'"), "single");
    EXPECT_EQ(ini.ReadString("S", "k", " lead\t "), " lead\t");
    EXPECT_EQ(ini.ReadString("S", "k", "\"mixed'"), "\"mixed'");
    EXPECT_EQ(ini.ReadString("S", "k", "   "), "");
}

TEST_F(IniFileRead, FirstOfDuplicateSectionsAndKeysCounts)
{
    IniFile ini = Load("[S]\r\nk=first\r\nk=second\r\n[T]\r\nk=t\r\n[s]\r\nk=third\r\nonly=later\r\n");
    EXPECT_EQ(ini.ReadString("S", "k", "-"), "first");
    EXPECT_EQ(ini.ReadString("S", "only", "-"), "-");
    EXPECT_EQ(ini.ReadSection("S"), (std::vector<std::string>{"k", "k"}));
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"S", "T", "s"}));
}

TEST_F(IniFileRead, HeadersNeedABracketPairAndAreTrimmedInside)
{
    IniFile ini = Load("[A]\r\n"
                       "[NoClose=x\r\n"
                       "  [ B ] trailing words\r\n"
                       "k=b\r\n"
                       "[]\r\n"
                       "k=nameless\r\n");
    EXPECT_EQ(ini.ReadString("A", "[NoClose", "-"), "x");
    EXPECT_EQ(ini.ReadString("B", "k", "-"), "b");
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"A", "B"}));
    EXPECT_TRUE(ini.SectionExists("a"));
    EXPECT_FALSE(ini.SectionExists("NoClose"));
}

TEST_F(IniFileRead, LinesBeforeTheFirstHeaderFormTheNamelessSection)
{
    IniFile ini = Load("top=1\r\nother=2\r\n[S]\r\ntop=s\r\n");
    EXPECT_EQ(ini.ReadString("", "top", "-"), "1");
    EXPECT_EQ(ini.ReadSection(""), (std::vector<std::string>{"top", "other"}));
    EXPECT_TRUE(ini.SectionExists(""));
    EXPECT_EQ(ini.ReadSections(), std::vector<std::string>{"S"});
    EXPECT_EQ(ini.ReadString("S", "top", "-"), "s");

    IniFile none = Load("\r\n[S]\r\n");
    EXPECT_FALSE(none.SectionExists(""));
}

class IniFileLineEndings : public IniFileRead, public ::testing::WithParamInterface<const char*> {};

TEST_P(IniFileLineEndings, EveryLineEndReadsTheSame)
{
    const std::string eol = GetParam();
    // The last line goes without an ending, as hand-edited files often do.
    IniFile ini = Load("top=0" + eol + "[A]" + eol + "x=1" + eol + eol + "[B]" + eol + "y= 2 " + eol + "z=3");
    EXPECT_EQ(ini.ReadString("", "top", "-"), "0");
    EXPECT_EQ(ini.ReadString("A", "x", "-"), "1");
    EXPECT_EQ(ini.ReadString("B", "y", "-"), "2");
    EXPECT_EQ(ini.ReadString("B", "z", "-"), "3");
    EXPECT_EQ(ini.ReadSectionValues("B"), (std::vector<std::string>{"y=2", "z=3"}));
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"A", "B"}));
}

INSTANTIATE_TEST_SUITE_P(CrLfLfAndLoneCr, IniFileLineEndings, ::testing::Values("\r\n", "\n", "\r"));

TEST_F(IniFileRead, ByteOrderMarkIsNotPartOfTheFirstLine)
{
    IniFile ini = Load("\xEF\xBB\xBF[S]\r\nk=\xE2\x82\xAC\r\n");
    EXPECT_EQ(ini.ReadSections(), std::vector<std::string>{"S"});
    EXPECT_EQ(ini.ReadString("S", "k", "-"), "\xE2\x82\xAC");

    IniFile top = Load("\xEF\xBB\xBFk=v\r\n");
    EXPECT_EQ(top.ReadString("", "k", "-"), "v");
}

TEST_F(IniFileRead, LongValuesAreCutTo2047Characters)
{
    const std::string longText(3000, 'v');
    IniFile ini = Load("[S]\r\nplain=" + longText + "\r\nquoted=\"" + longText + "\"\r\nexact=" +
                       std::string(2047, 'e') + "\r\n");
    EXPECT_EQ(ini.ReadString("S", "plain", ""), std::string(2047, 'v'));
    EXPECT_EQ(ini.ReadString("S", "quoted", ""), std::string(2047, 'v'));
    EXPECT_EQ(ini.ReadString("S", "exact", ""), std::string(2047, 'e'));
}

TEST_F(IniFileRead, KeyListStopsBeforeTheNameThatWouldNotFit)
{
    // Names of 15 characters take 16 with their NUL: 1023 of them and the closing
    // NUL fill 16369 of the 16384 characters; the 1024th would need 16385.
    std::string bytes = "[Big]\r\n";
    for (int i = 0; i < 1100; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "key%012d", i);
        bytes += std::string(name) + "=1\r\n";
    }
    IniFile ini = Load(bytes);
    const auto keys = ini.ReadSection("Big");
    ASSERT_EQ(keys.size(), 1023u);
    EXPECT_EQ(keys.back(), "key000000001022");
    // Values and the line listing are not limited by the key list.
    EXPECT_EQ(ini.ReadString("Big", "key000000001099", "-"), "1");
    EXPECT_TRUE(ini.ValueExists("Big", "key000000001099"));
    EXPECT_EQ(ini.ReadSectionValues("Big").size(), 1100u);
}

TEST_F(IniFileRead, IntegersAndBooleans)
{
    IniFile ini = Load("[N]\r\n"
                       "dec=42\r\nneg=-17\r\nplus=+5\r\nzeros=007\r\nquoted=\"12\"\r\n"
                       "hex=0x1F\r\nupper=0XfF\r\ndollar=$10\r\nneghex=-0x10\r\n"
                       "max=2147483647\r\nmin=-2147483648\r\nover=2147483648\r\nunder=-2147483649\r\n"
                       "hexover=0x80000000\r\n"
                       "junk=12abc\r\ninner=1 2\r\nempty=\r\nsign=-\r\nprefix=0x\r\nword=true\r\n"
                       "two=2\r\nzero=0\r\n");
    EXPECT_EQ(ini.ReadInteger("N", "dec", -1), 42);
    EXPECT_EQ(ini.ReadInteger("N", "neg", -1), -17);
    EXPECT_EQ(ini.ReadInteger("N", "plus", -1), 5);
    EXPECT_EQ(ini.ReadInteger("N", "zeros", -1), 7);
    EXPECT_EQ(ini.ReadInteger("N", "quoted", -1), 12);
    EXPECT_EQ(ini.ReadInteger("N", "hex", -1), 31);
    EXPECT_EQ(ini.ReadInteger("N", "upper", -1), 255);
    EXPECT_EQ(ini.ReadInteger("N", "dollar", -1), 16);
    EXPECT_EQ(ini.ReadInteger("N", "neghex", -1), -16);
    EXPECT_EQ(ini.ReadInteger("N", "max", -1), INT_MAX);
    EXPECT_EQ(ini.ReadInteger("N", "min", -1), INT_MIN);
    for (const char* key : {"over", "under", "hexover", "junk", "inner", "empty", "sign", "prefix", "word", "missing"})
        EXPECT_EQ(ini.ReadInteger("N", key, -99), -99) << key;

    EXPECT_TRUE(ini.ReadBool("N", "two", false));
    EXPECT_FALSE(ini.ReadBool("N", "zero", true));
    EXPECT_TRUE(ini.ReadBool("N", "word", true));
    EXPECT_FALSE(ini.ReadBool("N", "word", false));
    EXPECT_TRUE(ini.ReadBool("N", "missing", true));
}

TEST_F(IniFileRead, MissingFileReadsAsEmpty)
{
    IniFile ini(PathOf("absent.ini"));
    EXPECT_EQ(ini.ReadString("S", "k", "def"), "def");
    EXPECT_EQ(ini.ReadInteger("S", "k", 7), 7);
    EXPECT_TRUE(ini.ReadSection("S").empty());
    EXPECT_TRUE(ini.ReadSectionValues("S").empty());
    EXPECT_TRUE(ini.ReadSections().empty());
    EXPECT_FALSE(ini.SectionExists("S"));
    EXPECT_FALSE(ini.ValueExists("S", "k"));
}

}  // namespace
