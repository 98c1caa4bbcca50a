// SPDX-License-Identifier: GPL-3.0-or-later
// Bins on real drives made by the tests (NTFS through ntfs-3g, exFAT through
// exfat-fuse, FAT where the kernel mounts it): listed as rifiuti-vista lists
// them, and purged by the program by pattern, age, size and budget with
// rifiuti-vista then listing exactly the items kept.
#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <utility>

#include "BinListing.h"
#include "MountedDrive.h"
#include "RecycleBinWriter.h"
#include "netware/trash/TrashCans.h"
#include "netware/windows/WindowsBins.h"

using namespace recyclebin;

namespace {

const std::string Ann = "S-1-5-21-1004336348-1177238915-682003330-1001";
const std::string Bob = "S-1-5-21-1004336348-1177238915-682003330-1002";
constexpr std::time_t Day = 86400;

class WindowsBinDriveTest : public ::testing::TestWithParam<DriveKind> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        if (!QFileInfo::exists("/usr/bin/rifiuti-vista"))
            GTEST_SKIP() << "rifiuti-vista is not installed (scripts/setup installs rifiuti2)";
        drive = std::make_unique<MountedDrive>(GetParam(), dir.path().toStdString());
        if (!drive->mounted())
            GTEST_SKIP() << KindName(GetParam()) << " drive not tested: " << drive->why();
        // FAT shows the folder in capitals, as Windows writes it there.
        bins = drive->path() / (GetParam() == DriveKind::Fat ? "$RECYCLE.BIN" : "$Recycle.Bin");
        setenv("TZ", "America/New_York", 1);
        tzset();
        now = std::time(nullptr);
    }
    void TearDown() override
    {
        unsetenv("TZ");
        tzset();
    }
    WindowsBinIndex Read() const { return WindowsBinIndex::Read({{drive->path().string()}, {}, false}); }

    QTemporaryDir dir;
    std::unique_ptr<MountedDrive> drive;
    std::filesystem::path bins;
    std::time_t now = 0;
};

TEST_P(WindowsBinDriveTest, TwoUsersBinsOfBothVersionsAreListedAsRifiutiListsThem)
{
    DeletedFile(bins / Ann, "ABC123.docx", 2, "D:\\Projects\\x.docx", "hello", now - 3 * Day);
    DeletedFile(bins / Ann, "Q9ZZ01", 2, "D:\\Über naïve\\中文 file", "unicode", now - 50 * Day);
    DeletedFolder(bins / Ann, "F00001", 2, "D:\\Projects\\Reports", now - 40 * Day);
    DeletedFile(bins / Bob, "OLD001.txt", 1, "D:\\Old\\notes.txt", std::string(4000, 'n'), now - 400 * Day);
    DeletedFolder(bins / Bob, "OLD002", 1, "D:\\Old\\Photos", now - 2 * Day);

    const WindowsBinIndex index = Read();
    ASSERT_EQ(index.folders.volumes.size(), 1u) << (index.problems.empty() ? "" : index.problems.front());
    EXPECT_EQ(index.folders.volumes[0].name, VolumeNameOfMountPoint(drive->path().string()));
    EXPECT_TRUE(index.problems.empty());
    for (const std::string& sid : {Ann, Bob}) {
        SCOPED_TRACE(sid);
        const std::vector<std::string> peer = RifiutiLines(bins / sid);
        EXPECT_EQ(peer.size(), sid == Ann ? 3u : 2u);
        EXPECT_EQ(ClientLines(index, sid), peer);
    }
    EXPECT_EQ(index.users, (std::vector<std::string>{Ann, Bob}));
}

TEST_P(WindowsBinDriveTest, AUserMappingNamesTheDeletingUser)
{
    DeletedFile(bins / Ann, "ABC123.txt", 2, "D:\\x.txt", "x", now);
    DeletedFile(bins / Bob, "ABC124.txt", 2, "D:\\y.txt", "y", now);
    WriteFile(drive->path() / ".NTFS-3G" / "UserMapping", "# ntfs-3g user mapping\nann::" + Ann + "\n:0:" + Bob + "\n");
    EXPECT_EQ(Read().users, (std::vector<std::string>{"ann", Bob})) << "a group line names no user";
}

// Runs the program automatically on the drive; its result log.
std::string RunProgram(const std::filesystem::path& base, const std::filesystem::path& mount, const std::string& config)
{
    const QString program = QCoreApplication::applicationDirPath() + "/morvane";
    const std::string volume = VolumeNameOfMountPoint(mount.string());
    WriteFile(base / "mounts", mount.string() + "\n");
    WriteFile(base / "morvane.ini", "[Config]\n" + config + "\n[CheckListBoxQ]\n0=\\\\WINDOWS\\" + volume +
                                        "\n\n[CheckListBoxQ Checked]\n\\\\WINDOWS\\" + volume + "=1\n");
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("MORVANE_WINDOWS_MOUNTS", QString::fromStdString((base / "mounts").string()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(base.string()));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("TZ", "America/New_York");
    run.setProcessEnvironment(env);
    run.start(program, {"c=w", "auto", QString::fromStdString("ini=" + (base / "morvane.ini").string()),
                        QString::fromStdString("log=" + (base / "result.log").string())});
    EXPECT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    std::ifstream in(base / "result.log", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_P(WindowsBinDriveTest, TheProgramPurgesByPatternAgeSizeAndBudgetAndRifiutiAgrees)
{
    if (!QFileInfo(QCoreApplication::applicationDirPath() + "/morvane").isExecutable())
        GTEST_SKIP() << "the program is not built";
    const std::string megabyte(1000000, 'm');
    DeletedFile(bins / Ann, "KEEP01.txt", 2, "D:\\Docs\\keep.txt", "kept", now - 1 * Day);
    DeletedFile(bins / Ann, "OLD001.txt", 1, "D:\\Docs\\old.txt", "old", now - 40 * Day);
    DeletedFile(bins / Ann, "PAT001.tmp", 2, "D:\\Docs\\x.tmp", "pattern", now - 1 * Day);
    DeletedFile(bins / Ann, "BIG001.bin", 2, "D:\\big.bin", std::string(2500000, 'b'), now - 1 * Day);
    DeletedFolder(bins / Ann, "DIR001", 2, "D:\\Docs\\Reports", now - 45 * Day);
    DeletedFile(bins / Ann, "NEW001", 2, "D:\\Media\\n1", megabyte, now - 3 * Day);
    DeletedFile(bins / Ann, "NEW002", 2, "D:\\Media\\n2", megabyte, now - 4 * Day);
    DeletedFile(bins / Ann, "NEW003", 2, "D:\\Media\\n3", megabyte, now - 5 * Day);
    DeletedFile(bins / Bob, "BOB001.doc", 1, "D:\\Docs\\bob.doc", "bob", now - 6 * Day);
    const std::filesystem::path base = dir.path().toStdString();
    auto names = [&](const std::string& sid) {
        std::vector<std::string> ids;
        for (const std::string& line : RifiutiLines(bins / sid))
            ids.push_back(line.substr(0, line.find('\t')));
        return ids;
    };

    const std::string log = RunProgram(base, drive->path(),
                                       "CheckBoxFilePatterns=1\nCheckBoxAge=1\nFileOlderThan=30\n"
                                       "CheckBoxSizeLowerLimit=1\nFileSizeLowerLimit=2000\nRadioGroupLogic=0\n"
                                       "[Config MemoExtList]\n0=*.tmp\n");
    EXPECT_NE(log.find("     + Reports  ("), std::string::npos) << log;
    EXPECT_NE(log.find("     - keep.txt  (   4) [ Deleted: "), std::string::npos) << log;
    EXPECT_NE(log.find(" by " + Ann + " ]"), std::string::npos) << log;
    EXPECT_EQ(names(Ann), (std::vector<std::string>{"$IKEEP01.txt", "$INEW001", "$INEW002", "$INEW003"}));
    EXPECT_EQ(names(Bob), std::vector<std::string>{"$IBOB001.doc"});
    EXPECT_FALSE(std::filesystem::exists(bins / Ann / "$RDIR001"));

    // Beyond the newest 2 MB (2,097,152 bytes): n3 and Bob's older file.
    RunProgram(base, drive->path(), "CheckBoxKeepNewest=1\nKeepNewestSize=2\nRadioGroupLogic=0\n");
    EXPECT_EQ(names(Ann), (std::vector<std::string>{"$IKEEP01.txt", "$INEW001", "$INEW002"}));
    EXPECT_EQ(names(Bob), std::vector<std::string>{});
    EXPECT_FALSE(std::filesystem::exists(bins / Ann / "$RNEW003"));
}

// Between the listing and the purge the drive changes under the program, on
// a FUSE drive as much as on any other: an index rewritten in place, an item
// grown or deleted again under the same id are left alone; the rest goes.
TEST_P(WindowsBinDriveTest, WhatChangedOnTheDriveSinceItWasListedIsNotPurged)
{
    DeletedFile(bins / Ann, "KEEP01.txt", 2, "D:\\kept.txt", "as listed", now - Day);
    DeletedFile(bins / Ann, "REWR01.txt", 2, "D:\\rewritten.txt", "r", now - Day);
    DeletedFile(bins / Ann, "GROW01.txt", 2, "D:\\grown.txt", "g", now - Day);
    DeletedFile(bins / Ann, "SWAP01.txt", 2, "D:\\swapped.txt", "s", now - Day);
    const std::string mount = drive->path().string();
    WindowsBinClient client([mount] { return WindowsBinEnvironment{{mount}, {}, false}; });
    const NWCONN_HANDLE conn = OpenTrashConnection(client);
    bool changed = false;
    client.SetBeforePurgeHook([&] {
        if (std::exchange(changed, true))
            return;
        // Through the mount, each file keeping its place (its inode): only
        // a look asking the drive again tells the changes.
        WriteFile(bins / Ann / "$IREWR01.txt", IndexBytes(2, "D:\\other\\rewritten.txt", 1, FileTimeOf(now)));
        std::ofstream(bins / Ann / "$RGROW01.txt", std::ios::binary | std::ios::app) << "rown";
        std::filesystem::remove(bins / Ann / "$RSWAP01.txt");
        WriteFile(bins / Ann / "$RSWAP01.txt", "another item deleted under the same id");
    });
    std::map<std::string, NWCCODE> codes;
    ASSERT_TRUE(ScanTrashFolder(client, conn, VolumeNameOfMountPoint(mount) + ":",
                                [&](const NWDELETED_INFO& record, nuint32, auto purge) {
                                    codes[record.name] = purge();
                                    return true;
                                }));
    // exFAT through FUSE lists no inode numbers: its items are measured, and
    // one that grew is still the same file.
    const bool grownRefused = GetParam() != DriveKind::Exfat;
    EXPECT_EQ(codes, (std::map<std::string, NWCCODE>{{"kept.txt", SUCCESSFUL},
                                                      {"rewritten.txt", ERR_NO_SUCH_DELETED_FILE},
                                                      {"grown.txt", grownRefused ? ERR_NO_SUCH_DELETED_FILE : SUCCESSFUL},
                                                      {"swapped.txt", ERR_NO_SUCH_DELETED_FILE}}));
    std::vector<std::string> left;
    for (const std::string& line : RifiutiLines(bins / Ann))
        left.push_back(line.substr(0, line.find('\t')));
    EXPECT_EQ(left, grownRefused ? (std::vector<std::string>{"$IGROW01.txt", "$IREWR01.txt", "$ISWAP01.txt"})
                                 : (std::vector<std::string>{"$IREWR01.txt", "$ISWAP01.txt"}));
}

INSTANTIATE_TEST_SUITE_P(Drives, WindowsBinDriveTest,
                         ::testing::Values(DriveKind::Ntfs, DriveKind::Exfat, DriveKind::Fat),
                         [](const auto& info) { return std::string(KindName(info.param)); });

}  // namespace
