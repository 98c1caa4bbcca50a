// SPDX-License-Identifier: GPL-3.0-or-later
// The directory handles every back end hands out: the lowest free one, owned by
// one connection, never 0, at most 255.
#include <gtest/gtest.h>

#include <string>

#include "netware/DirHandlePool.h"

TEST(DirHandlePoolTest, HandlesBelongToTheirConnectionAndAreUsedAgain)
{
    DirHandlePool<std::string> pool;
    NWDIR_HANDLE first = 0, second = 0, third = 0;
    ASSERT_EQ(pool.Allocate(1, "one", first), SUCCESSFUL);
    ASSERT_EQ(pool.Allocate(2, "two", second), SUCCESSFUL);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);
    ASSERT_NE(pool.Find(1, first), nullptr);
    EXPECT_EQ(*pool.Find(1, first), "one");
    EXPECT_EQ(pool.Find(2, first), nullptr);
    EXPECT_EQ(pool.Find(1, 0), nullptr);
    EXPECT_EQ(pool.Release(2, first), ERR_BAD_DIRECTORY_HANDLE);

    ASSERT_EQ(pool.Release(1, first), SUCCESSFUL);
    EXPECT_EQ(pool.Release(1, first), ERR_BAD_DIRECTORY_HANDLE);
    ASSERT_EQ(pool.Allocate(1, "again", third), SUCCESSFUL);
    EXPECT_EQ(third, 1);

    pool.ReleaseAll(1);
    EXPECT_EQ(pool.InUse(), 1);
    EXPECT_EQ(pool.Find(1, third), nullptr);
    EXPECT_NE(pool.Find(2, second), nullptr);
}

TEST(DirHandlePoolTest, EightBitLimits)
{
    DirHandlePool<int> pool;
    NWDIR_HANDLE handle = 0;
    for (int i = 0; i < DirHandlePool<int>::kDefaultSize; ++i)
        ASSERT_EQ(pool.Allocate(1, i, handle), SUCCESSFUL);
    EXPECT_EQ(handle, 254);
    EXPECT_TRUE(pool.Full());
    EXPECT_EQ(pool.Allocate(1, 0, handle), ERR_NO_MORE_DIR_HANDLES);

    pool.SetSize(1000);
    ASSERT_EQ(pool.Allocate(1, 0, handle), SUCCESSFUL);
    EXPECT_EQ(handle, 255);
    EXPECT_EQ(pool.Allocate(1, 0, handle), ERR_NO_MORE_DIR_HANDLES);
    pool.SetSize(0);
    EXPECT_TRUE(pool.Full());
}
