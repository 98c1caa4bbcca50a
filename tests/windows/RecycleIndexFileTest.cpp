// SPDX-License-Identifier: GPL-3.0-or-later
// The $I reader on well-formed and hostile bytes, the original-path split and
// the names of bin entries.
#include "netware/windows/RecycleIndexFile.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "RecycleBinWriter.h"

using namespace recyclebin;

TEST(RecycleIndexFileTest, BothVersionsGiveSizeTimeAndPath)
{
    for (int version : {1, 2}) {
        SCOPED_TRACE(version);
        const auto index = ParseRecycleIndex(IndexBytes(version, "D:\\Über\\\xF0\x9F\x98\x80.txt", 1234, 42));
        ASSERT_TRUE(index);
        EXPECT_EQ(index->version, version);
        EXPECT_EQ(index->size, 1234u);
        EXPECT_EQ(index->deleted, 42);
        EXPECT_EQ(index->path, "D:\\Über\\\xF0\x9F\x98\x80.txt");
    }
}

TEST(RecycleIndexFileTest, HostileBytesAreRefused)
{
    const std::string v1 = IndexBytes(1, "D:\\a.txt", 1, 1), v2 = IndexBytes(2, "D:\\a.txt", 1, 1);
    std::string countBeyond = v2, countZero = v2, noNul = v2, version3 = v2, loneLow = v2, loneHigh = v2,
                no1Nul = IndexBytes(1, std::string(260, 'x'), 1, 1);
    countBeyond[24] = 100;
    countZero[24] = 0;
    noNul[noNul.size() - 2] = 'x';
    version3[0] = 3;
    loneLow[28] = '\x00', loneLow[29] = '\xDC';
    loneHigh[28] = '\x00', loneHigh[29] = '\xD8';  // followed by ':', no low surrogate
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"header cut", v2.substr(0, 20)},
        {"version 1 cut", v1.substr(0, v1.size() - 1)},
        {"version 1 too long", v1 + "x"},
        {"version 1 without NUL", no1Nul},
        {"version 2 cut", v2.substr(0, v2.size() - 2)},
        {"version 2 too long", v2 + "xx"},
        {"count beyond the file", countBeyond},
        {"count zero", countZero},
        {"no NUL at the counted end", noNul},
        {"version 3", version3},
        {"lone low surrogate", loneLow},
        {"lone high surrogate", loneHigh},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(ParseRecycleIndex(c.bytes));
    }
}

TEST(RecycleIndexFileTest, FileTimesRoundDownToTheSecond)
{
    EXPECT_EQ(UnixTimeOfFileTime(FileTimeOf(1700000000, 9999999)), 1700000000);
    EXPECT_EQ(UnixTimeOfFileTime(FileTimeOf(-5, 1)), -5);
    EXPECT_EQ(UnixTimeOfFileTime(0), -11644473600LL);
    // The extremes a hostile index may hold, without overflow.
    EXPECT_EQ(UnixTimeOfFileTime(INT64_MIN), INT64_MIN / 10'000'000 - 1 - 11644473600LL);
    EXPECT_EQ(UnixTimeOfFileTime(INT64_MAX), INT64_MAX / 10'000'000 - 11644473600LL);
}

TEST(RecycleIndexFileTest, OnlyPlainDrivePathsAreSplit)
{
    std::vector<std::string> folders;
    std::string name;
    ASSERT_TRUE(SplitOriginalPath("D:\\Projects\\x.docx", folders, name));
    EXPECT_EQ(folders, std::vector<std::string>{"Projects"});
    EXPECT_EQ(name, "x.docx");
    ASSERT_TRUE(SplitOriginalPath("e:/a/b/c", folders, name));
    EXPECT_EQ(folders, (std::vector<std::string>{"a", "b"}));
    for (const char* refused : {"\\\\server\\share\\x.txt", "\\x.txt", "x.txt", "D:x.txt", "D:\\", "D:\\a\\..\\x",
                                "D:\\.\\x", "D:\\a\\\\x", "D:\\a\\", "1:\\x"}) {
        SCOPED_TRACE(refused);
        EXPECT_FALSE(SplitOriginalPath(refused, folders, name));
    }
}

TEST(RecycleIndexFileTest, BinEntriesHaveSixCharactersAndAnExtension)
{
    std::string_view id;
    EXPECT_TRUE(IsRecycleName("$IABC123.txt", 'I', id));
    EXPECT_EQ(id, "ABC123.txt");
    EXPECT_TRUE(IsRecycleName("$RABCDEF", 'R', id));
    for (const char* other : {"$IABC12", "$IABCDEFG", "$IAB.CDEF", "$RABC123.txt", "desktop.ini", "$iABC123"}) {
        SCOPED_TRACE(other);
        EXPECT_FALSE(IsRecycleName(other, 'I', id));
    }
}
