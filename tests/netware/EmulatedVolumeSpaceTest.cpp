// SPDX-License-Identifier: GPL-3.0-or-later
// A volume's size and free space in the emulated network: from the fixture,
// through the client operation, after purges, for volumes without a size and
// for networks made before volumes had one.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <sqlite3.h>

#include "netware/D_NW.h"
#include "netware/emulated/EmulatedClient.h"
#include "netware/emulated/EmulatedDatabase.h"

namespace {

// 1 MiB volume, 100 kB in use besides three deleted files of 100 kB each.
const char* const Fixture = R"(
server SRV1
volume SRV1 VOL1 size=1048576 used=102400
volume SRV1 BARE
connection SRV1 primary
deleted \\SRV1\VOL1\D\a.tmp size=102400 deleted="2000-01-01 00:00:00"
deleted \\SRV1\VOL1\D\b.tmp size=102400 deleted="2000-01-02 00:00:00"
deleted \\SRV1\VOL1\c.tmp size=102400 deleted="2000-01-03 00:00:00"
deleted \\SRV1\BARE\x.tmp size=5 deleted="2000-01-03 00:00:00"
)";

class EmulatedVolumeSpaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        client = EmulatedClient::OpenInMemory();
        previous = SetClientBackend(client.get());
        client->ImportFixture(Fixture);
        std::string server, volume, directory;
        ASSERT_EQ(0, SplitNetWarePath("\\\\SRV1\\VOL1", conn, server, volume, directory));
    }
    void TearDown() override { SetClientBackend(previous); }

    NWCCODE Space(const char* volume)
    {
        total = free = 12345;
        return NWGetVolumeSpace(conn, volume, total, free);
    }

    // Purges the first deleted file of the directory.
    void PurgeFirst(const char* volumePath)
    {
        NWDIR_HANDLE handle = 0;
        ASSERT_EQ(0, NWAllocTemporaryDirectoryHandle(conn, 0, volumePath, handle, nullptr));
        nuint32 iteration = 0xFFFFFFFF;
        nuint8 volumeNumber = 0;
        nuint32 base = 0;
        NWDELETED_INFO record{};
        ASSERT_EQ(0, NextDeletedFile(conn, handle, iteration, volumeNumber, base, record));
        EXPECT_EQ(0, NWPurgeDeletedFile(conn, handle, iteration, volumeNumber, base, record.name));
        ReleaseDirHandle(conn, handle);
    }

    std::unique_ptr<EmulatedClient> client;
    NWClientBackend* previous = nullptr;
    NWCONN_HANDLE conn = 0;
    std::uint64_t total = 0, free = 0;
};

TEST_F(EmulatedVolumeSpaceTest, DeletedFilesCountAsUsedUntilTheyArePurged)
{
    ASSERT_EQ(0, Space("vol1"));
    EXPECT_EQ(1048576u, total);
    EXPECT_EQ(1048576u - 4 * 102400u, free);
    PurgeFirst("VOL1:D");
    PurgeFirst("VOL1:");
    ASSERT_EQ(0, Space("VOL1"));
    EXPECT_EQ(1048576u - 2 * 102400u, free);
}

TEST_F(EmulatedVolumeSpaceTest, UnknownSpaceVolumesAndConnectionsGiveTheirCodes)
{
    EXPECT_EQ(ERR_VOLUME_SPACE_UNKNOWN, Space("BARE"));
    EXPECT_EQ(0u, total);
    EXPECT_EQ(0u, free);
    EXPECT_EQ("0x89FB (Free space of the volume unknown)", NWErrorText(ERR_VOLUME_SPACE_UNKNOWN));
    EXPECT_EQ(ERR_VOLUME_DOES_NOT_EXIST, Space("NOVOL"));
    EXPECT_EQ(ERR_INVALID_CONNECTION, NWGetVolumeSpace(conn + 100, "VOL1", total, free));
    // More in use than the volume holds: nothing free, never a wrapped number.
    client->ImportFixture("volume SRV1 FULL size=10 used=11\n");
    ASSERT_EQ(0, Space("FULL"));
    EXPECT_EQ(0u, free);
}

TEST_F(EmulatedVolumeSpaceTest, FixtureRejectsUsedWithoutSizeAndSizesOutOfRange)
{
    for (const char* line : {"volume SRV1 V2 used=5", "volume SRV1 V3 size=0x10000000000", "volume SRV1 V4 size=-1"}) {
        SCOPED_TRACE(line);
        EXPECT_THROW(client->ImportFixture(line), std::runtime_error);
    }
}

TEST(EmulatedVolumeSpaceUpgrade, ANetworkMadeBeforeVolumeSizesOpensWithSpaceUnknown)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("old.db").toStdString();
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db,
                                      "CREATE TABLE servers (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE COLLATE "
                                      "NOCASE, tree TEXT NOT NULL DEFAULT '');"
                                      "CREATE TABLE volumes (id INTEGER PRIMARY KEY, server_id INTEGER NOT NULL, "
                                      "number INTEGER NOT NULL, name TEXT NOT NULL COLLATE NOCASE);"
                                      "CREATE TABLE directories (id INTEGER PRIMARY KEY, volume_id INTEGER NOT "
                                      "NULL, parent_id INTEGER, name TEXT NOT NULL COLLATE NOCASE);"
                                      "INSERT INTO servers(name) VALUES ('SRV1');"
                                      "INSERT INTO volumes(server_id, number, name) VALUES (1, 0, 'VOL1');"
                                      "INSERT INTO directories(volume_id, parent_id, name) VALUES (1, NULL, '');",
                                      nullptr, nullptr, nullptr));
    sqlite3_close(db);

    auto client = EmulatedClient::Open(path);
    NWClientBackend* previous = SetClientBackend(client.get());
    client->ImportFixture("connection SRV1 primary\n"
                          "dir \\\\SRV1\\VOL1\\D\n"
                          "deleted \\\\SRV1\\VOL1\\D\\a size=7 deleted=\"2000-01-01 00:00:00\"\n");
    NWCONN_HANDLE conn = 0;
    std::string server, volume, directory;
    ASSERT_EQ(0, SplitNetWarePath("\\\\SRV1\\VOL1", conn, server, volume, directory));
    std::uint64_t total = 0, free = 0;
    EXPECT_EQ(ERR_VOLUME_SPACE_UNKNOWN, NWGetVolumeSpace(conn, "VOL1", total, free));
    SetClientBackend(previous);
}

}  // namespace
