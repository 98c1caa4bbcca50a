// SPDX-License-Identifier: GPL-3.0-or-later
// The connection calls every back end answers through the shared base: its
// servers' references, handles and names, its hooks, a failing store
// answered with a code instead of an exception, and the directory calls' fields
// that no back end models.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "netware/ClientBase.h"

namespace {

// Two servers, FS1 (primary) and FS2; a single directory, SYS:DATA, on each.
class TwoServers : public ClientBase {
public:
    bool failing = false;
    int opened = 0;
    std::vector<NWCONN_HANDLE> closed;

    NWCCODE SplitPathByClient(const char*, char*, NWCONN_HANDLE&, char*, char*) override { return 1; }
    NWCCODE DirSearchNext(NWCONN_HANDLE, nuint8, nuint16, nuint16, nuint8, const char*, NWSEARCH_ENTRY&, nuint32) override { return 1; }
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
    NWCCODE DirectoryName(NWCONN_HANDLE, const char* path, std::string& name) override
    {
        name = "DATA";
        return std::string(path) == "SYS:DATA" ? SUCCESSFUL : ERR_INVALID_PATH;
    }
    NWCCODE StartSearch(NWCONN_HANDLE, const char*, nuint8& volumeNumber, nuint16& searchId) override
    {
        volumeNumber = 3;
        searchId = 7;
        return SUCCESSFUL;
    }
    NWCCODE AllocateDirHandle(NWCONN_HANDLE, const char* path, NWDIR_HANDLE& handle) override
    {
        handle = 5;
        return std::string(path) == "SYS:DATA" ? SUCCESSFUL : ERR_NO_MORE_DIR_HANDLES;
    }
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

TEST(ClientBaseTest, DirectoryCallsAnswerAFolderWithAllRightsAndLeaveFailuresUntouched)
{
    TwoServers client;
    char name[256] = "unchanged";
    nuint32 attributes = 1, created = 1, owner = 1;
    ASSERT_EQ(client.DirectoryInfo(1, 0, "SYS:DATA", nullptr, name, attributes, created, owner, 0), SUCCESSFUL);
    EXPECT_STREQ(name, "DATA");
    EXPECT_EQ(attributes, ClientBase::kDirectoryAttribute);
    EXPECT_EQ(created, 0u);
    EXPECT_EQ(owner, 0u);
    std::strcpy(name, "unchanged");
    EXPECT_EQ(client.DirectoryInfo(1, 0, "SYS:NONE", nullptr, name, attributes, created, owner, 0), ERR_INVALID_PATH);
    EXPECT_STREQ(name, "unchanged");

    nuint8 volume = 0;
    nuint16 search = 0, sequence = 0;
    NWSEARCH_ENTRY buffer{};
    ASSERT_EQ(client.DirSearchStart(1, 0, "SYS:DATA", volume, search, sequence, buffer, 0), SUCCESSFUL);
    EXPECT_EQ(volume, 3);
    EXPECT_EQ(search, 7);

    NWDIR_HANDLE handle = 0;
    nuint8 rights = 0;
    ASSERT_EQ(client.NWAllocTemporaryDirectoryHandle(1, 0, "SYS:DATA", handle, &rights), SUCCESSFUL);
    EXPECT_EQ(handle, 5);
    EXPECT_EQ(rights, 0xFF);
    rights = 0;
    EXPECT_EQ(client.NWAllocTemporaryDirectoryHandle(1, 0, "SYS:NONE", handle, &rights), ERR_NO_MORE_DIR_HANDLES);
    EXPECT_EQ(rights, 0) << "no rights for a handle not given";
    EXPECT_EQ(client.NWAllocTemporaryDirectoryHandle(1, 0, "SYS:DATA", handle, nullptr), SUCCESSFUL);
}
