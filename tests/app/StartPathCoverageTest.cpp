// SPDX-License-Identifier: GPL-3.0-or-later
// Which start paths another one covers: below a recursive path, or the same
// directory again, whatever the order and the letter case.
#include "app/StartPathCoverage.h"

#include <gtest/gtest.h>

namespace {

StartPathPlace Text(const char* path, bool recursive, NameCase rule = NameCase::Ignored)
{
    return PlaceOfPathText(path, recursive, rule);
}

TEST(StartPathCoverageTest, CoveredPathsNameAWalkedCoverer)
{
    struct Case {
        const char* name;
        std::vector<StartPathPlace> places;
        std::vector<int> coverers;
    };
    const Case cases[] = {
        // The covering path may come after the covered ones; a chain names its top.
        {"below, listed first",
         {Text("\\\\FS1\\DATA\\PROJECTS\\A", true), Text("\\\\FS1\\DATA\\PROJECTS", true), Text("\\\\fs1\\data", true)},
         {2, 2, -1}},
        {"same directory: the recursive entry covers the other, else the first",
         {Text("\\\\FS1\\DATA\\X", false), Text("\\\\FS1\\DATA\\x\\", true), Text("//fs1/data/x", true),
          PlaceOfResolvedPath("fs1", "Data", "X", false, NameCase::Ignored)},
         {1, -1, 1, 1}},
        // Without its mark a path reaches one level only: it covers no path below it.
        {"no mark, other volume or server, a name that merely starts alike",
         {Text("\\\\FS1\\DATA", false), Text("\\\\FS1\\DATA\\HOME", true), Text("\\\\FS1\\SYS\\DATA", true),
          Text("\\\\FS2\\DATA\\HOME\\A", true), Text("\\\\FS1\\DATA\\HOMES", true)},
         {-1, -1, -1, -1, -1}},
        // On a store that keeps case, folders differing in case are two places;
        // server and volume names never differ by case.
        {"case kept",
         {Text("\\\\TRASH\\HOME\\Photos", true, NameCase::Kept), Text("\\\\trash\\home\\photos", true, NameCase::Kept),
          Text("\\\\TRASH\\home\\Photos\\a", false, NameCase::Kept),
          PlaceOfResolvedPath("trash", "HOME", "photos\\b", false, NameCase::Kept)},
         {-1, -1, 0, 1}},
        // A folder name holding a colon is no place: only shown names reach here.
        {"a colon", {Text("\\\\FS1\\DATA", true), Text("\\\\FS1\\DATA\\a:b", true)}, {-1, -1}},
        // A local folder or a bare server names no volume: never compared.
        {"not on a volume",
         {Text("\\\\FS1", true), Text("\\\\FS1\\DATA", true), Text("/home/a", true), Text("/home/a/b", true)},
         {-1, -1, -1, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CoveringStartPaths(c.places), c.coverers);
    }
}

}  // namespace
