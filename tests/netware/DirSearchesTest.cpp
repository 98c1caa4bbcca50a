// SPDX-License-Identifier: GPL-3.0-or-later
// The directory searches every back end keeps.
#include <gtest/gtest.h>

#include "netware/DirSearches.h"

TEST(DirSearchesTest, SearchesBelongToTheirConnectionAndVolumeAndOnlyRecentOnesAreKept)
{
    DirSearches<int> searches;
    const nuint16 first = searches.Add(1, 0, 10);
    ASSERT_NE(searches.Find(1, 0, first), nullptr);
    EXPECT_EQ(*searches.Find(1, 0, first), 10);
    EXPECT_EQ(searches.Find(2, 0, first), nullptr);
    EXPECT_EQ(searches.Find(1, 1, first), nullptr);
    nuint16 last = first;
    for (int i = 0; i < DirSearches<int>::kKept; ++i)
        last = searches.Add(1, 0, i);
    EXPECT_EQ(searches.Find(1, 0, first), nullptr);
    EXPECT_NE(searches.Find(1, 0, last), nullptr);
    for (int i = 0; i < 0x10000; ++i)
        ASSERT_NE(searches.Add(1, 0, i), 0);
}
