// SPDX-License-Identifier: GPL-3.0-or-later
// Root's sweep of two ordinary users' trash cans, each attack tried by one of
// them (mallory) against the other (victim), the shared folder and root: the
// attack must fail and what is not mallory's must be intact afterwards.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "netware/D_NW.h"
#include "netware/PackedDateTime.h"
#include "netware/trash/TrashClient.h"
#include "tests/netware/TrashSweepFixture.h"
#include "util/MessageBox.h"

namespace {

using namespace trash_sweep;
namespace fs = std::filesystem;

TEST_F(TrashSweepAsRootTest, DotNamesAreNoItemsAndFilesMovedIntoASharedFolderAreNotFollowed)
{
    const std::string can = Can(Mallory);
    ASSERT_TRUE(Trash(Mallory, can, "..", nullptr, base + "/docs/up"));
    ASSERT_TRUE(Trash(Mallory, can, ".", nullptr, base + "/docs/here"));
    ASSERT_TRUE(Trash(Mallory, can, "bait", "bait", base + "/docs/bait"));
    ASSERT_TRUE(Trash(Victim, Can(Victim), "v.txt", "victim's item", base + "/docs/v.txt"));
    TrashClient client(environment);
    NWCONN_HANDLE conn = Open(client);
    // Between the listing and the purge, mallory swaps her files/ for a link
    // to the shared folder.
    client.SetBeforePurgeHook([&] {
        AsUser(Mallory, [&] {
            rename((can + "/files").c_str(), (base + "/shared/moved").c_str());
            return symlink((base + "/shared").c_str(), (can + "/files").c_str()) == 0;
        });
        client.SetBeforePurgeHook(nullptr);
    });
    std::vector<NWCCODE> failures;
    const auto items = Scan(client, conn, Folder("docs"), true, &failures);
    ASSERT_EQ(items.size(), 2u) << "\".\" and \"..\" are never items";
    EXPECT_EQ(failures.size(), 1u) << "mallory's item, its files/ now a link, is not purged";
    ExpectOthersIntact();
    EXPECT_TRUE(fs::exists(can + "/info"));
    EXPECT_TRUE(fs::exists(base + "/shared/moved/bait"));
    EXPECT_FALSE(fs::exists(Can(Victim) + "/files/v.txt")) << "the victim's item is purged all the same";
}

TEST_F(TrashSweepAsRootTest, FifosAndAHugeSizeCacheNeitherHangNorFloodTheSweep)
{
    const std::string home = Can(Mallory), top = base + "/mnt/.Trash-" + std::to_string(Mallory);
    ASSERT_TRUE(AsUser(Mallory, [&] {
        fs::create_directories(top + "/files/folder");
        fs::create_directories(top + "/info");
        fs::create_directories(home + "/files/folder");
        Write(top + "/directorysizes", "");
        bool made = truncate((top + "/directorysizes").c_str(), 1LL << 30) == 0 &&
                    mkfifo((home + "/directorysizes").c_str(), 0644) == 0;
        for (int n = 0; n < 3; ++n)
            for (const std::string& can : {home, top})
                made = made && mkfifo((can + "/directorysizes.tmp-" + std::to_string(getppid()) + "-" +
                                       std::to_string(n)).c_str(), 0644) == 0;
        return made;
    }));
    ASSERT_TRUE(Trash(Mallory, home, "folder", nullptr, base + "/docs/folder"));
    ASSERT_TRUE(Trash(Mallory, top, "folder", nullptr, "docs/folder"));
    TrashClient client(environment);
    NWCONN_HANDLE conn = Open(client);
    EXPECT_EQ(Scan(client, conn, Folder("docs"), true).size(), 1u);
    EXPECT_EQ(Scan(client, conn, volume + "_MNT:docs", true).size(), 1u);
    client.CloseConn(conn);  // the size caches are rewritten now
    struct stat info;
    ASSERT_EQ(stat((top + "/directorysizes").c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 1LL << 30) << "a cache beyond the size limit is left alone";
    EXPECT_EQ(info.st_uid, Mallory);
    ASSERT_EQ(lstat((home + "/directorysizes").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_FALSE(fs::exists(home + "/files/folder"));
    EXPECT_FALSE(fs::exists(top + "/files/folder"));
    ExpectOthersIntact();
}

TEST_F(TrashSweepAsRootTest, TheCacheRewriteNeverWritesThroughAPlantedLinkAndStaysTheOwners)
{
    const std::string can = Can(Mallory);
    ASSERT_TRUE(AsUser(Mallory, [&] {
        fs::create_directories(can + "/files/gone");
        fs::create_directories(can + "/files/kept");
        Write(can + "/directorysizes", "7 1 gone\n9 1 kept\n");
        return true;
    }));
    ASSERT_TRUE(Trash(Mallory, can, "gone", nullptr, base + "/docs/gone"));
    ASSERT_TRUE(Trash(Mallory, can, "kept", nullptr, base + "/other/kept"));
    // A hard link to root's file at the temporary names (root places it, as
    // mallory could where hard links are not protected).
    for (int n = 0; n < 3; ++n)
        ASSERT_EQ(link((base + "/root-secret").c_str(),
                       (can + "/directorysizes.tmp-" + std::to_string(getpid()) + "-" + std::to_string(n)).c_str()),
                  0);
    {
        TrashClient client(environment);
        NWCONN_HANDLE conn = Open(client);
        EXPECT_EQ(Scan(client, conn, Folder("docs"), true).size(), 1u);
    }
    ExpectOthersIntact();
    struct stat info;
    ASSERT_EQ(stat((base + "/root-secret").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(Read(can + "/directorysizes"), "9 1 kept\n");
    ASSERT_EQ(stat((can + "/directorysizes").c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, Mallory) << "the rewritten cache is its owner's";
}

TEST_F(TrashSweepAsRootTest, LinksAboveTheCanAreNotFollowedNeitherWhenReadNorBeforeThePurge)
{
    ASSERT_TRUE(Trash(Victim, Can(Victim), "mine.txt", "victim's item", base + "/private/mine.txt"));
    // Mallory's ~/.local/share is a link to the victim's.
    ASSERT_TRUE(AsUser(Mallory, [&] {
        fs::remove_all(Home(Mallory) + "/.local/share");
        fs::create_directory_symlink(Home(Victim) + "/.local/share", Home(Mallory) + "/.local/share");
        return true;
    }));
    {
        TrashClient client(environment);
        NWCONN_HANDLE conn = Open(client);
        const auto items = Scan(client, conn, Folder("private"), false);
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(items[0].owner, Victim);
        EXPECT_TRUE(AnyProblemMentions(client, "symbolic link")) << "the window says the can is not used";
    }

    // Now a real can when read, swapped for the link before the purge.
    ASSERT_TRUE(AsUser(Mallory, [&] {
        fs::remove(Home(Mallory) + "/.local/share");
        fs::create_directories(Can(Mallory) + "/files");
        fs::create_directories(Can(Mallory) + "/info");
        return true;
    }));
    ASSERT_TRUE(Trash(Mallory, Can(Mallory), "mine.txt", "mallory's", base + "/docs/mine.txt"));
    TrashClient client(environment);
    NWCONN_HANDLE conn = Open(client);
    client.SetBeforePurgeHook([&] {
        AsUser(Mallory, [&] {
            return rename((Home(Mallory) + "/.local/share").c_str(), (Home(Mallory) + "/old").c_str()) == 0 &&
                   symlink((Home(Victim) + "/.local/share").c_str(), (Home(Mallory) + "/.local/share").c_str()) == 0;
        });
        client.SetBeforePurgeHook(nullptr);
    });
    std::vector<NWCCODE> failures;
    EXPECT_EQ(Scan(client, conn, Folder("docs"), true, &failures).size(), 1u);
    EXPECT_EQ(failures.size(), 1u) << "mallory's swapped can is not purged";
    EXPECT_TRUE(fs::exists(Can(Victim) + "/info/mine.txt.trashinfo"));
    EXPECT_EQ(Read(Can(Victim) + "/files/mine.txt"), "victim's item");
    ExpectOthersIntact();
}

TEST_F(TrashSweepAsRootTest, OneUsersUnpurgeableItemDoesNotStopThePurgeOfTheOthers)
{
    // A name far beyond 255 bytes, and an item mallory made undeletable, in
    // the folder the victim's items came from.
    const std::string longName(300, 'L');
    ASSERT_TRUE(Trash(Mallory, Can(Mallory), "long", "l", base + "/docs/" + longName));
    ASSERT_TRUE(AsUser(Mallory, [&] {
        fs::create_directories(Can(Mallory) + "/files/stuck/locked");
        Write(Can(Mallory) + "/files/stuck/locked/f", "f");
        return chmod((Can(Mallory) + "/files/stuck/locked").c_str(), 0555) == 0;
    }));
    ASSERT_TRUE(Trash(Mallory, Can(Mallory), "stuck", nullptr, base + "/docs/stuck"));
    for (const char* name : {"a.txt", "b.txt"})
        ASSERT_TRUE(Trash(Victim, Can(Victim), name, "v", base + "/docs/" + name));
    TrashClient client(environment);
    NWCONN_HANDLE conn = Open(client);
    std::vector<NWCCODE> failures;
    const auto items = Scan(client, conn, Folder("docs"), true, &failures);
    EXPECT_EQ(items.size(), 4u);
    EXPECT_EQ(failures, std::vector<NWCCODE>{0x898A}) << "only the undeletable item fails";
    EXPECT_FALSE(fs::exists(Can(Mallory) + "/files/long")) << "an item is purged by what its listing showed";
    EXPECT_FALSE(fs::exists(Can(Victim) + "/files/a.txt"));
    EXPECT_FALSE(fs::exists(Can(Victim) + "/files/b.txt"));
    EXPECT_TRUE(fs::exists(Can(Mallory) + "/info/stuck.trashinfo"));
    ExpectOthersIntact();

    // A folder name beyond 255 bytes is found by its whole name, and not by
    // its first 255 bytes, which may be another folder's name.
    ASSERT_TRUE(Trash(Victim, Can(Victim), "c.txt", "v", base + "/" + longName + "/c.txt"));
    TrashClient again(environment);
    const NWCONN_HANDLE againConn = Open(again);
    EXPECT_TRUE(Scan(again, againConn, Folder(longName.substr(0, 255)), false).empty());
    EXPECT_EQ(Scan(again, againConn, Folder(longName), true).size(), 1u);
    EXPECT_FALSE(fs::exists(Can(Victim) + "/files/c.txt"));
}

TEST_F(TrashSweepAsRootTest, ControlCharactersAndDotDotPathsForgeNoLinesAndNoFolders)
{
    ASSERT_TRUE(Trash(Mallory, Can(Mallory), "a", "a", base + "/docs/x%0A%0AROOT:%5Cetc%0A     + shadow%1B[2J"));
    ASSERT_TRUE(Trash(Mallory, Can(Mallory), "b", "b", base + "/home/mallory/../../../../etc/shadow"));
    ASSERT_TRUE(Trash(Mallory, Can(Mallory), "c%0Ad", "c", base + "/docs%1B/c"));
    TrashClient client(environment);
    NWCONN_HANDLE conn = Open(client);
    const TrashIndex& index = client.Index();
    auto plain = [](const std::string& text) {
        return std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    };
    for (const TrashDirectory& directory : index.directories)
        EXPECT_TRUE(plain(ShownFolderName(directory.name))) << directory.name;
    for (const TrashEntry& entry : index.entries)
        EXPECT_TRUE(plain(entry.name)) << entry.name;
    const auto docs = Scan(client, conn, Folder("docs"), false);
    ASSERT_EQ(docs.size(), 1u);
    EXPECT_EQ(docs[0].name, "x%0A%0AROOT%3A%5Cetc%0A     + shadow%1B[2J");
    EXPECT_EQ(Scan(client, conn, Folder("docs%1B"), false).size(), 1u) << "a folder shown escaped is found";
    for (const TrashDirectory& directory : index.directories)
        EXPECT_NE(directory.name, "etc");
    std::vector<std::string> unknown;
    for (const Item& item : Scan(client, conn, Folder(UnknownOriginDirectory), false))
        unknown.push_back(item.name);
    EXPECT_EQ(unknown, std::vector<std::string>{"b"}) << "a path with \"..\" is of unknown origin";
}

TEST_F(TrashSweepAsRootTest, SizesAndDatesTheOwnerWroteDoNotDecideRootsPurge)
{
    const std::string can = Can(Mallory);
    ASSERT_TRUE(Trash(Mallory, can, "big", nullptr, base + "/docs/big"));
    ASSERT_TRUE(Trash(Mallory, can, "future.txt", "f", base + "/docs/future.txt", "2040-01-01T00:00:00"));
    ASSERT_TRUE(AsUser(Mallory, [&] {
        fs::create_directories(can + "/files/big");
        Write(can + "/files/big/disk.img", "");
        struct stat info;
        return truncate((can + "/files/big/disk.img").c_str(), 5LL << 30) == 0 &&
               stat((can + "/info/big.trashinfo").c_str(), &info) == 0 &&
               (Write(can + "/directorysizes", "1 " + std::to_string(info.st_mtime) + " big\n"), true);
    }));
    TrashClient client(environment);
    NWCONN_HANDLE conn = Open(client);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const nuint32 later = PackDeletedDateTime(local.tm_year + 1900 + 1, local.tm_mon + 1, 1, 0, 0, 0);
    for (const Item& item : Scan(client, conn, Folder("docs"), false)) {
        if (item.name == "big") {
            EXPECT_EQ(item.size, 5ULL << 30) << "root counts the folder itself";
        } else {
            EXPECT_LT(item.deleted, later) << "a date to come counts as now";
        }
    }
}

TEST_F(TrashSweepAsRootTest, ACanMadeInAnotherUsersNameIsNotUsed)
{
    const std::string forged = base + "/mnt/.Trash-" + std::to_string(Victim);
    ASSERT_TRUE(AsUser(Mallory, [&] {
        fs::create_directories(forged + "/files");
        fs::create_directories(forged + "/info");
        return true;
    }));
    ASSERT_TRUE(Trash(Mallory, forged, "blame.txt", "b", "docs/blame.txt"));
    TrashClient client(environment);
    NWCONN_HANDLE conn = Open(client);
    char server[256], vol[256], dir[256];
    NWCONN_HANDLE split = 0;
    client.SplitPathByClient(("\\\\TRASH\\" + volume + "_MNT").c_str(), server, split, vol, dir);
    EXPECT_TRUE(Scan(client, conn, volume + "_MNT:docs", false).empty());
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_NE(boxes.Texts()[0].find(forged), std::string::npos) << boxes.Texts()[0];
    EXPECT_NE(boxes.Texts()[0].find("not to user " + std::to_string(Victim)), std::string::npos);
}

TEST_F(TrashSweepAsRootTest, FailuresAreReportedNamingTheirCanOrItem)
{
    ASSERT_TRUE(Trash(Mallory, Can(Mallory), "hidden.txt", "h", base + "/docs/hidden.txt"));
    ASSERT_TRUE(AsUser(Mallory, [&] { return chmod((Can(Mallory) + "/info").c_str(), 0300) == 0; }));
    ASSERT_TRUE(Trash(Victim, Can(Victim), "half.txt", "h", base + "/docs/half.txt"));
    ASSERT_TRUE(AsUser(Victim, [&] { return chmod((Can(Victim) + "/info").c_str(), 0555) == 0; }));
    TrashClient client(environment);
    const InstalledBackend installed(client);
    NWCONN_HANDLE conn = Open(client);
    char server[256], vol[256], dir[256];
    NWCONN_HANDLE split = 0;
    client.SplitPathByClient(("\\\\TRASH\\" + volume + "\\docs").c_str(), server, split, vol, dir);
    ASSERT_EQ(boxes.Texts().size(), 1u) << "an unreadable info/ is reported";
    EXPECT_NE(boxes.Texts()[0].find(Can(Mallory) + "/info"), std::string::npos) << boxes.Texts()[0];
    std::vector<NWCCODE> failures;
    const auto items = Scan(client, conn, Folder("docs"), true, &failures);
    EXPECT_EQ(items.size(), 1u) << "nothing of the unreadable can is listed";
    EXPECT_EQ(Read(Can(Mallory) + "/files/hidden.txt"), "h");
    ASSERT_EQ(failures, std::vector<NWCCODE>{0x898A}) << "the .trashinfo could not go";
    EXPECT_NE(NWErrorText(0x898A).find(Can(Victim) + "/info/half.txt.trashinfo"), std::string::npos)
        << NWErrorText(0x898A);
    EXPECT_EQ(NWErrorText(0x89FF).find("()"), std::string::npos) << NWErrorText(0x89FF);

    // A read-only file system has its own code.
    const std::string mount = base + "/mnt";
    if (::mount("none", mount.c_str(), "tmpfs", 0, "mode=1777") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    const std::string top = mount + "/.Trash-" + std::to_string(Victim);
    ASSERT_TRUE(AsUser(Victim, [&] {
        fs::create_directories(top + "/files");
        fs::create_directories(top + "/info");
        return true;
    }));
    ASSERT_TRUE(Trash(Victim, top, "ro.txt", "r", "ro/ro.txt"));
    ASSERT_EQ(::mount("none", mount.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    TrashClient again(environment);
    const InstalledBackend installedAgain(again);
    failures.clear();
    Scan(again, Open(again), volume + "_MNT:ro", true, &failures);
    EXPECT_EQ(failures, std::vector<NWCCODE>{0x8986});
    EXPECT_NE(NWErrorText(0x8986).find("read-only"), std::string::npos) << NWErrorText(0x8986);
}

TEST_F(TrashSweepAsRootTest, EveryReadingThreadActsAsTheOwner)
{
    // Enough items for the reading to be shared among threads; every tenth
    // .trashinfo only root may read, so the owner reads it as broken.
    const int count = 1200;
    const std::string can = Can(Mallory);
    ASSERT_TRUE(AsUser(Mallory, [&] {
        for (int i = 0; i < count; ++i) {
            Write(can + "/files/f" + std::to_string(i), "x");
            Write(can + "/info/f" + std::to_string(i) + ".trashinfo",
                  "[Trash Info]\nPath=" + base + "/docs/f" + std::to_string(i) + "\nDeletionDate=2024-03-01T13:45:07\n");
        }
        return true;
    }));
    for (int i = 0; i < count; i += 10) {
        const std::string info = can + "/info/f" + std::to_string(i) + ".trashinfo";
        ASSERT_EQ(chown(info.c_str(), 0, 0), 0);
        ASSERT_EQ(chmod(info.c_str(), 0600), 0);
    }
    TrashClient client(environment);
    NWCONN_HANDLE conn = Open(client);
    EXPECT_EQ(Scan(client, conn, Folder("docs"), false).size(), size_t{count - count / 10});
    EXPECT_EQ(Scan(client, conn, Folder(UnknownOriginDirectory), false).size(), size_t{count / 10});
}

// The folders one user's Path names cannot hide, merge or stand for another
// user's: each is listed, taken as a start path by its shown name and purged.
TEST_F(TrashSweepAsRootTest, EveryFolderIsReachedByItsExactNameAndNoneHidesAnother)
{
    std::string long1(255, 'A'), long2(255, 'A');
    long1.back() = '1';
    long2.back() = '2';
    // 255 bytes that all show escaped: a shown name of 765 bytes whose first
    // 762 are another folder's too.
    std::string escaped;
    for (int i = 0; i < 254; ++i)
        escaped += i % 2 ? "%09" : "%5C";
    struct Planted {
        uid_t owner;
        const char* item;
        std::string path;   // Path=, percent-encoded
        std::string shown;  // the folder's shown path below the volume root
    };
    const Planted planted[] = {
        {Mallory, "p1.jpg", "/docs/Photos/p1.jpg", "docs\\Photos"},
        {Mallory, "p2.jpg", "/docs/photos/p2.jpg", "docs\\photos"},
        {Mallory, "b.txt", "/home/victim/DOCS/b.txt", "home\\victim\\DOCS"},
        {Victim, "v.txt", "/home/victim/docs/v.txt", "home\\victim\\docs"},
        {Mallory, "m.txt", "/home/victim/Mail%0Aews/m.txt", "home\\victim\\Mail%0Aews"},
        {Victim, "n.txt", "/home/victim/Mail/news/n.txt", "home\\victim\\Mail\\news"},
        {Mallory, "u.txt", "/home/(Unknown Origin)/u.txt", "home\\(Unknown Origin)"},
        {Mallory, "r.txt", "/(unknown origin)/r.txt", "%28unknown origin)"},
        {Victim, "colon.txt", "/docs/Meeting 10:30/colon.txt", "docs\\Meeting 10%3A30"},
        {Victim, "tab.txt", "/docs/%09lead/tab.txt", "docs\\%09lead"},
        {Victim, "slash.txt", "/docs/back\\slash/slash.txt", "docs\\back%5Cslash"},
        {Victim, "nl.txt", "/docs/new%0Aline/nl.txt", "docs\\new%0Aline"},
        {Victim, "l1.txt", "/docs/" + long1 + "/l1.txt", "docs\\" + long1},
        {Victim, "l2.txt", "/docs/" + long2 + "/l2.txt", "docs\\" + long2},
        {Victim, "e1.txt", "/docs/" + escaped + "%01/e1.txt", "docs\\" + escaped + "%01"},
        {Victim, "e2.txt", "/docs/" + escaped + "%02/e2.txt", "docs\\" + escaped + "%02"},
    };
    for (const Planted& p : planted)
        ASSERT_TRUE(Trash(p.owner, Can(p.owner), p.item, "x", base + p.path)) << p.item;
    // An item without a .trashinfo is of unknown origin.
    ASSERT_TRUE(AsUser(Victim, [&] {
        Write(Can(Victim) + "/files/orphan", "o");
        return true;
    }));

    TrashClient client(environment);
    InstalledBackend installed(client);
    const NWCONN_HANDLE conn = Open(client);
    for (const Planted& p : planted) {
        SCOPED_TRACE(p.shown);
        char server[256] = {}, volumeName[256] = {};
        std::vector<char> directory(kSplitDirectorySize);
        NWCONN_HANDLE splitConn = 0;
        ASSERT_EQ(client.SplitPathByClient(("\\\\TRASH\\" + volume + "\\" + p.shown).c_str(), server, splitConn,
                                           volumeName, directory.data()),
                  0);
        EXPECT_EQ(std::string(directory.data()), p.shown);
        const auto items = Scan(client, conn, Folder(p.shown), true);
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(items[0].name, p.item);
        EXPECT_FALSE(fs::exists(Can(p.owner) + "/files/" + p.item)) << "purged";
    }
    const auto orphans = Scan(client, conn, Folder(UnknownOriginDirectory), true);
    ASSERT_EQ(orphans.size(), 1u);
    EXPECT_EQ(orphans[0].name, "orphan");

    // Typed in another case, a folder is found only when it is the one match.
    for (const auto& [typed, code] : std::vector<std::pair<std::string, NWCCODE>>{
             {"docs\\PHOTOS", ERR_AMBIGUOUS_PATH}, {"HOME\\VICTIM\\Docs", ERR_AMBIGUOUS_PATH},
             {"DOCS\\meeting 10%3a30", 0}, {"docs\\nothing", ERR_INVALID_PATH}}) {
        SCOPED_TRACE(typed);
        char server[256] = {}, volumeName[256] = {};
        std::vector<char> directory(kSplitDirectorySize);
        NWCONN_HANDLE splitConn = 0;
        EXPECT_EQ(client.SplitPathByClient(("\\\\TRASH\\" + volume + "\\" + typed).c_str(), server, splitConn,
                                           volumeName, directory.data()),
                  code);
        if (code == 0) {
            EXPECT_EQ(std::string(directory.data()), "docs\\Meeting 10%3A30") << "the names as they are";
        }
    }
    EXPECT_NE(NWErrorText(ERR_AMBIGUOUS_PATH).find("letter case"), std::string::npos);
    ExpectOthersIntact();
}

// A Path of a hundred thousand folders is read, walked and purged like any
// other: no recursion per level, no lookup from the root per folder.
TEST_F(TrashSweepAsRootTest, AHundredThousandFoldersDeepPathIsWalkedAndItsItemPurged)
{
    constexpr int depth = 100000;
    std::string path = base + "/deep";
    for (int level = 0; level < depth; ++level)
        path += "/d";
    ASSERT_TRUE(Trash(Mallory, Can(Mallory), "deep.txt", "x", path + "/deep.txt"));
    TrashClient client(environment);
    InstalledBackend installed(client);
    const NWCONN_HANDLE conn = Open(client);
    int folders = 0;
    std::vector<Item> items;
    WalkDirectoryTree(
        conn, Folder("deep"), "*.*", WalkDirectories,
        [&](const std::string& folder, const WalkEntry&, void*) {
            ++folders;
            const auto found = Scan(client, conn, folder, true);
            items.insert(items.end(), found.begin(), found.end());
        },
        nullptr, true);
    EXPECT_EQ(folders, depth + 1);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].name, "deep.txt");
    EXPECT_FALSE(fs::exists(Can(Mallory) + "/files/deep.txt"));
}

}  // namespace
