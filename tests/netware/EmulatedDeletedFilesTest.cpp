// SPDX-License-Identifier: GPL-3.0-or-later
// Directory handles, the deleted-file iteration, purges and injected faults of
// the emulated client, and that a purge is on disk when it returns.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "netware/emulated/EmulatedClient.h"

namespace {

const char* const kNetwork = R"(
server SRV1 tree=TREE1
volume SRV1 VOL1
deleted \\SRV1\VOL1\DATA\ONE.TMP size=1 deleted="2001-01-01 10:00:00" user=0x1001
deleted \\SRV1\VOL1\DATA\TWO.BAK size=2 deleted="2002-02-02 11:11:11" user=0x1002
deleted \\SRV1\VOL1\DATA\THREE.TMP size=3 deleted="2003-03-03 12:12:12" user=0x1001
deleted \\SRV1\VOL1\DATA\FOUR.DOC size=4294967295 deleted="1999-00-31 23:59:07" user=0x1003
dir \\SRV1\VOL1\EMPTY
deleted \\SRV1\VOL1\GUARDED\KEEP.TXT size=5 deleted="2004-04-04 04:04:04"
deleted \\SRV1\VOL1\GUARDED\LOCKED.TXT size=6 deleted="2004-04-04 04:04:04"
deleted \\SRV1\VOL1\STOPS\A size=7 deleted="2005-05-05 05:05:05"
deleted \\SRV1\VOL1\STOPS\B size=8 deleted="2005-05-05 05:05:05"
deleted \\SRV1\VOL1\STOPS\C size=9 deleted="2005-05-05 05:05:05"
deleted \\SRV1\VOL1\NOHANDLE\X size=1 deleted="2005-05-05 05:05:05"
deleted \\SRV1\VOL1\NOPURGE\Y size=1 deleted="2005-05-05 05:05:05"
connection SRV1 primary
fault purge \\SRV1\VOL1\GUARDED\LOCKED.TXT code=0x898A
fault purge \\SRV1\VOL1\NOPURGE code=0x8983
fault scan \\SRV1\VOL1\STOPS code=0x8983 after=2
fault alloc \\SRV1\VOL1\NOHANDLE code=0x899C
)";

struct Scanned {
    nuint32 iteration;
    nuint8 volume;
    nuint32 base;
    std::string name;
};

class EmulatedDeletedFilesTest : public ::testing::Test {
protected:
    void SetUp() override { Load(EmulatedClient::OpenInMemory()); }

    void Load(std::unique_ptr<EmulatedClient> fresh, bool import = true)
    {
        client = std::move(fresh);
        if (import)
            client->ImportFixture(kNetwork);
        char s[256], v[256], d[256];
        ASSERT_EQ(client->SplitPathByClient("\\\\SRV1\\VOL1", s, conn, v, d), 0);
    }

    NWDIR_HANDLE Alloc(const char* path)
    {
        NWDIR_HANDLE handle = 0;
        EXPECT_EQ(client->NWAllocTemporaryDirectoryHandle(conn, 0, path, handle, nullptr), 0) << path;
        return handle;
    }

    // Reads the rest of an iteration; the code that ended it goes to *end.
    std::vector<Scanned> ReadAll(NWDIR_HANDLE handle, nuint32& iteration, NWCCODE* end = nullptr)
    {
        std::vector<Scanned> records;
        NWDELETED_INFO info;
        nuint8 volume = 0;
        nuint32 base = 0;
        NWCCODE code;
        while ((code = client->NextDeletedFile(conn, handle, iteration, volume, base, info)) == 0)
            records.push_back({iteration, volume, base, info.name});
        if (end)
            *end = code;
        return records;
    }

    static std::vector<std::string> Names(const std::vector<Scanned>& records)
    {
        std::vector<std::string> names;
        for (const auto& r : records)
            names.push_back(r.name);
        return names;
    }

    std::unique_ptr<EmulatedClient> client;
    NWCONN_HANDLE conn = 0;
};

TEST_F(EmulatedDeletedFilesTest, IteratesEveryRecordWithItsFieldsThenEnds)
{
    NWDIR_HANDLE handle = Alloc("VOL1:DATA");
    nuint32 iteration = 0xFFFFFFFF;
    NWDELETED_INFO info;
    nuint8 volume = 9;
    nuint32 base = 0;
    ASSERT_EQ(client->NextDeletedFile(conn, handle, iteration, volume, base, info), 0);
    EXPECT_STREQ(info.name, "ONE.TMP");
    EXPECT_EQ(info.fileSize, 1u);
    EXPECT_EQ(info.deletorID, 0x1001u);
    EXPECT_EQ(volume, 0);
    NW_DATE date;
    NW_TIME time;
    client->UnpackDateTime(info.deletedDateAndTime, date, time);
    EXPECT_EQ(date.year, 2001);
    EXPECT_EQ(time.hours, 10);

    NWCCODE end = 0;
    auto rest = ReadAll(handle, iteration, &end);
    EXPECT_EQ(Names(rest), (std::vector<std::string>{"TWO.BAK", "THREE.TMP", "FOUR.DOC"}));
    EXPECT_EQ(end, ERR_NO_FILES_FOUND);
    EXPECT_EQ(client->NextDeletedFile(conn, handle, iteration, volume, base, info), ERR_NO_FILES_FOUND);

    // Starting over with -1 reads the same list again.
    iteration = 0xFFFFFFFF;
    EXPECT_EQ(ReadAll(handle, iteration).size(), 4u);
    nuint32 empty = 0xFFFFFFFF;
    EXPECT_TRUE(ReadAll(Alloc("VOL1:EMPTY"), empty).empty());
}

TEST_F(EmulatedDeletedFilesTest, PurgeMidIterationGoesOnWithTheNextRecord)
{
    NWDIR_HANDLE handle = Alloc("VOL1:DATA");
    nuint32 iteration = 0xFFFFFFFF;
    NWDELETED_INFO info;
    nuint8 volume = 0;
    nuint32 base = 0;
    std::vector<std::string> seen;
    while (client->NextDeletedFile(conn, handle, iteration, volume, base, info) == 0) {
        seen.push_back(info.name);
        if (std::string(info.name).find(".TMP") != std::string::npos) {
            ASSERT_EQ(client->NWPurgeDeletedFile(conn, handle, iteration, volume, base, info.name), 0);
        }
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"ONE.TMP", "TWO.BAK", "THREE.TMP", "FOUR.DOC"}));

    nuint32 again = 0xFFFFFFFF;
    EXPECT_EQ(Names(ReadAll(Alloc("VOL1:DATA"), again)), (std::vector<std::string>{"TWO.BAK", "FOUR.DOC"}));
}

TEST_F(EmulatedDeletedFilesTest, PurgeOfTheLastRecordEndsTheIteration)
{
    NWDIR_HANDLE handle = Alloc("VOL1:DATA");
    nuint32 iteration = 0xFFFFFFFF;
    auto all = ReadAll(handle, iteration);
    ASSERT_EQ(all.size(), 4u);
    const auto& last = all.back();
    ASSERT_EQ(client->NWPurgeDeletedFile(conn, handle, last.iteration, last.volume, last.base, "four.doc"), 0);
    NWCCODE end = 0;
    EXPECT_TRUE(ReadAll(handle, iteration, &end).empty());
    EXPECT_EQ(end, ERR_NO_FILES_FOUND);
}

TEST_F(EmulatedDeletedFilesTest, PurgeThatDoesNotMatchTheIterationPurgesNothing)
{
    NWDIR_HANDLE handle = Alloc("VOL1:DATA");
    nuint32 iteration = 0xFFFFFFFF;
    NWDELETED_INFO info;
    nuint8 volume = 0;
    nuint32 base = 0;
    ASSERT_EQ(client->NextDeletedFile(conn, handle, iteration, volume, base, info), 0);  // ONE.TMP
    EXPECT_EQ(client->NWPurgeDeletedFile(conn, handle, iteration, volume, base, "TWO.BAK"), ERR_NO_SUCH_DELETED_FILE);
    EXPECT_EQ(client->NWPurgeDeletedFile(conn, handle, iteration, volume, base, ""), ERR_NO_SUCH_DELETED_FILE);
    EXPECT_EQ(client->NWPurgeDeletedFile(conn, handle, iteration + 1000, volume, base, "ONE.TMP"),
              ERR_NO_SUCH_DELETED_FILE);
    EXPECT_EQ(client->NWPurgeDeletedFile(conn, handle, iteration, volume, base + 1, "ONE.TMP"),
              ERR_NO_SUCH_DELETED_FILE);
    EXPECT_EQ(client->NWPurgeDeletedFile(conn, handle, iteration, static_cast<nuint8>(volume + 1), base, "ONE.TMP"),
              ERR_NO_SUCH_DELETED_FILE);
    // Once purged, the same record cannot be purged again.
    ASSERT_EQ(client->NWPurgeDeletedFile(conn, handle, iteration, volume, base, "ONE.TMP"), 0);
    EXPECT_EQ(client->NWPurgeDeletedFile(conn, handle, iteration, volume, base, "ONE.TMP"), ERR_NO_SUCH_DELETED_FILE);
    nuint32 again = 0xFFFFFFFF;
    EXPECT_EQ(ReadAll(Alloc("VOL1:DATA"), again).size(), 3u);
}

TEST_F(EmulatedDeletedFilesTest, HandlePoolRunsOutAndReleasedHandlesComeBack)
{
    client->SetDirHandlePoolSize(3);
    std::vector<NWDIR_HANDLE> handles;
    for (int i = 0; i < 3; ++i)
        handles.push_back(Alloc("VOL1:DATA"));
    EXPECT_EQ(client->DirHandlesInUse(), 3);
    NWDIR_HANDLE extra = 0;
    EXPECT_EQ(client->NWAllocTemporaryDirectoryHandle(conn, 0, "VOL1:DATA", extra, nullptr), ERR_NO_MORE_DIR_HANDLES);
    ASSERT_EQ(client->ReleaseDirHandle(conn, handles[1]), 0);
    EXPECT_EQ(client->ReleaseDirHandle(conn, handles[1]), ERR_BAD_DIRECTORY_HANDLE);
    EXPECT_EQ(Alloc("VOL1:DATA"), handles[1]);

    nuint32 iteration = 0xFFFFFFFF;
    NWDELETED_INFO info;
    nuint8 volume;
    nuint32 base;
    ASSERT_EQ(client->ReleaseDirHandle(conn, handles[0]), 0);
    EXPECT_EQ(client->NextDeletedFile(conn, handles[0], iteration, volume, base, info), ERR_BAD_DIRECTORY_HANDLE);
    // Closing the connection frees its handles.
    ASSERT_EQ(client->CloseConn(conn), 0);
    EXPECT_EQ(client->DirHandlesInUse(), 0);
}

TEST_F(EmulatedDeletedFilesTest, FullSizePoolHandsOut254EightBitHandles)
{
    for (int i = 0; i < 254; ++i)
        ASSERT_NE(Alloc("VOL1:EMPTY"), 0);
    NWDIR_HANDLE extra = 0;
    EXPECT_EQ(client->NWAllocTemporaryDirectoryHandle(conn, 0, "VOL1:EMPTY", extra, nullptr), ERR_NO_MORE_DIR_HANDLES);
}

TEST_F(EmulatedDeletedFilesTest, AllocFailsForUnknownDirectoriesAndInjectedFaults)
{
    NWDIR_HANDLE handle = 0;
    EXPECT_EQ(client->NWAllocTemporaryDirectoryHandle(conn, 0, "VOL1:NOHANDLE", handle, nullptr), 0x899C);
    EXPECT_EQ(client->NWAllocTemporaryDirectoryHandle(conn, 0, "VOL1:NOSUCH", handle, nullptr), ERR_INVALID_PATH);
    EXPECT_EQ(client->NWAllocTemporaryDirectoryHandle(conn + 50, 0, "VOL1:DATA", handle, nullptr),
              ERR_INVALID_CONNECTION);
    EXPECT_EQ(client->DirHandlesInUse(), 0);
}

TEST_F(EmulatedDeletedFilesTest, PurgeFaultsPerFileAndPerDirectoryKeepTheRecords)
{
    NWDIR_HANDLE handle = Alloc("VOL1:GUARDED");
    nuint32 iteration = 0xFFFFFFFF;
    auto records = ReadAll(handle, iteration);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(client->NWPurgeDeletedFile(conn, handle, records[1].iteration, records[1].volume, records[1].base,
                                         "LOCKED.TXT"),
              ERR_NO_PURGE_PRIVILEGE);
    EXPECT_EQ(client->NWPurgeDeletedFile(conn, handle, records[0].iteration, records[0].volume, records[0].base,
                                         "KEEP.TXT"),
              0);

    NWDIR_HANDLE other = Alloc("VOL1:NOPURGE");
    nuint32 it = 0xFFFFFFFF;
    auto y = ReadAll(other, it);
    ASSERT_EQ(y.size(), 1u);
    EXPECT_EQ(client->NWPurgeDeletedFile(conn, other, y[0].iteration, y[0].volume, y[0].base, "Y"), 0x8983);

    nuint32 a = 0xFFFFFFFF, b = 0xFFFFFFFF;
    EXPECT_EQ(Names(ReadAll(Alloc("VOL1:GUARDED"), a)), std::vector<std::string>{"LOCKED.TXT"});
    EXPECT_EQ(ReadAll(Alloc("VOL1:NOPURGE"), b).size(), 1u);
}

TEST_F(EmulatedDeletedFilesTest, ScanFaultEndsTheIterationEarlyWithItsCode)
{
    NWDIR_HANDLE handle = Alloc("VOL1:STOPS");
    nuint32 iteration = 0xFFFFFFFF;
    NWCCODE end = 0;
    EXPECT_EQ(Names(ReadAll(handle, iteration, &end)), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(end, 0x8983);
}

TEST_F(EmulatedDeletedFilesTest, PurgeIsOnDiskWhenItReturns)
{
    auto path = (std::filesystem::temp_directory_path() / ("emulated-purge-" + std::to_string(getpid()) + ".db")).string();
    auto cleanup = [&] {
        for (const char* suffix : {"", "-wal", "-shm"})
            std::filesystem::remove(path + suffix);
    };
    cleanup();
    Load(EmulatedClient::Open(path));
    NWDIR_HANDLE handle = Alloc("VOL1:DATA");
    nuint32 iteration = 0xFFFFFFFF;
    auto records = ReadAll(handle, iteration);
    ASSERT_EQ(client->NWPurgeDeletedFile(conn, handle, records[1].iteration, records[1].volume, records[1].base,
                                         "TWO.BAK"),
              0);
    // A second connection to the file sees the purge while the first is still open.
    {
        auto observer = EmulatedClient::Open(path);
        char s[256], v[256], d[256];
        NWCONN_HANDLE other = 0;
        ASSERT_EQ(observer->SplitPathByClient("\\\\SRV1\\VOL1", s, other, v, d), 0);
        NWDIR_HANDLE h = 0;
        ASSERT_EQ(observer->NWAllocTemporaryDirectoryHandle(other, 0, "VOL1:DATA", h, nullptr), 0);
        nuint32 it = 0xFFFFFFFF;
        NWDELETED_INFO info;
        nuint8 vol;
        nuint32 base;
        std::vector<std::string> names;
        while (observer->NextDeletedFile(other, h, it, vol, base, info) == 0)
            names.push_back(info.name);
        EXPECT_EQ(names, (std::vector<std::string>{"ONE.TMP", "THREE.TMP", "FOUR.DOC"}));
    }
    Load(EmulatedClient::Open(path), false);
    nuint32 again = 0xFFFFFFFF;
    EXPECT_EQ(Names(ReadAll(Alloc("VOL1:DATA"), again)),
              (std::vector<std::string>{"ONE.TMP", "THREE.TMP", "FOUR.DOC"}));
    client.reset();
    cleanup();
}

}  // namespace
