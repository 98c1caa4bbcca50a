// SPDX-License-Identifier: GPL-3.0-or-later
// D_NW against emulated networks: start-up, connections, tree names, user
// names, path splitting, the walk, error texts and deletion date-times as the
// client gives them.
#include <gtest/gtest.h>

#include <map>

#include "netware/D_NW.h"
#include "netware/emulated/EmulatedClient.h"
#include "util/MessageBox.h"

namespace {

const char* const Network = R"(
server SRV1 tree=MORVANE_T
server SRV2 tree=MORVANE_T
server OLD tree=CORP__
volume SRV1 SYS
volume SRV1 VOL1
volume OLD DATA
dir \\SRV1\VOL1\DATA\A\A1
dir \\SRV1\VOL1\DATA\B\B1
dir \\SRV1\VOL1\EMPTY
file \\SRV1\VOL1\DATA\live.txt size=10
deleted \\SRV1\VOL1\DATA\REPORT.BAK size=12288 deleted="1999-12-31 23:59:07" user=0x1001
deleted \\SRV1\VOL1\DATA\BROKEN.TMP size=0 deleted="1999-00-31 23:59:07" user=0x1002
user 0x1001 ADMIN
user 0x1002 ""
connection SRV2
connection SRV1 primary
connection OLD
)";

class NetworkTest : public testing::Test {
protected:
    void SetUp() override
    {
        ResetPrimaryConnectionForTesting();
        client = EmulatedClient::OpenInMemory();
        client->ImportFixture(Network);
        previous = SetClientBackend(client.get());
    }
    void TearDown() override
    {
        SetClientBackend(previous);
        ResetPrimaryConnectionForTesting();
    }

    NWCONN_HANDLE Split(const std::string& path, std::string& volumePath)
    {
        NWCONN_HANDLE conn = 0;
        std::string server, volume, directory;
        EXPECT_EQ(SplitNetWarePath(path, conn, server, volume, directory), 0) << path;
        volumePath = volume + ":" + directory;
        return conn;
    }

    std::vector<std::string> Walk(const std::string& start, nuint8 mode, bool recursive)
    {
        std::string volumePath;
        const NWCONN_HANDLE conn = Split("\\\\SRV1\\VOL1", volumePath);
        std::vector<std::string> paths;
        WalkDirectoryTree(
            conn, start, "*.*", mode,
            [](const std::string& path, const WalkEntry&, void* userData) {
                static_cast<std::vector<std::string>*>(userData)->push_back(path);
            },
            &paths, recursive);
        return paths;
    }

    std::unique_ptr<EmulatedClient> client;
    NWClientBackend* previous = nullptr;
    MessageBoxRecorder boxes;
};

using Paths = std::vector<std::string>;

TEST_F(NetworkTest, StartOpensThePrimaryOnceAndNeverAsksTheClientAgain)
{
    EXPECT_EQ(InitNetWare(), 0);
    EXPECT_NE(PrimaryConnection, PrimaryNotOpened);
    std::string server;
    EXPECT_EQ(ConnServerName(PrimaryConnection, server), 0);
    EXPECT_EQ(server, "SRV1");

    client->SetClientStartupCode(ERR_CLIENT_NOT_STARTED);
    EXPECT_EQ(InitNetWare(), 0);
    EXPECT_TRUE(boxes.Requests().empty());
}

TEST_F(NetworkTest, WorkstationWithoutConnectionsShowsTheStartError)
{
    auto empty = EmulatedClient::OpenInMemory();
    SetClientBackend(empty.get());
    const NWCCODE code = InitNetWare();
    SetClientBackend(client.get());

    EXPECT_NE(code, 0);
    EXPECT_NE(code, ERR_CLIENT_NOT_STARTED);
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0].rfind("Could not find server/tree connection. InitNetWare returned error 0x", 0), 0u);
}

TEST_F(NetworkTest, ConnectionListNamesEveryServerAndTreesLosePadding)
{
    std::vector<ServerConnectionItem> list;
    ListServerConnections(list);
    std::map<std::string, NWCONN_REF> refs;
    for (const auto& item : list)
        refs[item.name] = item.reference;
    ASSERT_EQ(refs.size(), 3u);
    ASSERT_EQ(list.size(), 3u);

    NWCONN_HANDLE conn = 0;
    ASSERT_EQ(NWCCOpenConnByRef(refs["OLD"], 1, 0, conn), 0);
    std::string tree;
    EXPECT_EQ(ConnTreeName(conn, tree), 0);
    EXPECT_EQ(tree, "CORP");  // padding and the name's own underscores go
    ASSERT_EQ(NWCCOpenConnByRef(refs["SRV1"], 1, 0, conn), 0);
    EXPECT_EQ(ConnTreeName(conn, tree), 0);
    EXPECT_EQ(tree, "MORVANE_T");
}

TEST_F(NetworkTest, UserNamesThroughTheCache)
{
    std::string volumePath;
    const NWCONN_HANDLE conn = Split("\\\\SRV1\\VOL1\\DATA", volumePath);
    NameCache cache;
    std::string name;
    EXPECT_EQ(CachedObjectName(conn, 0x1001, cache, name), 0);
    EXPECT_EQ(name, "ADMIN");
    EXPECT_EQ(CachedObjectName(conn, 0x1002, cache, name), 0);
    EXPECT_EQ(name, "");
    EXPECT_EQ(CachedObjectName(conn, 0x1003, cache, name), ERR_NO_SUCH_OBJECT);
    EXPECT_EQ(cache.Entries.size(), 2u);
}

TEST_F(NetworkTest, SplitGivesTheVolumePathParts)
{
    NWCONN_HANDLE conn = 0;
    std::string server = "-", volume = "-", directory = "-";
    EXPECT_EQ(SplitNetWarePath("\\\\SRV1\\VOL1\\DATA\\A", conn, server, volume, directory), 0);
    EXPECT_EQ(server, "SRV1");
    EXPECT_EQ(volume, "VOL1");
    EXPECT_EQ(directory, "DATA\\A");
    EXPECT_EQ(QueryDirectory(conn, "VOL1:DATA\\A"), 0);
    EXPECT_NE(QueryDirectory(conn, "VOL1:DATA\\NONE"), 0);

    EXPECT_NE(SplitNetWarePath("\\\\NOSUCH\\VOL1\\DATA", conn, server, volume, directory), 0);
    EXPECT_NE(SplitNetWarePath("/home/admin", conn, server, volume, directory), 0);
    EXPECT_EQ(directory, "DATA\\A");
}

TEST_F(NetworkTest, WalkOrdersWithAndWithoutRecursion)
{
    EXPECT_EQ(Walk("VOL1:DATA", WalkDirectories, false), (Paths{"VOL1:DATA", "VOL1:DATA\\A", "VOL1:DATA\\B"}));
    EXPECT_EQ(Walk("VOL1:DATA\\", WalkDirectories, true),
              (Paths{"VOL1:DATA", "VOL1:DATA\\A", "VOL1:DATA\\B", "VOL1:DATA\\A\\A1", "VOL1:DATA\\B\\B1"}));
    EXPECT_EQ(Walk("VOL1:", WalkDirectories, false), (Paths{"VOL1:", "VOL1:\\DATA", "VOL1:\\EMPTY"}));
    EXPECT_EQ(Walk("VOL1:EMPTY", WalkDirectories, true), Paths{"VOL1:EMPTY"});
}

TEST_F(NetworkTest, WalkSeesLiveFilesOnlyInModesZeroAndTwo)
{
    EXPECT_EQ(Walk("VOL1:DATA", WalkFiles, true), Paths{"VOL1:DATA\\live.txt"});
    EXPECT_EQ(Walk("VOL1:DATA", WalkFilesAndDirectories, false),
              (Paths{"VOL1:DATA", "VOL1:DATA\\live.txt", "VOL1:DATA\\A", "VOL1:DATA\\B"}));
}

TEST_F(NetworkTest, ErrorTextsFromTheClientsLibrary)
{
    const std::string withText = NWErrorText(ERR_INVALID_CONNECTION);
    EXPECT_EQ(withText.rfind("0x8801 (", 0), 0u);
    EXPECT_GT(withText.size(), std::string("0x8801 ()").size());
    EXPECT_EQ(NWErrorText(10), "0x000A (No child processes)");

    client->SetErrorTextLibraryMode(ErrorTextLibraryMode::Absent);
    EXPECT_EQ(NWErrorText(ERR_INVALID_CONNECTION), "0x8801");
    client->SetErrorTextLibraryMode(ErrorTextLibraryMode::NoStrerror);
    EXPECT_EQ(NWErrorText(ERR_INVALID_CONNECTION), "0x8801 ()");
}

TEST_F(NetworkTest, DeletionDateTimesOfTheScan)
{
    std::string volumePath;
    const NWCONN_HANDLE conn = Split("\\\\SRV1\\VOL1\\DATA", volumePath);
    NWDIR_HANDLE dir = 0;
    ASSERT_EQ(NWAllocTemporaryDirectoryHandle(conn, 0, volumePath.c_str(), dir, nullptr), 0);
    std::vector<nuint32> packed;
    nuint32 iter = 0xFFFFFFFF;
    nuint8 volumeNumber = 0;
    nuint32 directoryBase = 0;
    NWDELETED_INFO info{};
    while (NextDeletedFile(conn, dir, iter, volumeNumber, directoryBase, info) == 0)
        packed.push_back(info.deletedDateAndTime);
    ReleaseDirHandle(conn, dir);

    ASSERT_EQ(packed.size(), 2u);
    EXPECT_EQ(PackedDateTimeText(packed[0]), "1999-12-31 23:59:07");
    EXPECT_DOUBLE_EQ(PackedToDateTime(packed[0]), EncodeDateTime(1999, 12, 31, 23, 59, 7, 0));
    EXPECT_EQ(PackedDateTimeText(packed[1]), "1999-00-31 23:59:07");
    EXPECT_THROW(PackedToDateTime(packed[1]), DateTimeError);
}

}  // namespace
