// SPDX-License-Identifier: GPL-3.0-or-later
// The connection calls every back end answers through the shared base: its
// servers' references, handles and names, its hooks, and a failing store
// answered with a code instead of an exception.
#include <gtest/gtest.h>

#include <stdexcept>

#include "netware/ClientBase.h"

namespace {

// Two servers, FS1 (primary) and FS2; only the connection calls are asked.
class TwoServers : public ClientBase {
public:
    bool failing = false;
    int opened = 0;
    std::vector<NWCONN_HANDLE> closed;

    NWCCODE SplitPathByClient(const char*, char*, NWCONN_HANDLE&, char*, char*) override { return 1; }
    NWCCODE DirectoryInfo(NWCONN_HANDLE, nuint8, const char*, const nuint8*, char*, nuint32&, nuint32&, nuint32&, nuint32) override { return 1; }
    NWCCODE DirSearchStart(NWCONN_HANDLE, nuint8, const char*, nuint8&, nuint16&, nuint16&, NWSEARCH_ENTRY&, nuint32) override { return 1; }
    NWCCODE DirSearchNext(NWCONN_HANDLE, nuint8, nuint16, nuint16, nuint8, const char*, NWSEARCH_ENTRY&, nuint32) override { return 1; }
    NWCCODE NWAllocTemporaryDirectoryHandle(NWCONN_HANDLE, NWDIR_HANDLE, const char*, NWDIR_HANDLE&, nuint8*) override { return 1; }
    NWCCODE NextDeletedFile(NWCONN_HANDLE, NWDIR_HANDLE, nuint32&, nuint8&, nuint32&, NWDELETED_INFO&) override { return 1; }
    NWCCODE NWPurgeDeletedFile(NWCONN_HANDLE, NWDIR_HANDLE, nuint32, nuint8, nuint32, const char*) override { return 1; }
    NWCCODE ReleaseDirHandle(NWCONN_HANDLE, NWDIR_HANDLE) override { return 1; }
    NWCCODE NWGetVolumeName(NWCONN_HANDLE, nuint16, char*) override { return 1; }
    NWCCODE ObjectIdToNameByClient(NWDSContextHandle, NWCONN_HANDLE, nuint32, char*) override { return 1; }
    std::unique_ptr<NWErrorTextLibrary> LoadErrorTextLibrary() override { return nullptr; }

protected:
    std::vector<Server> Servers() override
    {
        if (failing)
            throw std::runtime_error("store failed");
        return {1, 2};
    }
    Server PrimaryServer() override { return 1; }
    bool ServerNames(Server server, std::string& name, std::string& tree) override
    {
        name = server == 1 ? "FS1" : "FS2";
        tree = "CORP";
        return server == 1 || server == 2;
    }
    void ConnectionOpened(NWCONN_HANDLE) override { ++opened; }
    void ConnectionClosed(NWCONN_HANDLE conn) override { closed.push_back(conn); }
};

}  // namespace

TEST(ClientBaseTest, ConnectionsToTheListedServersWithTheirNamesAndHooks)
{
    TwoServers client;
    nuint32 iterator = 0;
    NWCONN_REF first = 0, second = 0, third = 0, primary = 0;
    ASSERT_EQ(client.NextConnRef(iterator, first), SUCCESSFUL);
    ASSERT_EQ(client.NextConnRef(iterator, second), SUCCESSFUL);
    EXPECT_EQ(client.NextConnRef(iterator, third), ERR_CONNECTION_NOT_FOUND);
    ASSERT_EQ(client.PrimaryConnRef(primary), SUCCESSFUL);
    EXPECT_EQ(primary, first);

    char text[64];
    ASSERT_EQ(client.ConnRefInfo(second, NWCC_INFO_SERVER_NAME, sizeof text, text), SUCCESSFUL);
    EXPECT_STREQ(text, "FS2");
    EXPECT_EQ(client.ConnRefInfo(second + 1, NWCC_INFO_SERVER_NAME, sizeof text, text), ERR_INVALID_CONNECTION);

    NWCONN_HANDLE conn = 0;
    EXPECT_EQ(client.NWCCOpenConnByRef(second + 1, 1, 0, conn), ERR_INVALID_CONNECTION);
    EXPECT_EQ(client.opened, 0);
    ASSERT_EQ(client.NWCCOpenConnByRef(second, 1, 0, conn), SUCCESSFUL);
    EXPECT_EQ(client.opened, 1);
    ASSERT_EQ(client.ConnInfo(conn, NWCC_INFO_TREE_NAME, sizeof text, text), SUCCESSFUL);
    EXPECT_STREQ(text, "CORP____________________________");
    EXPECT_EQ(client.ConnInfo(conn, 99, sizeof text, text), ERR_INVALID_PARAMETER);

    ASSERT_EQ(client.CloseConn(conn), SUCCESSFUL);
    EXPECT_EQ(client.CloseConn(conn), ERR_INVALID_CONNECTION);
    EXPECT_EQ(client.closed, std::vector<NWCONN_HANDLE>{conn});
    EXPECT_EQ(client.ConnInfo(conn, NWCC_INFO_SERVER_NAME, sizeof text, text), ERR_INVALID_CONNECTION);
}

TEST(ClientBaseTest, AFailingStoreAnswersWithACode)
{
    TwoServers client;
    client.failing = true;
    nuint32 iterator = 0;
    NWCONN_REF ref = 0;
    NWCONN_HANDLE conn = 0;
    EXPECT_EQ(client.NextConnRef(iterator, ref), ERR_IO_FAILURE);
    EXPECT_EQ(client.NWCCOpenConnByRef(ConnectionTable::RefOf(1), 1, 0, conn), ERR_IO_FAILURE);
    EXPECT_EQ(client.ConnRefInfo(ConnectionTable::RefOf(1), NWCC_INFO_SERVER_NAME, 0, nullptr), ERR_IO_FAILURE);
}
