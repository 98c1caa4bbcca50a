// SPDX-License-Identifier: GPL-3.0-or-later
// The name context: texts without "CN=", flags, and pointing it at a tree.
#include <gtest/gtest.h>

#include "netware/D_NW.h"
#include "tests/netware/FakeClient.h"

namespace {

class ContextTest : public testing::Test {
protected:
    void SetUp() override { ContextCreate(context); }

    FakeClient client;
    NWDSContextHandle context = 0;
};

TEST_F(ContextTest, SameTreeInAnotherCaseIsNotSetAgain)
{
    client.SetContextTree(context, "Corp_Tree");
    EXPECT_EQ(SetContextTreeAndName(context, "CORP_TREE", "[Root]"), 0);
    EXPECT_EQ(client.ContextSets(DCK_TREE_NAME), 0);
    ASSERT_EQ(client.contextWrites.size(), 1u);
    EXPECT_EQ(client.contextWrites[0].key, DCK_NAME_CONTEXT);
    EXPECT_EQ(client.contextWrites[0].text, "[Root]");
}

TEST_F(ContextTest, AnotherTreeIsSetBeforeTheNameContext)
{
    client.SetContextTree(context, "CORP");
    EXPECT_EQ(SetContextTreeAndName(context, "LAB", ".OU.ORG"), 0);
    ASSERT_EQ(client.contextWrites.size(), 2u);
    EXPECT_EQ(client.contextWrites[0].key, DCK_TREE_NAME);
    EXPECT_EQ(client.contextWrites[0].text, "LAB");
    EXPECT_EQ(client.contextWrites[1].key, DCK_NAME_CONTEXT);
    EXPECT_EQ(client.contextWrites[1].text, "OU.ORG");
}

TEST_F(ContextTest, EmptyTreeOnlySetsTheNameContext)
{
    EXPECT_EQ(SetContextTreeAndName(context, "", "[Root]"), 0);
    EXPECT_EQ(client.ContextSets(DCK_TREE_NAME), 0);
    EXPECT_EQ(client.ContextSets(DCK_NAME_CONTEXT), 1);
}

TEST_F(ContextTest, FailingTreeSetIsReturnedBeforeTheNameContext)
{
    EXPECT_EQ(SetContextTreeAndName(context + 50, "LAB", "[Root]"), FakeClient::ERR_BAD_CONTEXT_FAKE);
    EXPECT_TRUE(client.contextWrites.empty());
    EXPECT_EQ(client.Count("ContextSet"), 1);
}

TEST_F(ContextTest, StripLeadingDotRemovesOnlyOne)
{
    EXPECT_EQ(StripLeadingDot("[Root]"), "[Root]");
    EXPECT_EQ(StripLeadingDot("..A"), ".A");
    EXPECT_EQ(StripLeadingDot(""), "");
}

TEST_F(ContextTest, ContextTextDropsCnInAnyCase)
{
    client.SetContextTree(context, "CN=Admin.cn=x.Cn=Y");
    std::string text;
    EXPECT_EQ(ContextTreeName(context, text), 0);
    EXPECT_EQ(text, "Admin.x.Y");
    // What is left after a "CN=" is not searched again.
    client.SetContextTree(context, "OU=A.cCN=N=B.CN");
    EXPECT_EQ(ContextTreeName(context, text), 0);
    EXPECT_EQ(text, "OU=A.cN=B.CN");
    EXPECT_NE(ContextTreeName(context + 50, text), 0);
    EXPECT_EQ(text, "");
}

TEST_F(ContextTest, FlagsAreSetClearedOrLeftAlone)
{
    ChangeContextFlags(context, '+', 4 | 1);
    EXPECT_EQ(client.ContextFlags(context), 5u);
    ChangeContextFlags(context, '-', 1);
    EXPECT_EQ(client.ContextFlags(context), 4u);
    ChangeContextFlags(context, '*', 0xFF);
    EXPECT_EQ(client.ContextFlags(context), 4u);
}

TEST_F(ContextTest, AlignPointsTheContextAtTheConnectionsTree)
{
    client.connections = {{"SRV1", "LAB" + std::string(29, '_')}};
    EXPECT_EQ(AlignContextWithConn(context, 101), 0);
    std::string tree;
    ContextTreeName(context, tree);
    EXPECT_EQ(tree, "LAB");

    client.contextWrites.clear();
    EXPECT_EQ(AlignContextWithConn(context, 999), ERR_INVALID_CONNECTION);
    EXPECT_TRUE(client.contextWrites.empty());
}

}  // namespace
