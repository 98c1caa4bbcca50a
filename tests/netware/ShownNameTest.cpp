// SPDX-License-Identifier: GPL-3.0-or-later
#include "netware/ShownName.h"

#include <gtest/gtest.h>

#include "netware/FolderNames.h"
#include "netware/NetWarePath.h"

namespace {

struct ShownCase {
    const char* name;
    std::string raw;
    const char* shown;
};

TEST(ShownNameTest, EscapesWhatCannotBeShownOrSeparatesPathsAndLeadsBackToTheName)
{
    const ShownCase cases[] = {
        {"plain UTF-8 stays", "Fotos \xC3\x84 2", "Fotos \xC3\x84 2"},
        {"controls", "a\nb\tc\x1B[31m\x7F", "a%0Ab%09c%1B[31m%7F"},
        {"path separators", "Meeting 10:30 \\ x", "Meeting 10%3A30 %5C x"},
        {"leading tab", "\tlead", "%09lead"},
        {"percent before hex digits", "%41 and 100%", "%2541 and 100%"},
        {"percent before an escape", std::string("%\n"), "%%0A"},
        {"C1 control", "x\xC2\x9B" "y", "x%C2%9By"},
        {"bidi override", "abc\xE2\x80\xAEgpj.exe", "abc%E2%80%AEgpj.exe"},
        {"no UTF-8", "bad\xFF\xC3", "bad%FF%C3"},
        {"a NUL", std::string("a\0b", 3), "a%00b"},
    };
    for (const ShownCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ShownName(c.raw), c.shown);
        EXPECT_EQ(NameOfShown(ShownName(c.raw)), c.raw);
    }
}

TEST(ShownNameTest, NamesThatLookAlikeStayApartWhenShown)
{
    // Every pair once looked the same in the list or in a start path.
    const std::pair<std::string, std::string> pairs[] = {
        {"Mail\news", "Mail%0Aews"}, {"a\\b", "a%5Cb"}, {"%25", "%"}, {"x:y", "x%3Ay"}, {"%3a", ":"}};
    for (const auto& [a, b] : pairs) {
        SCOPED_TRACE(a);
        EXPECT_NE(ShownName(a), ShownName(b));
        EXPECT_EQ(NameOfShown(ShownName(b)), b);
    }
    // A shown name never holds a separator of the program's paths; a shown
    // path or message keeps them and escapes only what cannot be shown.
    EXPECT_EQ(ShownName("a\\b:c").find_first_of("\\:"), std::string::npos);
    EXPECT_EQ(ShownText("/a:b\\c 100%41\n"), "/a:b\\c 100%41%0A");
}

TEST(FolderNamesTest, ExactNamesFirstThenTheOneMatchWithoutCaseElseAmbiguous)
{
    FolderNames names(NameCase::Kept);
    names.Add(0, "Photos", 1);
    names.Add(0, "photos", 2);
    names.Add(0, "Docs", 3);
    size_t child = 0;
    EXPECT_EQ(names.Find(0, "photos", child), NameLookup::Found);
    EXPECT_EQ(child, 2u);
    EXPECT_EQ(names.Find(0, "Photos", child), NameLookup::Found);
    EXPECT_EQ(child, 1u);
    EXPECT_EQ(names.Find(0, "PHOTOS", child), NameLookup::Ambiguous);
    EXPECT_EQ(names.Find(0, "docs", child), NameLookup::Found);
    EXPECT_EQ(child, 3u);
    EXPECT_EQ(names.Find(1, "Docs", child), NameLookup::Missing) << "another folder's child";

    FolderNames netware(NameCase::Ignored);
    netware.Add(0, "DATA", 1);
    EXPECT_EQ(netware.Find(0, "data", child), NameLookup::Found);
    EXPECT_TRUE(SameName("data", "DATA", NameCase::Ignored));
    EXPECT_FALSE(SameName("data", "DATA", NameCase::Kept));
    EXPECT_TRUE(WildcardMatch("p*", "Photos", NameCase::Ignored));
    EXPECT_FALSE(WildcardMatch("p*", "Photos", NameCase::Kept));
}

// A chain of folders, each the only child of the one before.
struct Chain {
    FolderNames names;
    explicit Chain(size_t depth)
    {
        for (size_t level = 0; level < depth; ++level)
            names.Add(level, "d", level + 1);
    }
    FolderPathCache::Step Step()
    {
        return [this](size_t parent, std::string_view name, size_t& child) { return names.Find(parent, name, child); };
    }
};

std::string ChainPath(size_t depth)
{
    std::string path = "VOL:";
    for (size_t level = 0; level < depth; ++level)
        path += level ? "\\d" : "d";
    return path;
}

TEST(FolderPathCacheTest, ResolvesEveryPathAsAFreshLookupWould)
{
    Chain chain(3);
    chain.names.Add(1, "e", 10);
    FolderPathCache cache;
    size_t folder = 99;
    struct Lookup {
        const char* path;
        NameLookup result;
        size_t folder;
    };
    // In an order a walk would not take, so the remembered path is often
    // wrong for the next one.
    const Lookup lookups[] = {{"VOL:d\\d", NameLookup::Found, 2}, {"VOL:d\\e", NameLookup::Found, 10},
                              {"VOL:d\\dd", NameLookup::Missing, 0}, {"VOL:d\\d\\d", NameLookup::Found, 3},
                              {"VOL:", NameLookup::Found, 0},       {"VOL:\\d/d", NameLookup::Found, 2},
                              {"VOL:d\\x", NameLookup::Missing, 0},  {"VOL:d", NameLookup::Found, 1}};
    for (const Lookup& l : lookups) {
        SCOPED_TRACE(l.path);
        EXPECT_EQ(cache.Resolve(l.path, 4, 0, chain.Step(), folder), l.result);
        if (l.result == NameLookup::Found) {
            EXPECT_EQ(folder, l.folder);
        }
    }
}

TEST(FolderPathCacheTest, AHundredThousandLevelsAreFoundWithoutAStackPerLevel)
{
    constexpr size_t depth = 100000;
    Chain chain(depth);
    FolderPathCache cache;
    size_t folder = 0;
    ASSERT_EQ(cache.Resolve(ChainPath(depth), 4, 0, chain.Step(), folder), NameLookup::Found);
    EXPECT_EQ(folder, depth);
    // One level up and down again, as a walk goes.
    ASSERT_EQ(cache.Resolve(ChainPath(depth - 1), 4, 0, chain.Step(), folder), NameLookup::Found);
    EXPECT_EQ(folder, depth - 1);
}

TEST(NetWarePathTest, ThePathHeadIsReadByTheRulesOfTheWholePath)
{
    NetWarePathHead head;
    ASSERT_TRUE(ParsePathHead("\\\\SRV\\\\VOL\\a\\b", head));
    EXPECT_EQ(head.server, "SRV");
    EXPECT_EQ(head.volume, "VOL");
    EXPECT_EQ(std::string("\\\\SRV\\\\VOL\\a\\b").substr(head.directoryStart), "\\a\\b");
    ASSERT_TRUE(ParsePathHead("VOL:a", head));
    EXPECT_EQ(head.directoryStart, 4u);
    for (const char* refused : {"\\\\SRV", "\\\\SRV\\VOL\\a:b", "VOL:a:b", "\\VOL:a", "a\\VOL:b", ":a"})
        EXPECT_FALSE(ParsePathHead(refused, head)) << refused;
}

}  // namespace
