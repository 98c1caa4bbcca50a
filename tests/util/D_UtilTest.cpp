// SPDX-License-Identifier: GPL-3.0-or-later
// The shared string and path routines and the byte-count text.
#include "util/D_Util.h"

#include <clocale>
#include <gtest/gtest.h>

namespace {

// FormatSize with a fixed decimal separator for the duration of a test.
class FixedSeparator {
public:
    explicit FixedSeparator(std::string separator)
        : previous_(SetDecimalSeparatorSource([separator] { return separator; }))
    {
    }
    ~FixedSeparator() { SetDecimalSeparatorSource(previous_); }

private:
    DecimalSeparatorSource previous_;
};

constexpr std::int64_t KB = 1024, MB = KB * 1024, GB = MB * 1024, TB = GB * 1024;

} // namespace

TEST(FormatSize, EachRowAtItsLowerAndUpperBoundary)
{
    FixedSeparator dot(".");
    EXPECT_EQ(FormatSize(0), "   0");
    EXPECT_EQ(FormatSize(7), "   7");
    EXPECT_EQ(FormatSize(1023), "1023");
    EXPECT_EQ(FormatSize(KB), "   1 kB");
    EXPECT_EQ(FormatSize(12288), "  12 kB");
    EXPECT_EQ(FormatSize(MB - 1), "1024 kB");  // 1023.999 rounds up, still in the kB row
    EXPECT_EQ(FormatSize(MB), "1.00 MB");
    EXPECT_EQ(FormatSize(GB - 1), "1024.00 MB");
    EXPECT_EQ(FormatSize(GB), "1.00 GB");
    EXPECT_EQ(FormatSize(4294967295LL), "4.00 GB");
    EXPECT_EQ(FormatSize(TB - 1), "1024.00 GB");
    EXPECT_EQ(FormatSize(TB), "1.00 TB");
    EXPECT_EQ(FormatSize(INT64_MAX), "8388608.00 TB");
}

TEST(FormatSize, RoundsHalvesUpAndKeepsTwoDecimals)
{
    FixedSeparator dot(".");
    EXPECT_EQ(FormatSize(KB + 511), "   1 kB");
    EXPECT_EQ(FormatSize(KB + 512), "   2 kB");   // 1.5
    EXPECT_EQ(FormatSize(2 * KB + 512), "   3 kB");  // 2.5: half goes up, not to even
    EXPECT_EQ(FormatSize(MB + MB / 8), "1.13 MB");  // 1.125
    EXPECT_EQ(FormatSize(MB + MB / 2), "1.50 MB");
    EXPECT_EQ(FormatSize(10 * MB), "10.00 MB");
    EXPECT_EQ(FormatSize(999 * KB), " 999 kB");
}

TEST(FormatSize, NegativeCountShowsAsTheLargest32BitValue)
{
    FixedSeparator dot(".");
    EXPECT_EQ(FormatSize(-1), "2.00 GB");
    EXPECT_EQ(FormatSize(INT64_MIN), FormatSize(2147483647));
}

TEST(FormatSize, UsesTheInstalledDecimalSeparator)
{
    FixedSeparator comma(",");
    EXPECT_EQ(FormatSize(MB + MB / 2), "1,50 MB");
    EXPECT_EQ(FormatSize(1023), "1023");
    EXPECT_EQ(FormatSize(KB), "   1 kB");
}

TEST(FormatSize, DefaultSeparatorFollowsTheNumericLocale)
{
    std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(DecimalSeparator(), ".");
    EXPECT_EQ(FormatSize(MB), "1.00 MB");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(SplitFirst, HeadAndTailAtTheFirstSeparator)
{
    std::string head, tail;
    SplitFirst("a,b,c", ",", head, tail);
    EXPECT_EQ(head, "a");
    EXPECT_EQ(tail, "b,c");
    SplitFirst("abc", ",", head, tail);
    EXPECT_EQ(head, "abc");
    EXPECT_EQ(tail, "");
    SplitFirst(",x", ",", head, tail);
    EXPECT_EQ(head, "");
    EXPECT_EQ(tail, "x");
    SplitFirst("x,", ",", head, tail);
    EXPECT_EQ(head, "x");
    EXPECT_EQ(tail, "");
    SplitFirst("key::value", "::", head, tail);
    EXPECT_EQ(head, "key");
    EXPECT_EQ(tail, "value");
}

TEST(SplitFirst, OutputsMayBeTheInputVariable)
{
    std::string s = "one two three", word;
    SplitFirst(s, " ", word, s);
    EXPECT_EQ(word, "one");
    EXPECT_EQ(s, "two three");
    std::string t = "left=right", rest;
    SplitFirst(t, "=", t, rest);
    EXPECT_EQ(t, "left");
    EXPECT_EQ(rest, "right");
}

TEST(ReplaceText, FirstOrAllOccurrences)
{
    EXPECT_EQ(ReplaceText("aXbXc", "X", "Y", true, true), "aYbYc");
    EXPECT_EQ(ReplaceText("aXbXc", "X", "Y", false, true), "aYbXc");
    EXPECT_EQ(ReplaceText("abc", "X", "Y", true, true), "abc");
    EXPECT_EQ(ReplaceText("", "X", "Y", true, true), "");
    EXPECT_EQ(ReplaceText("XX", "X", "", true, true), "");
}

TEST(ReplaceText, NoRescanOfReplacedText)
{
    EXPECT_EQ(ReplaceText("aaaa", "aa", "a", true, true), "aa");
    EXPECT_EQ(ReplaceText("aaa", "aa", "b", true, true), "ba");      // left to right, no overlap
    EXPECT_EQ(ReplaceText("ab", "a", "aa", true, true), "aab");       // growing text ends
    EXPECT_EQ(ReplaceText("a\\\\b", "\\\\", "\\", true, true), "a\\b");
}

TEST(ReplaceText, OldEqualToNewOrEmptyReturnsTheInput)
{
    EXPECT_EQ(ReplaceText("aXbXc", "X", "X", true, true), "aXbXc");
    EXPECT_EQ(ReplaceText("abc", "", "Y", true, true), "abc");
    // old = new is an exact comparison: case-insensitive replacement still changes case
    EXPECT_EQ(ReplaceText("axb", "X", "X", true, false), "axb");
    EXPECT_EQ(ReplaceText("axb", "x", "X", true, false), "aXb");
}

TEST(ReplaceText, CaseInsensitiveFoldsOnlyAsciiLetters)
{
    EXPECT_EQ(ReplaceText("SYS:home\\Users", "HOME", "data", false, false), "SYS:data\\Users");
    EXPECT_EQ(ReplaceText("SYS:home", "HOME", "data", false, true), "SYS:home");
    EXPECT_EQ(ReplaceText("\xe4x\xc4x", "\xc4", "A", true, false), "\xe4x" "Ax");  // ä is not folded to Ä
}

TEST(PathSlashes, AddSlashAndDelSlash)
{
    EXPECT_EQ(AddSlash(""), "\\");
    EXPECT_EQ(AddSlash("D:\\x/"), "D:\\x/");
    EXPECT_EQ(AddSlash("D:\\x\\"), "D:\\x\\");
    EXPECT_EQ(AddSlash("SYS:HOME"), "SYS:HOME\\");
    EXPECT_EQ(DelSlash(""), "");
    EXPECT_EQ(DelSlash("D:\\x"), "D:\\x");
    EXPECT_EQ(DelSlash("D:\\x\\"), "D:\\x");
    EXPECT_EQ(DelSlash("D:\\x/"), "D:\\x");
    EXPECT_EQ(DelSlash("D:\\x\\\\"), "D:\\x\\");  // only one separator goes
    EXPECT_EQ(DelSlash("\\"), "");
}

TEST(TrimAndKeep, TrimCharsKeepRightRemoveAndReplaceChars)
{
    EXPECT_EQ(TrimCharsLeft("//\\x/", "/\\"), "x/");
    EXPECT_EQ(TrimCharsLeft("///", "/\\"), "");
    EXPECT_EQ(TrimCharsLeft("x", ""), "x");
    EXPECT_EQ(TrimCharsRight("SYS:A\\B\\\\/", "/\\"), "SYS:A\\B");
    EXPECT_EQ(TrimCharsRight("\\\\", "\\"), "");
    EXPECT_EQ(KeepRight("abc", 5), "abc");
    EXPECT_EQ(KeepRight("abc", 3), "abc");
    EXPECT_EQ(KeepRight("abc", 2), "bc");
    EXPECT_EQ(KeepRight("abc", 0), "");
    EXPECT_EQ(KeepRight("abc", -1), "");
    EXPECT_EQ(RemoveChars("[Config]x[", "[]"), "Configx");
    EXPECT_EQ(ReplaceChars("a/b\\c", "/\\", '|'), "a|b|c");
}

TEST(StrInList, CaseFoldingAndWholeWords)
{
    const std::vector<std::string> list = {"CD", "COPY", "DIR"};
    EXPECT_EQ(StrListIndex("cd", list, false), 0);
    EXPECT_EQ(StrListIndex("cd", list, true), -1);
    EXPECT_EQ(StrListIndex("Dir", list, false), 2);
    EXPECT_FALSE(StrInList("COP", list, false));
    EXPECT_FALSE(StrInList("COPY2", list, false));
    EXPECT_FALSE(StrInList("", list, false));
    EXPECT_TRUE(StrInList("", {"a", ""}, true));
    EXPECT_EQ(StrListIndex("x", {}, false), -1);
}

TEST(SmallTexts, IfStrEnsurePrefixDoubleQuotedJoinNonEmpty)
{
    EXPECT_EQ(IfStr(true, "1", "0"), "1");
    EXPECT_EQ(IfStr(false, " (sub)", ""), "");
    EXPECT_EQ(EnsurePrefix("log", "."), ".log");
    EXPECT_EQ(EnsurePrefix(".log", "."), ".log");
    EXPECT_EQ(EnsurePrefix("", "."), ".");
    EXPECT_EQ(DoubleQuoted("a\"b"), "\"a\"\"b\"");
    EXPECT_EQ(DoubleQuoted(""), "\"\"");
    EXPECT_EQ(JoinNonEmpty("a", "b", " "), "a b");
    EXPECT_EQ(JoinNonEmpty("", "b", " "), "b");
    EXPECT_EQ(JoinNonEmpty("a", "", " "), "a");
    EXPECT_EQ(JoinNonEmpty("", "", " "), "");
}

TEST(CTexts, NulTerminatedAndStrPtr)
{
    std::string s = "SYS:";
    char* p = NulTerminated(s);
    EXPECT_EQ(s.size(), 5u);
    EXPECT_EQ(p, s.data());
    EXPECT_STREQ(p, "SYS:");
    NulTerminated(s);  // already ends in NUL: unchanged
    EXPECT_EQ(s.size(), 5u);

    std::string empty;
    NulTerminated(empty);
    EXPECT_EQ(empty, std::string(1, '\0'));

    std::string full(255, 'x');
    NulTerminated(full);
    EXPECT_EQ(full.size(), 255u);

    EXPECT_STREQ(StrPtr(""), "");
    EXPECT_STREQ(StrPtr("abc"), "abc");
}

TEST(ShortPathName, ReturnsThePathUnchanged)
{
    EXPECT_EQ(ShortPathName("/no/such/dir with blanks"), "/no/such/dir with blanks");
    EXPECT_EQ(ShortPathName("SYS:HOME\\USERS"), "SYS:HOME\\USERS");
    EXPECT_EQ(ShortPathName(""), "");
}
