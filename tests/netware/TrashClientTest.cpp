// SPDX-License-Identifier: GPL-3.0-or-later
// The trash client over trash cans built in a temporary folder: volumes and
// folders, imperfect entries, purges that never leave the trash can, sizes
// beyond 4 GiB, trash cans that may not be used, and a purge refused midway.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <thread>

#include "netware/D_NW.h"
#include "netware/PackedDateTime.h"
#include "netware/trash/TrashClient.h"
#include "tests/netware/TrashConnection.h"

namespace {

namespace fs = std::filesystem;

struct Listed {
    std::string name;
    std::uint64_t size;
    nuint32 deleted;
    nuint32 owner;
    nuint32 iteration;
};

class TrashClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/morvane-trash-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        base = pattern;
        chmod(base.c_str(), 0755);  // the permission test's ordinary user must reach it
        homeTrash = base + "/home/.local/share/Trash";
        fs::create_directories(homeTrash + "/files");
        fs::create_directories(homeTrash + "/info");
        fs::create_directories(base + "/top");
        environment.mountPoints = {base, base + "/top"};
        environment.uid = getuid();
        environment.homeTrash = homeTrash;
        environment.users = {{getuid(), "alice", base + "/home"}};
        volume = VolumeNameOfMountPoint(base);
    }
    void TearDown() override
    {
        // Folders the tests made read-only must be writable to be removed.
        for (auto& entry : fs::recursive_directory_iterator(base))
            if (entry.is_directory() && !entry.is_symlink())
                chmod(entry.path().c_str(), 0755);
        fs::remove_all(base);
    }

    static void Write(const std::string& path, const std::string& text)
    {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Info(const std::string& path, const std::string& date = "2024-03-01T13:45:07")
    {
        return "[Trash Info]\nPath=" + path + "\nDeletionDate=" + date + "\n";
    }
    // An item in a can: its file (when text is given) and its .trashinfo (when info is given).
    static void Trash(const std::string& can, const std::string& name, const char* text, const char* info)
    {
        if (text)
            Write(can + "/files/" + name, text);
        if (info)
            Write(can + "/info/" + name + ".trashinfo", info);
    }

    static NWCONN_HANDLE Open(TrashClient& client) { return OpenTrashConnection(client); }
    std::vector<Listed> List(TrashClient& client, NWCONN_HANDLE conn, const std::string& volumePath)
    {
        std::vector<Listed> listed;
        ScanTrashFolder(client, conn, volumePath, [&](const NWDELETED_INFO& record, nuint32 iteration, auto&) {
            listed.push_back({record.name, DeletedFileSize(record), record.deletedDateAndTime, record.deletorID,
                              iteration});
            return true;
        });
        return listed;
    }
    // Purges the entries of that name in one scan of the folder; the codes in order.
    std::vector<NWCCODE> Purge(TrashClient& client, NWCONN_HANDLE conn, const std::string& volumePath,
                               const std::string& name, std::vector<std::string>* seen = nullptr)
    {
        std::vector<NWCCODE> codes;
        EXPECT_TRUE(ScanTrashFolder(client, conn, volumePath, [&](const NWDELETED_INFO& record, nuint32, auto& purge) {
            if (seen)
                seen->push_back(record.name);
            if (name == record.name)
                codes.push_back(purge());
            return true;
        }));
        return codes;
    }

    std::string base, homeTrash, volume;
    TrashEnvironment environment;
};

TEST(TrashVolumeNamesTest, MountPointsBecomeValidUniqueVolumeNames)
{
    EXPECT_EQ(VolumeNameOfMountPoint("/"), "ROOT");
    EXPECT_EQ(VolumeNameOfMountPoint("/home"), "HOME");
    EXPECT_EQ(VolumeNameOfMountPoint("/mnt/data"), "MNT_DATA");
    EXPECT_EQ(VolumeNameOfMountPoint("/media/alice/USB Stick:1"), "MEDIA_ALICE_USB_STICK_1");
    EXPECT_EQ(MountPointsOfMountInfo("22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                     "23 22 8:2 / /mnt/my\\040disk rw - ext4 /dev/sdb1 rw\n"
                                     "24 22 8:3 / / rw - ext4 /dev/sda1 rw\n"),
              (std::vector<std::string>{"/", "/mnt/my disk"}));

}

TEST_F(TrashClientTest, OneServerWithAVolumePerMountPointAndTheOriginalFolders)
{
    Trash(homeTrash, "x.txt", "12345", Info(base + "/docs/x.txt").c_str());
    const std::string topCan = base + "/top/.Trash-" + std::to_string(getuid());
    Trash(topCan, "y.txt", "1", Info("projects/y.txt").c_str());

    TrashClient client(environment);
    NWCONN_HANDLE conn = Open(client);
    char name[256] = {};
    ASSERT_EQ(client.ConnInfo(conn, NWCC_INFO_SERVER_NAME, sizeof name, name), 0);
    EXPECT_STREQ(name, "TRASH");
    std::vector<std::string> volumes;
    for (nuint16 n = 0; client.NWGetVolumeName(conn, n, name) == 0; ++n)
        volumes.push_back(name);
    EXPECT_EQ(volumes, (std::vector<std::string>{volume, volume + "_TOP"}));

    char server[256], vol[256], dir[256];
    NWCONN_HANDLE split = 0;
    ASSERT_EQ(client.SplitPathByClient(("\\\\TRASH\\" + volume + "\\docs").c_str(), server, split, vol, dir), 0);
    EXPECT_EQ(split, conn);
    EXPECT_STREQ(dir, "docs");
    nuint8 number = 0;
    nuint16 search = 0, sequence = 0xFFFF;
    NWSEARCH_ENTRY entry{};
    ASSERT_EQ(client.DirSearchStart(conn, 0, (volume + ":").c_str(), number, search, sequence, entry, 0), 0);
    ASSERT_EQ(client.DirSearchNext(conn, number, search, 0xFFFF, SA_DIRECTORIES, "*", entry, 0), 0);
    EXPECT_STREQ(entry.name, "docs");

    auto listed = List(client, conn, volume + ":docs");
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].name, "x.txt");
    EXPECT_EQ(listed[0].size, 5u);
    EXPECT_EQ(listed[0].deleted, PackDeletedDateTime(2024, 3, 1, 13, 45, 7));
    NWDSContextHandle context = 0;
    ASSERT_EQ(client.ContextCreate(context), 0);
    ASSERT_EQ(client.ObjectIdToNameByClient(context, conn, listed[0].owner, name), 0);
    EXPECT_STREQ(name, "alice");
    EXPECT_EQ(List(client, conn, volume + "_TOP:projects").size(), 1u) << "a topdir path is relative to its mount";
}

TEST_F(TrashClientTest, ImperfectEntriesStillShowAndCanBePurged)
{
    Trash(homeTrash, "bad.txt", "bad", "no group here\nPath=/x\n");
    Trash(homeTrash, "undated.txt", "u", Info(base + "/docs/undated.txt", "2024-02-30T10:00:00").c_str());
    Trash(homeTrash, "ghost.txt", nullptr, Info(base + "/docs/ghost.txt").c_str());
    Trash(homeTrash, "lost.txt", "lost", nullptr);

    TrashClient client(environment);
    NWCONN_HANDLE conn = Open(client);
    const std::string unknown = volume + ":" + UnknownOriginDirectory;
    std::vector<std::string> names;
    for (const Listed& l : List(client, conn, unknown))
        names.push_back(l.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"bad.txt", "lost.txt"}));

    struct stat undated;
    ASSERT_EQ(stat((homeTrash + "/files/undated.txt").c_str(), &undated), 0);
    std::tm local{};
    localtime_r(&undated.st_ctime, &local);
    const nuint32 movedIn = PackDeletedDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                                local.tm_min, local.tm_sec);
    auto docs = List(client, conn, volume + ":docs");
    ASSERT_EQ(docs.size(), 2u);
    for (const Listed& l : docs) {
        if (l.name == "undated.txt") {
            EXPECT_EQ(l.deleted, movedIn) << "an invalid date falls back to when it came into the trash";
        }
    }
    EXPECT_EQ(Purge(client, conn, volume + ":docs", "ghost.txt"), std::vector<NWCCODE>{0});
    EXPECT_FALSE(fs::exists(homeTrash + "/info/ghost.txt.trashinfo"));
    EXPECT_EQ(Purge(client, conn, unknown, "lost.txt"), std::vector<NWCCODE>{0});
    EXPECT_FALSE(fs::exists(homeTrash + "/files/lost.txt"));
    EXPECT_TRUE(fs::exists(homeTrash + "/files/bad.txt"));
}

TEST_F(TrashClientTest, ABigCanIsReadWholeEveryEntryWithItsOwnFileAndDate)
{
    // Enough entries for the reading to be shared among threads; every tenth
    // has lost its file, every seventh file its .trashinfo.
    const int count = 1500;
    auto name = [](int i) { return "f" + std::to_string(i); };
    for (int i = 0; i < count; ++i) {
        const std::string date =
            "2024-03-" + std::to_string(10 + i % 20) + "T10:" + std::to_string(10 + i % 50) + ":00";
        Trash(homeTrash, name(i), i % 10 == 0 ? nullptr : std::string(i % 300, 'x').c_str(),
              i % 7 == 0 ? nullptr : Info(base + "/d" + std::to_string(i % 3) + "/" + name(i), date).c_str());
    }
    TrashClient client(environment);
    NWCONN_HANDLE conn = Open(client);
    std::vector<bool> seen(count, false);
    for (const char* folder : {"d0", "d1", "d2", UnknownOriginDirectory})
        for (const Listed& l : List(client, conn, volume + ":" + folder)) {
            const int i = std::stoi(l.name.substr(1));
            EXPECT_FALSE(seen[i]) << l.name;
            seen[i] = true;
            EXPECT_EQ(l.size, i % 10 == 0 ? 0u : static_cast<std::uint64_t>(i % 300)) << l.name;
            if (i % 7 != 0) {
                EXPECT_EQ(l.deleted, PackDeletedDateTime(2024, 3, 10 + i % 20, 10, 10 + i % 50, 0)) << l.name;
            }
        }
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(seen[i], i % 70 != 0) << name(i) << ": listed unless it has neither file nor .trashinfo";
}

TEST_F(TrashClientTest, TheTrashIsReadAgainOnlyWhenItsReadingHasGoneUnusedAMoment)
{
    Trash(homeTrash, "first.txt", "1", Info(base + "/docs/first.txt").c_str());
    auto now = std::chrono::steady_clock::time_point{};
    TrashClient client(environment, [&] { return now; });
    NWCONN_HANDLE conn = Open(client);
    Trash(homeTrash, "second.txt", "2", Info(base + "/docs/second.txt").c_str());
    char server[256], vol[256], dir[256];
    NWCONN_HANDLE split = 0;
    const std::string docs = "\\\\TRASH\\" + volume + "\\docs";
    auto resolveAndCount = [&] {
        EXPECT_EQ(client.SplitPathByClient(docs.c_str(), server, split, vol, dir), 0);
        return List(client, conn, volume + ":docs").size();
    };
    now += std::chrono::milliseconds(1500);
    EXPECT_EQ(resolveAndCount(), 1u) << "one job reads the trash once";
    now += std::chrono::seconds(1);
    EXPECT_EQ(resolveAndCount(), 1u) << "a scan that just ended keeps the reading in use";
    now += std::chrono::seconds(3);
    EXPECT_EQ(resolveAndCount(), 2u) << "a later job sees the trash as it is";

    // A directory still open keeps its reading, however long the scan takes.
    NWDIR_HANDLE handle = 0;
    ASSERT_EQ(client.NWAllocTemporaryDirectoryHandle(conn, 0, (volume + ":docs").c_str(), handle, nullptr), 0);
    Trash(homeTrash, "third.txt", "3", Info(base + "/docs/third.txt").c_str());
    now += std::chrono::minutes(5);
    EXPECT_EQ(client.SplitPathByClient(docs.c_str(), server, split, vol, dir), 0);
    EXPECT_EQ(client.Index().entries.size(), 2u);
    client.ReleaseDirHandle(conn, handle);
}

TEST_F(TrashClientTest, AFileSystemMountedAfterTheStartIsSeenByTheNextJob)
{
    Trash(base + "/top/.Trash-" + std::to_string(getuid()), "y.txt", "1", Info("projects/y.txt").c_str());
    environment.mountPoints = {base};
    auto now = std::chrono::steady_clock::time_point{};
    TrashClient client([&] { return environment; }, [&] { return now; });
    NWCONN_HANDLE conn = Open(client);
    const std::string top = "\\\\TRASH\\" + volume + "_TOP";
    char server[256], vol[256], dir[256];
    NWCONN_HANDLE split = 0;
    EXPECT_NE(client.SplitPathByClient(top.c_str(), server, split, vol, dir), 0);
    environment.mountPoints.push_back(base + "/top");
    now += std::chrono::seconds(5);
    ASSERT_EQ(client.SplitPathByClient(top.c_str(), server, split, vol, dir), 0);
    EXPECT_EQ(List(client, conn, volume + "_TOP:projects").size(), 1u);
}

TEST_F(TrashClientTest, OnlyTheItemThatWasListedIsPurged)
{
    for (const char* name : {"replaced.txt", "again.txt", "ghost.txt", "same.txt"})
        Trash(homeTrash, name, std::string(name) == "ghost.txt" ? nullptr : "old",
              Info(base + "/docs/" + name).c_str());
    TrashClient client(environment);
    NWCONN_HANDLE conn = Open(client);
    ASSERT_EQ(List(client, conn, volume + ":docs").size(), 4u);

    // After the listing (and a clock tick): another file trashed under a
    // listed name, a listed file restored and trashed again, and an item
    // appearing for a .trashinfo that had none.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    fs::remove(homeTrash + "/files/replaced.txt");
    Write(homeTrash + "/files/replaced.txt", "a newer file");
    fs::rename(homeTrash + "/files/again.txt", base + "/again.txt");
    fs::rename(base + "/again.txt", homeTrash + "/files/again.txt");
    Write(homeTrash + "/files/ghost.txt", "new");

    for (const char* name : {"replaced.txt", "again.txt", "ghost.txt"}) {
        EXPECT_EQ(Purge(client, conn, volume + ":docs", name), std::vector<NWCCODE>{ERR_NO_SUCH_DELETED_FILE}) << name;
        EXPECT_TRUE(fs::exists(homeTrash + "/files/" + name)) << name;
        EXPECT_TRUE(fs::exists(homeTrash + "/info/" + name + ".trashinfo")) << name;
    }
    EXPECT_EQ(Purge(client, conn, volume + ":docs", "same.txt"), std::vector<NWCCODE>{0});
    EXPECT_FALSE(fs::exists(homeTrash + "/files/same.txt"));
}

TEST_F(TrashClientTest, FolderPurgeNeverFollowsLinksUpdatesTheSizeCacheAndTheScanGoesOn)
{
    Write(base + "/outside/target.txt", "precious");
    Write(homeTrash + "/files/proj/sub/a.dat", std::string(100, 'a'));
    fs::create_directory_symlink(base + "/outside", homeTrash + "/files/proj/link-dir");
    fs::create_symlink(base + "/outside/target.txt", homeTrash + "/files/proj/link-file");
    Trash(homeTrash, "proj", nullptr, Info(base + "/work/proj").c_str());
    Write(homeTrash + "/files/proj.2/b.dat", std::string(100, 'b'));  // trashed twice from the same place
    Trash(homeTrash, "proj.2", nullptr, Info(base + "/work/proj").c_str());
    Trash(homeTrash, "after.txt", "zz", Info(base + "/work/after.txt").c_str());
    Trash(homeTrash, "cached", nullptr, Info(base + "/work/cached").c_str());
    Write(homeTrash + "/files/cached/f", "1");
    struct stat cachedInfo;
    ASSERT_EQ(stat((homeTrash + "/info/cached.trashinfo").c_str(), &cachedInfo), 0);
    Write(homeTrash + "/directorysizes",
          "7 1 proj.2\n999 " + std::to_string(cachedInfo.st_mtime) + " cached\n7 1 proj\n");

    TrashClient client(environment);
    NWCONN_HANDLE conn = Open(client);
    for (const Listed& l : List(client, conn, volume + ":work")) {
        if (l.name == "proj") {
            EXPECT_EQ(l.size, 100u) << "a stale cache line is counted again, links not followed";
        } else if (l.name == "cached") {
            EXPECT_EQ(l.size, 999u) << "a valid cache line is used";
        }
    }
    std::vector<std::string> seen;
    EXPECT_EQ(Purge(client, conn, volume + ":work", "proj", &seen), (std::vector<NWCCODE>{0, 0}));
    EXPECT_EQ(seen.size(), 4u) << "the scan carries on after the purge";
    EXPECT_FALSE(fs::exists(homeTrash + "/files/proj"));
    EXPECT_FALSE(fs::exists(homeTrash + "/files/proj.2"));
    EXPECT_FALSE(fs::exists(homeTrash + "/info/proj.trashinfo"));
    EXPECT_TRUE(fs::exists(base + "/outside/target.txt"));
    std::ifstream sizes(homeTrash + "/directorysizes");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(sizes), {}),
              "999 " + std::to_string(cachedInfo.st_mtime) + " cached\n")
        << "both purged folders' lines go, once the scan is done with the directory";
    EXPECT_EQ(List(client, conn, volume + ":work").size(), 2u);
}

TEST_F(TrashClientTest, SizesBeyondFourGiBTravelWhole)
{
    Trash(homeTrash, "big.iso", "", Info(base + "/big.iso").c_str());
    ASSERT_EQ(truncate((homeTrash + "/files/big.iso").c_str(), 5LL << 30), 0);  // sparse
    TrashClient client(environment);
    NWCONN_HANDLE conn = Open(client);
    auto listed = List(client, conn, volume + ":");
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].size, 5ULL << 30);
}

TEST_F(TrashClientTest, CansThatMayNotBeUsedAreIgnoredAndRootSeesEveryUser)
{
    const std::string uid = std::to_string(getuid());
    fs::create_directories(base + "/top/.Trash/" + uid);  // no sticky bit
    Trash(base + "/top/.Trash/" + uid, "unsafe.txt", "u", Info("unsafe.txt").c_str());
    Trash(base + "/top/.Trash-4242", "other.txt", "o", Info("other.txt").c_str());
    // Only a can that belongs to the user its name says is used.
    for (const std::string path : {"", "/files", "/info", "/info/other.txt.trashinfo", "/files/other.txt"})
        lchown((base + "/top/.Trash-4242" + path).c_str(), 4242, 4242);
    Trash(base + "/real", "linked.txt", "l", Info(base + "/linked.txt").c_str());
    fs::remove_all(homeTrash);
    fs::create_directory_symlink(base + "/real", homeTrash);

    {
        TrashClient client(environment);
        NWCONN_HANDLE conn = Open(client);
        EXPECT_TRUE(List(client, conn, volume + "_TOP:").empty());
        EXPECT_TRUE(List(client, conn, volume + ":").empty()) << "a trash can that is a link is never used";
    }
    chmod((base + "/top/.Trash").c_str(), 01777);
    environment.everyUser = true;
    TrashClient client(environment);
    NWCONN_HANDLE conn = Open(client);
    std::vector<std::pair<std::string, nuint32>> owners;
    for (const Listed& l : List(client, conn, volume + "_TOP:"))
        owners.emplace_back(l.name, l.owner);
    std::sort(owners.begin(), owners.end());
    EXPECT_EQ(owners, (std::vector<std::pair<std::string, nuint32>>{{"other.txt", 4242}, {"unsafe.txt", getuid()}}));
}

TEST_F(TrashClientTest, PermissionFailureMidPurgeIsReportedAndNothingElseDeleted)
{
    Write(base + "/outside/target.txt", "precious");
    Write(homeTrash + "/files/locked/a.txt", "a");
    Write(homeTrash + "/files/locked/ro/f.txt", "f");
    fs::create_symlink(base + "/outside/target.txt", homeTrash + "/files/locked/ro/link");
    Trash(homeTrash, "locked", nullptr, Info(base + "/w/locked").c_str());
    Trash(homeTrash, "other.txt", "o", Info(base + "/w/other.txt").c_str());

    // An ordinary user owns the trash; as root the purge runs as nobody.
    struct passwd* nobody = getpwnam("nobody");
    const bool root = getuid() == 0;
    if (root) {
        ASSERT_NE(nobody, nullptr);
        for (auto& entry : fs::recursive_directory_iterator(base + "/home"))
            lchown(entry.path().c_str(), nobody->pw_uid, nobody->pw_gid);
        lchown((base + "/home").c_str(), nobody->pw_uid, nobody->pw_gid);
    }
    chmod((homeTrash + "/files/locked/ro").c_str(), 0555);

    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (root && (setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0))
            _exit(90);
        environment.uid = getuid();
        TrashClient client(environment);
        NWCONN_HANDLE conn = Open(client);
        std::vector<NWCCODE> codes = Purge(client, conn, volume + ":w", "locked");
        _exit(codes == std::vector<NWCCODE>{0x898A} ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the purge did not fail with 0x898A";
    EXPECT_TRUE(fs::exists(homeTrash + "/info/locked.trashinfo")) << "a failed purge stays listed";
    EXPECT_TRUE(fs::exists(homeTrash + "/files/locked/ro/f.txt"));
    EXPECT_TRUE(fs::exists(homeTrash + "/files/other.txt"));
    EXPECT_TRUE(fs::exists(base + "/outside/target.txt"));
}

TEST_F(TrashClientTest, AFolderNestedDeeperThanTheDescriptorLimitIsCountedAndPurged)
{
    const int depth = 400;
    fs::create_directories(homeTrash + "/files/deep");
    int fd = open((homeTrash + "/files/deep").c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < depth && fd >= 0; ++level) {
        const int file = openat(fd, "f", O_WRONLY | O_CREAT, 0644);
        EXPECT_EQ(write(file, "x", 1), 1);
        close(file);
        mkdirat(fd, "d", 0755);
        const int next = openat(fd, "d", O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
    }
    ASSERT_GE(fd, 0);
    close(fd);
    Trash(homeTrash, "deep", nullptr, Info(base + "/w/deep").c_str());

    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    struct rlimit low = saved;
    low.rlim_cur = 128;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    TrashClient client(environment);
    NWCONN_HANDLE conn = Open(client);
    const auto listed = List(client, conn, volume + ":w");
    const auto codes = Purge(client, conn, volume + ":w", "deep");
    setrlimit(RLIMIT_NOFILE, &saved);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].size, static_cast<std::uint64_t>(depth)) << "every level counted";
    EXPECT_EQ(codes, std::vector<NWCCODE>{0});
    EXPECT_FALSE(fs::exists(homeTrash + "/files/deep"));
}

// A path below a directory handle is resolved as the same path below the
// handle's folder would be in full: exact names first, another case only when
// one folder matches, "" for the folder itself.
TEST_F(TrashClientTest, APathBelowAHandleFollowsTheRulesOfAFullPath)
{
    for (const char* path : {"pics/Photos/p1", "pics/photos/p2", "pics/Docs/sub/d1", "pics/top1"})
        Trash(homeTrash, fs::path(path).filename().string(), "x", Info(base + "/" + path).c_str());
    TrashClient client(environment);
    const NWCONN_HANDLE conn = Open(client);
    NWDIR_HANDLE pics = 0;
    ASSERT_EQ(client.NWAllocTemporaryDirectoryHandle(conn, 0, (volume + ":pics").c_str(), pics, nullptr), 0);

    const struct {
        const char* below;
        NWCCODE code;
        const char* item;  // what the folder holds
    } rows[] = {
        {"", 0, "top1"},
        {"Photos", 0, "p1"},
        {"photos", 0, "p2"},
        {"PHOTOS", ERR_AMBIGUOUS_PATH, nullptr},
        {"docs\\SUB", 0, "d1"},
        {"Docs/sub/", 0, "d1"},
        {"nothing", ERR_INVALID_PATH, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.below);
        NWDIR_HANDLE handle = 0;
        ASSERT_EQ(client.NWAllocTemporaryDirectoryHandle(conn, pics, row.below, handle, nullptr), row.code);
        if (row.code != 0)
            continue;
        nuint32 iteration = 0xFFFFFFFF, directoryBase = 0;
        nuint8 number = 0;
        NWDELETED_INFO record{};
        ASSERT_EQ(client.NextDeletedFile(conn, handle, iteration, number, directoryBase, record), 0);
        EXPECT_STREQ(record.name, row.item);
        EXPECT_EQ(client.ReleaseDirHandle(conn, handle), 0);
    }
    nuint8 number = 0;
    nuint16 search = 0, sequence = 0xFFFF;
    NWSEARCH_ENTRY entry{};
    ASSERT_EQ(client.DirSearchStart(conn, pics, "Docs", number, search, sequence, entry, 0), 0);
    ASSERT_EQ(client.DirSearchNext(conn, number, search, 0xFFFF, SA_DIRECTORIES, "*", entry, 0), 0);
    EXPECT_STREQ(entry.name, "sub");
    NWDIR_HANDLE handle = 0;
    EXPECT_EQ(client.NWAllocTemporaryDirectoryHandle(conn, 200, "Docs", handle, nullptr), ERR_BAD_DIRECTORY_HANDLE);
    EXPECT_EQ(client.ReleaseDirHandle(conn, pics), 0);
}

// The walk reaches each folder from its parent's handle. A deep chain, a wide
// folder and a comb with more folders waiting at once than the walk keeps
// handles for are each walked whole, every item found in its own folder and
// each folder with the key of its path, and no handle stays held, also when
// the job's callback throws.
TEST_F(TrashClientTest, AWalkReachesEveryFolderFromItsParentAndGivesEveryHandleBack)
{
    std::map<std::string, std::string> expected;  // item -> its folder as the walk names it
    const auto add = [&](const std::string& item, const std::string& folder) {
        Trash(homeTrash, item, "x", Info(base + "/" + folder + "/" + item).c_str());
        std::string walked = volume + ":\\" + folder;
        std::replace(walked.begin(), walked.end(), '/', '\\');
        expected[item] = walked;
    };
    std::string chain = "chain";
    for (int level = 0; level < 300; ++level)
        chain += "/d";
    add("c", chain);
    std::string comb = "comb";
    for (int level = 0; level < 100; ++level) {
        comb += "/a";  // walked before its sibling "leaf", which waits
        add("k" + std::to_string(level), comb + "/leaf");
    }
    for (int n = 0; n < 100; ++n)
        add("w" + std::to_string(n), "wide/f" + std::to_string(n));

    TrashClient client(environment);
    const InstalledBackend installed(client);
    const NWCONN_HANDLE conn = Open(client);
    std::map<std::string, std::string> found;
    int folders = 0;
    const auto walk = [&](int throwAt) {
        WalkDirectoryTree(
            conn, volume + ":", "*.*", WalkDirectories,
            [&](const std::string& path, const WalkEntry& walked, void*) {
                if (++folders == throwAt)
                    throw std::runtime_error("stopped");
                EXPECT_EQ(walked.key, PathKey::Of(path, NameCase::Kept)) << path;
                NWDIR_HANDLE handle = 0;
                ASSERT_EQ(AllocWalkedDirectoryHandle(conn, path, walked, handle), 0) << path;
                nuint32 iteration = 0xFFFFFFFF, directoryBase = 0;
                nuint8 number = 0;
                NWDELETED_INFO record{};
                while (client.NextDeletedFile(conn, handle, iteration, number, directoryBase, record) == 0)
                    EXPECT_TRUE(found.emplace(record.name, path).second) << record.name << " listed twice";
                client.ReleaseDirHandle(conn, handle);
            },
            nullptr, true);
    };
    walk(0);
    EXPECT_EQ(found, expected);
    EXPECT_EQ(folders, 1 + 301 + 201 + 101) << "the root, the chain, the comb, the wide folder";
    EXPECT_EQ(client.DirHandlesInUse(), 0);

    folders = 0;
    found.clear();
    EXPECT_THROW(walk(350), std::runtime_error);
    EXPECT_EQ(client.DirHandlesInUse(), 0);
}

}  // namespace
