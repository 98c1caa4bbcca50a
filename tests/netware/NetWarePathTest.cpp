// SPDX-License-Identifier: GPL-3.0-or-later
// The path rules every back end resolves start paths with.
#include <gtest/gtest.h>

#include "netware/NetWarePath.h"

namespace {

struct PathCase {
    const char* path;
    const char* server;
    const char* volume;
    const char* directories;  // joined with "\"
};

}  // namespace

TEST(NetWarePathTest, UncAndVolumeFormsAndWhatIsRefused)
{
    const PathCase cases[] = {
        {"\\\\FS1\\DATA\\projects\\old", "FS1", "DATA", "projects\\old"},
        {"//FS1/DATA//projects/", "FS1", "DATA", "projects"},
        {"\\\\FS1\\DATA", "FS1", "DATA", ""},
        {"DATA:projects\\old", "", "DATA", "projects\\old"},
        {"DATA:", "", "DATA", ""},
        {"DATA:\\projects", "", "DATA", "projects"},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.path);
        NetWarePathParts parts;
        ASSERT_TRUE(ParseNetWarePath(c.path, parts));
        EXPECT_EQ(parts.server, c.server);
        EXPECT_EQ(parts.volume, c.volume);
        EXPECT_EQ(JoinDirectories(parts.directories), c.directories);
    }
    const char* const refused[] = {
        "\\\\FS1",
        "\\\\\\FS1\\DATA",
        "\\\\FS1\\DATA\\a:b",  // a ":" inside a UNC part
        "\\\\FS1\\DA:TA",
        "DATA:a:b",
        ":projects",
        "DA\\TA:projects",
        "/home/user",
        "",
    };
    for (const char* path : refused) {
        NetWarePathParts parts;
        EXPECT_FALSE(ParseNetWarePath(path, parts)) << path;
    }
    NetWarePathParts parts;
    EXPECT_FALSE(ParseNetWarePath(nullptr, parts));
}

TEST(NetWarePathTest, WildcardsIgnoreLetterCase)
{
    EXPECT_TRUE(WildcardMatch("*", "anything"));
    EXPECT_TRUE(WildcardMatch("*", ""));
    EXPECT_TRUE(WildcardMatch("pro*", "PROJECTS"));
    EXPECT_TRUE(WildcardMatch("*.t?p", "a.b.TMP"));
    EXPECT_TRUE(WildcardMatch("a*b*c", "axxbyybzc"));
    EXPECT_FALSE(WildcardMatch("*.*", "README"));
    EXPECT_FALSE(WildcardMatch("?", ""));
    EXPECT_FALSE(WildcardMatch("a*b", "axxbc"));
}
