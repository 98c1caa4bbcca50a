// SPDX-License-Identifier: GPL-3.0-or-later
// Bins as anyone may write them, on a folder standing in for a drive and on
// real drives made by the tests (NTFS through ntfs-3g, exFAT): broken
// index files and odd original paths are listed under "(unknown origin)" or
// escaped, links are never followed, an item swapped since it was listed is
// not purged, and root purges a user's drive as that user.
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <ctime>
#include <map>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "BinListing.h"
#include "MountedDrive.h"
#include "RecycleBinWriter.h"
#include "netware/trash/TrashIndex.h"
#include "util/MessageBox.h"

using namespace recyclebin;
namespace fs = std::filesystem;

namespace {

const std::string Sid = "S-1-5-21-1-2-3-1001";

// Where the hostile drive lies: a plain folder, or an image the test makes
// and mounts (exFAT holds no links, and its FUSE server lists no inode
// numbers, so its items are measured rather than taken at their index's word).
enum class HostilePlace { Folder, Ntfs, Exfat };

class WindowsBinHostileTest : public ::testing::TestWithParam<HostilePlace> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        if (GetParam() == HostilePlace::Folder) {
            drive = fs::path(dir.path().toStdString()) / "drive";
        } else {
            mounted = std::make_unique<MountedDrive>(GetParam() == HostilePlace::Ntfs ? DriveKind::Ntfs
                                                                                      : DriveKind::Exfat,
                                                     dir.path().toStdString());
            if (!mounted->mounted())
                GTEST_SKIP() << "drive not tested: " << mounted->why();
            drive = mounted->path();
        }
        bin = drive / "$Recycle.Bin" / Sid;
        fs::create_directories(bin);
    }
    void SkipWithoutLinks() const
    {
        if (GetParam() == HostilePlace::Exfat)
            GTEST_SKIP() << "exFAT holds no symbolic links";
    }
    WindowsBinIndex Read() const { return WindowsBinIndex::Read({{drive.string()}, {}, false}); }
    WindowsBinClient Client() const
    {
        const std::string mount = drive.string();
        return WindowsBinClient([mount] { return WindowsBinEnvironment{{mount}, {}, geteuid() == 0}; });
    }
    // The names listed in a folder of the volume ("" for its root).
    static std::vector<std::string> Listed(const WindowsBinIndex& index, const std::vector<std::string>& folder)
    {
        size_t directory = index.folders.volumes.at(0).root;
        std::vector<std::string> names;
        for (const std::string& name : folder)
            if (index.folders.FindChild(directory, name, directory) != NameLookup::Found)
                return names;
        for (size_t item : index.folders.directories[directory].entries)
            names.push_back(index.items[item].name);
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string VolumePath(const std::string& folder) const
    {
        return VolumeNameOfMountPoint(drive.string()) + ":" + folder;
    }

    QTemporaryDir dir;
    std::unique_ptr<MountedDrive> mounted;
    fs::path drive, bin;
    std::time_t now = std::time(nullptr);
};

TEST_P(WindowsBinHostileTest, BrokenIndexesAndOddPathsGoUnderUnknownOriginOrEscaped)
{
    const std::string good = IndexBytes(2, "D:\\Docs\\a.txt", 1, FileTimeOf(now));
    WriteFile(bin / "$ITRUNC1.txt", good.substr(0, good.size() - 3));
    WriteFile(bin / "$RTRUNC1.txt", "t");
    WriteFile(bin / "$IHUGE01", good + std::string(100000, 'x'));
    WriteFile(bin / "$RHUGE01", "h");
    std::string badUtf16 = good;
    badUtf16[30] = '\x00', badUtf16[31] = '\xDC';
    WriteFile(bin / "$IUTF160", badUtf16);
    DeletedFile(bin, "UNC001", 2, "\\\\server\\share\\u.txt", "u", now);
    DeletedFile(bin, "NODRV1", 2, "\\Docs\\n.txt", "n", now);
    DeletedFile(bin, "DOTS01", 1, "D:\\Docs\\..\\..\\etc\\passwd", "d", now);
    DeletedFile(bin, "CTRL01", 2, "D:\\Docs\\two\nlines\x1b[31m.txt", "c", now);
    WriteFile(bin / "$RORPHAN.txt", "no index");
    WriteFile(bin / "desktop.ini", "not an item");

    const WindowsBinIndex index = Read();
    EXPECT_EQ(Listed(index, {UnknownOriginDirectory}),
              (std::vector<std::string>{"$IUTF160", "$RDOTS01", "$RHUGE01", "$RNODRV1", "$RORPHAN.txt",
                                        "$RTRUNC1.txt", "$RUNC001"}));
    EXPECT_EQ(Listed(index, {"Docs"}), std::vector<std::string>{"two%0Alines%1B[31m.txt"});
}

TEST_P(WindowsBinHostileTest, LinksAreNeverFollowed)
{
    SkipWithoutLinks();
    if (IsSkipped())
        return;
    const fs::path outside = fs::path(dir.path().toStdString()) / "outside";
    WriteFile(outside / "precious.txt", "precious");
    DeletedFolder(bin, "LINKS1", 2, "D:\\Tree\\links", now);
    fs::create_symlink(outside, bin / "$RLINKS1" / "to-outside");
    fs::create_symlink(outside / "precious.txt", bin / "$RLINKS1" / "sub" / "file-link");
    WriteFile(bin / "$ILINK02.txt", IndexBytes(2, "D:\\Tree\\l.txt", 8, FileTimeOf(now)));
    fs::create_symlink(outside / "precious.txt", bin / "$RLINK02.txt");
    fs::create_symlink(outside, drive / "$Recycle.Bin" / "S-1-5-21-9-9-9-1000");

    WindowsBinClient client = Client();
    MessageBoxRecorder boxes;
    const NWCONN_HANDLE conn = OpenTrashConnection(client);
    std::vector<std::string> purged;
    ASSERT_TRUE(ScanTrashFolder(client, conn, VolumePath("Tree"), [&](const NWDELETED_INFO& record, nuint32, auto purge) {
        EXPECT_EQ(purge(), 0) << record.name;
        purged.push_back(record.name);
        return true;
    }));
    EXPECT_EQ(purged.size(), 2u);
    EXPECT_FALSE(fs::exists(fs::symlink_status(bin / "$RLINKS1")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(bin / "$RLINK02.txt")));
    EXPECT_FALSE(fs::exists(bin / "$ILINKS1"));
    EXPECT_TRUE(fs::exists(outside / "precious.txt"));
    ASSERT_EQ(client.Index().problems.size(), 1u);
    EXPECT_NE(client.Index().problems[0].find("S-1-5-21-9-9-9-1000 is a symbolic link: not followed"),
              std::string::npos);
}

TEST_P(WindowsBinHostileTest, ABinFolderThatIsALinkIsRefusedWithALine)
{
    SkipWithoutLinks();
    if (IsSkipped())
        return;
    const fs::path elsewhere = fs::path(dir.path().toStdString()) / "elsewhere";
    fs::remove_all(drive / "$Recycle.Bin");
    fs::create_symlink(elsewhere, drive / "$Recycle.Bin");
    DeletedFile(elsewhere / Sid, "ABC123", 2, "D:\\x", "x", now);
    const WindowsBinIndex index = Read();
    EXPECT_TRUE(index.folders.volumes.empty());
    ASSERT_EQ(index.problems.size(), 1u);
    EXPECT_EQ(index.problems[0], "Recycle bin " + (drive / "$Recycle.Bin").string() +
                                     " is a symbolic link: not followed");
}

TEST_P(WindowsBinHostileTest, AFileOfAnotherSizeThanItsIndexSaysIsListedWithThatSizeButNotPurged)
{
    if (GetParam() == HostilePlace::Exfat)
        GTEST_SKIP() << "exFAT's items are measured, not taken at their index's word";
    WriteFile(bin / "$ILIES01.bin", IndexBytes(2, "D:\\small.bin", 10, FileTimeOf(now)));
    WriteFile(bin / "$RLIES01.bin", std::string(5000, 'x'));
    WindowsBinClient client = Client();
    const NWCONN_HANDLE conn = OpenTrashConnection(client);
    NWCCODE code = 0;
    ASSERT_TRUE(ScanTrashFolder(client, conn, VolumePath(""), [&](const NWDELETED_INFO& record, nuint32, auto purge) {
        EXPECT_EQ(DeletedFileSize(record), 10u);
        code = purge();
        return true;
    }));
    EXPECT_EQ(code, ERR_NO_SUCH_DELETED_FILE);
    EXPECT_TRUE(fs::exists(bin / "$RLIES01.bin"));
}

TEST_P(WindowsBinHostileTest, AnItemSwappedSinceItWasListedIsNotPurged)
{
    DeletedFile(bin, "SWAP01.txt", 2, "D:\\s.txt", "listed", now);
    WindowsBinClient client = Client();
    const NWCONN_HANDLE conn = OpenTrashConnection(client);
    client.SetBeforePurgeHook([&] {
        fs::remove(bin / "$RSWAP01.txt");
        WriteFile(bin / "$RSWAP01.txt", "another file deleted under the same id");
    });
    NWCCODE code = 0;
    ASSERT_TRUE(ScanTrashFolder(client, conn, VolumePath(""), [&](const NWDELETED_INFO&, nuint32, auto purge) {
        code = purge();
        return true;
    }));
    EXPECT_EQ(code, ERR_NO_SUCH_DELETED_FILE);
    EXPECT_TRUE(fs::exists(bin / "$RSWAP01.txt"));
    EXPECT_TRUE(fs::exists(bin / "$ISWAP01.txt"));
}

INSTANTIATE_TEST_SUITE_P(Places, WindowsBinHostileTest,
                         ::testing::Values(HostilePlace::Folder, HostilePlace::Ntfs, HostilePlace::Exfat),
                         [](const auto& info) {
                             return info.param == HostilePlace::Folder ? std::string("Folder")
                                                                       : std::string(KindName(
                                                                             info.param == HostilePlace::Ntfs
                                                                                 ? DriveKind::Ntfs
                                                                                 : DriveKind::Exfat));
                         });

// Root acts as the user a drive under /media/USER/ is mounted for: what that
// user may not delete stays, the rest goes.
TEST(WindowsBinAsRootTest, ADriveMountedForAUserIsPurgedAsThatUser)
{
    const passwd* nobody = getpwnam("nobody");
    if (geteuid() != 0 || !nobody)
        GTEST_SKIP() << "needs root and the user nobody";
    const fs::path media = fs::path("/media") / nobody->pw_name;
    const bool made = !fs::exists(media);
    fs::create_directories(media);
    const std::string mediaTemplate = (media / "morvane-test-XXXXXX").string();
    std::vector<char> path(mediaTemplate.begin(), mediaTemplate.end());
    path.push_back('\0');
    ASSERT_NE(mkdtemp(path.data()), nullptr);
    const fs::path drive = path.data(), bin = drive / "$Recycle.Bin" / Sid;
    DeletedFile(bin, "MINE01.txt", 2, "D:\\Docs\\mine.txt", "mine", std::time(nullptr));
    DeletedFolder(bin, "ROOT01", 2, "D:\\Docs\\roots", std::time(nullptr));
    for (const auto& entry : fs::recursive_directory_iterator(drive))
        lchown(entry.path().c_str(), nobody->pw_uid, nobody->pw_gid);
    lchown(drive.c_str(), nobody->pw_uid, nobody->pw_gid);
    // A folder in the item that only root may change.
    chown((bin / "$RROOT01" / "sub").c_str(), 0, 0);
    chmod((bin / "$RROOT01" / "sub").c_str(), 0755);

    WindowsBinClient client([&] {
        WindowsBinEnvironment environment{{drive.string()}, {}, true};
        environment.users.push_back({nobody->pw_uid, nobody->pw_name, "/", nobody->pw_gid});
        return environment;
    });
    const NWCONN_HANDLE conn = OpenTrashConnection(client);
    std::map<std::string, NWCCODE> codes;
    ASSERT_TRUE(ScanTrashFolder(client, conn, VolumeNameOfMountPoint(drive.string()) + ":Docs",
                              [&](const NWDELETED_INFO& record, nuint32, auto purge) {
                                  codes[record.name] = purge();
                                  return true;
                              }));
    EXPECT_EQ(codes["mine.txt"], 0);
    EXPECT_EQ(codes["roots"], ERR_NO_PURGE_PRIVILEGE) << "root's folder in the item is not nobody's to delete";
    EXPECT_FALSE(fs::exists(bin / "$RMINE01.txt"));
    EXPECT_TRUE(fs::exists(bin / "$IROOT01"));
    fs::remove_all(drive);
    if (made)
        fs::remove(media);
}

}  // namespace
