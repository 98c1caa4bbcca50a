// SPDX-License-Identifier: GPL-3.0-or-later
// Reading auto, ini= and log= from the argument list.
#include "util/Switches.h"

#include "util/ProgramArguments.h"

#include <gtest/gtest.h>

namespace {

class SwitchesTest : public testing::Test {
protected:
    void SetUp() override { saved_ = ProgramArguments(); }
    void TearDown() override { SetProgramArguments(saved_); }

    static void Args(const std::vector<std::string>& args)
    {
        std::vector<std::string> all{"/opt/morvane/bin/morvane"};
        all.insert(all.end(), args.begin(), args.end());
        SetProgramArguments(std::move(all));
    }
    static bool Auto() { return SwitchGiven("auto", 2); }
    static std::string Ini() { return SwitchValue("ini", 1, "morvane.ini"); }
    static std::string Log() { return SwitchValue("log", 1, ""); }

private:
    std::vector<std::string> saved_;
};

} // namespace

TEST(IsAbbrev, LengthAndPrefixRules)
{
    EXPECT_TRUE(IsAbbrev("au", "auto", 2));
    EXPECT_TRUE(IsAbbrev("AUTO", "auto", 2));
    EXPECT_TRUE(IsAbbrev("aUt", "AUTO", 2));
    EXPECT_FALSE(IsAbbrev("a", "auto", 2));
    EXPECT_FALSE(IsAbbrev("autox", "auto", 2));
    EXPECT_FALSE(IsAbbrev("ut", "auto", 2));
    EXPECT_FALSE(IsAbbrev("", "auto", 0));
    EXPECT_TRUE(IsAbbrev("i", "ini", 1));
    EXPECT_FALSE(IsAbbrev("\xe9", "\xc9", 1));  // only a to z fold
}

TEST_F(SwitchesTest, NoArgumentsLeavesTheDefaults)
{
    Args({});
    EXPECT_FALSE(Auto());
    EXPECT_EQ(Ini(), "morvane.ini");
    EXPECT_EQ(Log(), "");
}

TEST_F(SwitchesTest, AutoNeedsTwoLettersAndTheWholeArgument)
{
    for (const char* on : {"AU", "Aut", "auto", "/auto", "//auto", "\\auto", "/\\AU"}) {
        Args({on});
        EXPECT_TRUE(Auto()) << on;
    }
    for (const char* off : {"a", "/a", "autox", "auto=1", "-auto", "automatic", ""}) {
        Args({off});
        EXPECT_FALSE(Auto()) << off;
    }
    Args({"x", "log=a", "au"});
    EXPECT_TRUE(Auto());
}

TEST_F(SwitchesTest, IniAbbreviationsAndLeadingSlashes)
{
    for (const char* arg : {"i=D:\\cfg\\x.ini", "/INI=D:\\cfg\\x.ini", "in=D:\\cfg\\x.ini", "\\\\Ini=D:\\cfg\\x.ini"}) {
        Args({arg});
        EXPECT_EQ(Ini(), "D:\\cfg\\x.ini") << arg;
    }
    for (const char* arg : {"inix=D:\\x.ini", "-ini=D:\\x.ini", "=D:\\x.ini", "ini", "/ini"}) {
        Args({arg});
        EXPECT_EQ(Ini(), "morvane.ini") << arg;
    }
}

TEST_F(SwitchesTest, ValueSplitsAtTheFirstEqualsOnly)
{
    Args({"log=a=b.txt"});
    EXPECT_EQ(Log(), "a=b.txt");
    Args({"L=/var/log/x y.txt"});
    EXPECT_EQ(Log(), "/var/log/x y.txt");
}

TEST_F(SwitchesTest, FirstMatchWinsEvenWhenEmpty)
{
    Args({"log=", "log=x.txt"});
    EXPECT_EQ(Log(), "");
    Args({"ini=first.ini", "i=second.ini"});
    EXPECT_EQ(Ini(), "first.ini");
    Args({"inix=no.ini", "ini=yes.ini"});
    EXPECT_EQ(Ini(), "yes.ini");
}

TEST_F(SwitchesTest, SwitchesDoNotMistakeEachOther)
{
    Args({"auto", "log=r.log", "ini=s.ini"});
    EXPECT_TRUE(Auto());
    EXPECT_EQ(Log(), "r.log");
    EXPECT_EQ(Ini(), "s.ini");
    Args({"au=1", "lo"});  // auto takes no value, log needs one
    EXPECT_FALSE(Auto());
    EXPECT_EQ(Log(), "");
}

TEST_F(SwitchesTest, KeywordShorterThanMinimumNeverMatches)
{
    Args({"a", "a=1"});
    EXPECT_FALSE(SwitchGiven("a", 2));
    EXPECT_EQ(SwitchValue("a", 2, "def"), "def");
}

TEST_F(SwitchesTest, ArgumentZeroIsNeverAScanned)
{
    SetProgramArguments({"auto"});
    EXPECT_FALSE(Auto());
    SetProgramArguments({"ini=x"});
    EXPECT_EQ(Ini(), "morvane.ini");
}

TEST_F(SwitchesTest, MoreThan255ArgumentsAreAllScanned)
{
    std::vector<std::string> args(300, "filler");
    args[254] = "log=at255.txt";
    args[280] = "ini=late.ini";
    args[299] = "auto";
    Args(args);
    EXPECT_EQ(Log(), "at255.txt");
    EXPECT_EQ(Ini(), "late.ini");
    EXPECT_TRUE(Auto());
    args.assign(1000, "x");
    Args(args);
    EXPECT_FALSE(Auto());
    EXPECT_EQ(Ini(), "morvane.ini");
}
