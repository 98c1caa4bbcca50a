// SPDX-License-Identifier: GPL-3.0-or-later
// The name contexts both client back ends hand out.
#include <gtest/gtest.h>

#include "netware/NameContexts.h"

TEST(NameContextsTest, ContextsKeepFlagsNameContextAndTreeAndAFreedOneIsGone)
{
    NameContexts contexts;
    NWDSContextHandle context = 0;
    ASSERT_EQ(contexts.Create(context), 0);
    nuint32 flags = 99;
    ASSERT_EQ(contexts.Get(context, DCK_FLAGS, flags), 0);
    EXPECT_EQ(flags, 0u);
    ASSERT_EQ(contexts.Set(context, DCK_FLAGS, flags | 4), 0);
    ASSERT_EQ(contexts.Get(context, DCK_FLAGS, flags), 0);
    EXPECT_EQ(flags, 4u);
    char text[256];
    ASSERT_EQ(contexts.Set(context, DCK_TREE_NAME, "TREE1"), 0);
    ASSERT_EQ(contexts.Get(context, DCK_TREE_NAME, text), 0);
    EXPECT_STREQ(text, "TREE1");
    ASSERT_EQ(contexts.Get(context, DCK_NAME_CONTEXT, text), 0);
    EXPECT_STREQ(text, "[Root]");
    EXPECT_EQ(contexts.Get(context, DCK_FLAGS, text), ERR_BAD_KEY);
    EXPECT_EQ(contexts.Get(context, DCK_TREE_NAME, flags), ERR_BAD_KEY);
    EXPECT_EQ(contexts.Set(context, DCK_TREE_NAME, nullptr), ERR_INVALID_PARAMETER);
    ASSERT_EQ(contexts.Free(context), 0);
    EXPECT_EQ(contexts.Get(context, DCK_FLAGS, flags), ERR_BAD_CONTEXT);
    EXPECT_EQ(contexts.Free(context), ERR_BAD_CONTEXT);
    EXPECT_EQ(contexts.Find(0), nullptr);

    // The freed place serves the next context, which starts afresh.
    NWDSContextHandle next = 0;
    ASSERT_EQ(contexts.Create(next), 0);
    EXPECT_NE(next, context);
    ASSERT_NE(contexts.Find(next), nullptr);
    EXPECT_EQ(contexts.Find(next)->flags, 0u);
    EXPECT_EQ(contexts.Find(next)->tree, "");
    EXPECT_EQ(contexts.Find(next)->nameContext, "[Root]");
}
