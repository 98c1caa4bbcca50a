// SPDX-License-Identifier: GPL-3.0-or-later
// Client start-up, the primary connection, the connection list and the names
// read from connections.
#include <gtest/gtest.h>

#include "netware/D_NW.h"
#include "tests/netware/FakeClient.h"
#include "util/MessageBox.h"
#include "util/MessagePump.h"

namespace {

class ConnectionsTest : public testing::Test {
protected:
    void SetUp() override { ResetPrimaryConnectionForTesting(); }
    void TearDown() override { ResetPrimaryConnectionForTesting(); }

    FakeClient client;
    MessageBoxRecorder boxes;
};

TEST_F(ConnectionsTest, NoConnectionShowsTheConnectionSentenceAndReturnsTheCode)
{
    EXPECT_EQ(InitNetWare(), ERR_CONNECTION_NOT_FOUND);
    ASSERT_EQ(boxes.Requests().size(), 1u);
    EXPECT_EQ(boxes.Requests()[0].kind, MsgDlgType::Error);
    EXPECT_EQ(boxes.Requests()[0].buttons, std::vector<std::string>{"OK"});
    EXPECT_EQ(boxes.Texts()[0].rfind("Could not find server/tree connection. InitNetWare returned error 0x880D", 0),
              0u);
    EXPECT_EQ(PrimaryConnection, PrimaryNotOpened);
}

TEST_F(ConnectionsTest, ClientThatCannotStartShowsTheInitializeSentence)
{
    client.startupCode = ERR_CLIENT_NOT_STARTED;
    client.connections = {{"SRV1", "TREE1"}};
    EXPECT_EQ(InitNetWare(), ERR_CLIENT_NOT_STARTED);
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0].rfind("Could not initialize NetWare Client. InitNetWare returned error 0xFFFF", 0), 0u);
    EXPECT_EQ(client.Count("NextConnRef"), 0);
}

TEST_F(ConnectionsTest, SecondStartAfterSuccessDoesNotTouchTheClient)
{
    client.connections = {{"SRV1", "TREE1"}, {"SRV2", "TREE1"}};
    client.primaryRef = 2;
    EXPECT_EQ(InitNetWare(), 0);
    EXPECT_EQ(PrimaryConnection, 102u);  // the primary reference wins over the first one
    EXPECT_EQ(client.openedRefs, std::vector<NWCONN_REF>{2});
    const auto callsAfterFirst = client.calls;

    EXPECT_EQ(InitNetWare(), 0);
    EXPECT_EQ(client.calls, callsAfterFirst);
    EXPECT_TRUE(boxes.Requests().empty());
}

TEST_F(ConnectionsTest, WithoutPrimaryReferenceTheFirstScannedOneIsOpened)
{
    client.connections = {{"SRV1", "TREE1"}, {"SRV2", "TREE1"}};
    EXPECT_EQ(OpenPrimaryConnection(), 0);
    EXPECT_EQ(client.openedRefs, std::vector<NWCONN_REF>{1});
    EXPECT_EQ(PrimaryConnection, 101u);
}

TEST_F(ConnectionsTest, FailedOpenLeavesThePrimaryConnectionUnopened)
{
    // The client writes a handle although the open fails; the next start must
    // try again rather than report success.
    client.connections = {{"SRV1", "TREE1"}};
    client.openCode = ERR_NO_CONNECTION_TO_SERVER;
    EXPECT_EQ(InitNetWare(), ERR_NO_CONNECTION_TO_SERVER);
    EXPECT_EQ(PrimaryConnection, PrimaryNotOpened);

    client.openCode = 0;
    EXPECT_EQ(InitNetWare(), 0);
    EXPECT_EQ(client.Count("NWCCOpenConnByRef"), 2);
    EXPECT_EQ(PrimaryConnection, 101u);
}

TEST_F(ConnectionsTest, NoBackendMeansTheClientIsNotStarted)
{
    NWClientBackend* fake = SetClientBackend(nullptr);
    NWCONN_REF ref = 0;
    nuint32 iterator = 0;
    EXPECT_EQ(NextConnRef(iterator, ref), ERR_CLIENT_NOT_STARTED);
    EXPECT_EQ(OpenPrimaryConnection(), ERR_CLIENT_NOT_STARTED);
    SetClientBackend(fake);
}

TEST_F(ConnectionsTest, ConnectionListKeepsClientOrderAndSkipsUnnamedReferences)
{
    client.connections = {{"SRV2", "T"}, {"", "T"}, {"SRV1", "T"}};
    int pumps = 0;
    const MessagePump previous = SetMessagePump([&] { ++pumps; });
    std::vector<ServerConnectionItem> list{{"already there", 99}};
    ListServerConnections(list);
    SetMessagePump(previous);

    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[1].name, "SRV2");
    EXPECT_EQ(list[1].reference, 1u);
    EXPECT_EQ(list[2].name, "SRV1");
    EXPECT_EQ(list[2].reference, 3u);
    EXPECT_EQ(pumps, 4);  // three references and the failing call after them
    EXPECT_TRUE(boxes.Requests().empty());
}

TEST_F(ConnectionsTest, TreeNameLosesPaddingOwnUnderscoresAndWhatPasses32Characters)
{
    client.connections = {
        {"S1", "MORVANE_T" + std::string(23, '_')},
        {"S2", "CORP__" + std::string(26, '_')},
        {"S3", std::string(30, 'A') + "B_" + "CDEF"},
        {"S4", "ONLY"},
        {"S5", std::string(32, '_')},
    };
    std::string tree = "old";
    EXPECT_EQ(ConnTreeName(101, tree), 0);
    EXPECT_EQ(tree, "MORVANE_T");
    EXPECT_EQ(ConnTreeName(102, tree), 0);
    EXPECT_EQ(tree, "CORP");
    EXPECT_EQ(ConnTreeName(103, tree), 0);
    EXPECT_EQ(tree, std::string(30, 'A') + "B");  // cut to 32 first, then the "_" goes
    EXPECT_EQ(ConnTreeName(104, tree), 0);
    EXPECT_EQ(tree, "ONLY");
    EXPECT_EQ(ConnTreeName(105, tree), 0);
    EXPECT_EQ(tree, "");  // nothing but padding

    EXPECT_NE(ConnTreeName(555, tree), 0);
    EXPECT_EQ(tree, "");
}

TEST_F(ConnectionsTest, ServerNamesByHandleAndByReference)
{
    client.connections = {{"SRV1", "TREE1"}};
    std::string name;
    EXPECT_EQ(ConnServerName(101, name), 0);
    EXPECT_EQ(name, "SRV1");
    EXPECT_EQ(ConnRefServerName(1, name), 0);
    EXPECT_EQ(name, "SRV1");
    EXPECT_NE(ConnRefServerName(2, name), 0);
    EXPECT_EQ(name, "");
}

}  // namespace
