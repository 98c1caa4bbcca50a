// SPDX-License-Identifier: GPL-3.0-or-later
// The built program run in automatic mode with client=trash on trash cans that
// trash-cli or gio wrote into a temporary home and a temporary mount-like
// folder: what it lists, what it purges, and what the peer shows afterwards.
#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <unistd.h>

#include "netware/trash/TrashCans.h"

namespace {

namespace fs = std::filesystem;

const fs::path Peer = fs::path(__FILE__).parent_path() / "fixtures" / "trash-cli-mounts.py";

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

class TrashEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        base = fs::path(dir.path().toStdString());
        env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", QString::fromStdString((base / "xdg").string()));
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(base.string()));
        env.insert("FAKE_MOUNTS", QString::fromStdString((base / "top").string()));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("LC_ALL", "C.UTF-8");
        env.insert("TZ", "UTC");
    }

    // Runs a peer program; its standard output.
    std::string RunPeer(const QString& program, const QStringList& arguments)
    {
        QProcess run;
        run.setProcessEnvironment(env);
        run.start(program, arguments);
        EXPECT_TRUE(run.waitForFinished(60000));
        EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
        return run.readAllStandardOutput().toStdString();
    }
    // Runs trash-cli (through the mount-point wrapper); its standard output.
    std::string TrashCli(const QString& command, const QStringList& arguments)
    {
        return RunPeer("/usr/bin/python3", QStringList{QString::fromStdString(Peer.string()), command} + arguments);
    }
    // Runs the program automatically with the trash client on the given
    // start path; its exit status, expected to be the one given.
    int RunProgram(const QString& program, const std::string& ini, int expectedExit = 0)
    {
        Write(base / "morvane.ini", ini);
        QProcess run;
        QProcessEnvironment programEnv = env;
        programEnv.insert("MORVANE_TRASH_MOUNTS", QString::fromStdString((base / "mounts").string()));
        run.setProcessEnvironment(programEnv);
        run.setWorkingDirectory(dir.path());
        run.start(program, {"c=trash", "auto", QString::fromStdString("ini=" + (base / "morvane.ini").string()),
                            QString::fromStdString("log=" + (base / "result.log").string())});
        EXPECT_TRUE(run.waitForFinished(60000));
        EXPECT_EQ(run.exitCode(), expectedExit) << run.readAllStandardError().toStdString();
        return run.exitCode();
    }

    QTemporaryDir dir;
    fs::path base;
    QProcessEnvironment env;
};

TEST_F(TrashEndToEndTest, AutomaticRunPurgesWhatTheConditionsSelectAndTrashListShowsTheRest)
{
    const QString program = QCoreApplication::applicationDirPath() + "/morvane";
    if (!QFileInfo(program).isExecutable())
        GTEST_SKIP() << "the program is not built";
    if (!QFileInfo::exists("/usr/bin/trash-put") || !QFileInfo::exists("/usr/bin/python3"))
        GTEST_SKIP() << "trash-cli is not installed (scripts/setup installs it)";

    const fs::path data = base / "data", top = base / "top";
    Write(data / "keep.txt", "kept");
    Write(data / "old.txt", "forty days old");
    Write(data / "Fotos \xC3\x84 2" / "bild \xC3\xBC.tmp", "pattern");
    Write(data / "build.tmp" / "obj" / "a.o", "object");
    Write(base / "outside" / "target.txt", "precious");
    fs::create_symlink(base / "outside" / "target.txt", data / "build.tmp" / "obj" / "link");
    Write(data / "big.iso", "");  // its low 32 bits alone (1 GiB) stay below the limit
    fs::resize_file(data / "big.iso", 5ULL << 30);  // sparse
    Write(top / "docs" / "t.tmp", "top");
    Write(top / "docs" / "keep2.txt", "top kept");

    QStringList items;
    for (const fs::path& p : {data / "keep.txt", data / "old.txt", data / "Fotos \xC3\x84 2" / "bild \xC3\xBC.tmp",
                              data / "build.tmp", data / "big.iso", top / "docs" / "t.tmp", top / "docs" / "keep2.txt"})
        items << QString::fromStdString(p.string());
    TrashCli("trash-put", items);
    ASSERT_TRUE(fs::exists(top / (".Trash-" + std::to_string(getuid())) / "info" / "t.tmp.trashinfo"))
        << "trash-cli did not use the mount-like folder's trash can";

    // Forty-one days back, as trash-cli would have written it then: forty
    // whole days before today's midnight.
    const fs::path oldInfo = base / "xdg" / "Trash" / "info" / "old.txt.trashinfo";
    std::time_t then = std::time(nullptr) - 41 * 86400;
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", std::gmtime(&then));
    std::string info = ReadBytes(oldInfo);
    info.replace(info.find("DeletionDate=") + 13, 19, date);
    Write(oldInfo, info);

    const std::string volume = VolumeNameOfMountPoint(base.string());
    Write(base / "mounts", base.string() + "\n" + top.string() + "\n");
    RunProgram(program, "[Config]\nCheckBoxSizeLowerLimit=1\nFileSizeLowerLimit=4000000\nCheckBoxAge=1\n"
                        "FileOlderThan=30\nRadioGroupLogic=0\nCheckBoxFilePatterns=1\n\n"
                        "[Config MemoExtList]\n0=*.tmp\n\n[CheckListBoxQ]\n0=\\\\TRASH\\" + volume +
                            "\n1=\\\\TRASH\\" + volume + "_TOP\n\n[CheckListBoxQ Checked]\n\\\\TRASH\\" +
                            volume + "=1\n\\\\TRASH\\" + volume + "_TOP=1\n");

    const std::string log = ReadBytes(base / "result.log");
    EXPECT_NE(log.find("     + big.iso  (5.00 GB) [ Deleted: "), std::string::npos) << log;
    EXPECT_NE(log.find("          File size >= 4000000 kB"), std::string::npos) << log;
    EXPECT_NE(log.find(volume + ":\\data\\Fotos \xC3\x84 2\r\n     + bild \xC3\xBC.tmp"), std::string::npos) << log;
    EXPECT_NE(log.find("          Deleted 40 days ago"), std::string::npos) << log;
    EXPECT_NE(log.find("     - keep.txt  (   4) [ Deleted: "), std::string::npos) << log;

    const std::string left = TrashCli("trash-list", {});
    EXPECT_NE(left.find((data / "keep.txt").string()), std::string::npos) << left;
    EXPECT_NE(left.find((top / "docs" / "keep2.txt").string()), std::string::npos) << left;
    EXPECT_EQ(std::count(left.begin(), left.end(), '\n'), 2) << left;
    EXPECT_EQ(ReadBytes(base / "outside" / "target.txt"), "precious");
}

TEST_F(TrashEndToEndTest, WhatGioTrashedIsListedAndPurgedExactlyAndGioAgrees)
{
    const QString program = QCoreApplication::applicationDirPath() + "/morvane";
    if (!QFileInfo(program).isExecutable())
        GTEST_SKIP() << "the program is not built";
    if (!QFileInfo::exists("/usr/bin/gio") || !QFileInfo::exists("/usr/bin/dbus-run-session") ||
        !QFileInfo::exists("/usr/libexec/gvfsd-trash"))
        GTEST_SKIP() << "gio with its trash service is not installed (scripts/setup installs it)";

    const fs::path data = base / "data";
    env.insert("HOME", QString::fromStdString(base.string()));
    const std::string broken = "two\nlines.tmp";
    for (const std::string& name : {std::string("keep.txt"), std::string("old.tmp"), broken})
        Write(data / name, name);
    fs::create_directories(data / "tree.tmp" / "deep");
    RunPeer("/usr/bin/gio", {"trash", QString::fromStdString((data / "keep.txt").string()),
                             QString::fromStdString((data / "old.tmp").string()),
                             QString::fromStdString((data / broken).string()),
                             QString::fromStdString((data / "tree.tmp").string())});
    ASSERT_TRUE(fs::exists(base / "xdg" / "Trash" / "info" / "old.tmp.trashinfo")) << "gio used another trash can";

    const std::string volume = VolumeNameOfMountPoint(base.string());
    Write(base / "mounts", base.string() + "\n");
    RunProgram(program, "[Config]\nCheckBoxFilePatterns=1\nRadioGroupLogic=0\n\n[Config MemoExtList]\n0=*.tmp\n\n"
                        "[CheckListBoxQ]\n0=\\\\TRASH\\" + volume + "\n\n[CheckListBoxQ Checked]\n\\\\TRASH\\" +
                            volume + "=1\n");

    const std::string log = ReadBytes(base / "result.log");
    EXPECT_NE(log.find("     + old.tmp  ("), std::string::npos) << log;
    EXPECT_NE(log.find("     + two%0Alines.tmp  ("), std::string::npos) << "shown escaped, purged all the same\n" << log;
    EXPECT_NE(log.find("     + tree.tmp  ("), std::string::npos) << log;
    EXPECT_NE(log.find("     - keep.txt  ("), std::string::npos) << log;

    const std::string left = RunPeer("/usr/bin/dbus-run-session", {"--", "/usr/bin/gio", "trash", "--list"});
    EXPECT_NE(left.find((data / "keep.txt").string()), std::string::npos) << left;
    EXPECT_EQ(std::count(left.begin(), left.end(), '\n'), 1) << left;
    EXPECT_EQ(std::distance(fs::directory_iterator(base / "xdg" / "Trash" / "files"), fs::directory_iterator()), 1);
}

// A shared .Trash that any user could empty of others' cans is not used, and
// the log of the unattended run says so; the run ends with status 3.
TEST_F(TrashEndToEndTest, AnUnusableSharedTrashIsALineOfTheLogAndEndsTheRunWithStatusThree)
{
    const QString program = QCoreApplication::applicationDirPath() + "/morvane";
    if (!QFileInfo(program).isExecutable())
        GTEST_SKIP() << "the program is not built";

    const fs::path top = base / "top", can = top / (".Trash-" + std::to_string(getuid()));
    fs::create_directories(top / ".Trash");
    fs::permissions(top / ".Trash", fs::perms::all);  // no sticky bit
    for (const std::string name : {"a.tmp", "b.txt"}) {
        Write(can / "files" / name, name);
        Write(can / "info" / (name + ".trashinfo"),
              "[Trash Info]\nPath=docs/" + name + "\nDeletionDate=2024-03-01T12:00:00\n");
    }
    const std::string volume = VolumeNameOfMountPoint(top.string());
    Write(base / "mounts", top.string() + "\n");
    RunProgram(program,
               "[Config]\nCheckBoxFilePatterns=1\nRadioGroupLogic=0\n\n[Config MemoExtList]\n0=*.tmp\n\n"
               "[CheckListBoxQ]\n0=\\\\TRASH\\" + volume + "\n\n[CheckListBoxQ Checked]\n\\\\TRASH\\" + volume + "=1\n",
               3);

    const std::string log = ReadBytes(base / "result.log");
    EXPECT_NE(log.find("\r\n     Trash can " + (top / ".Trash").string() +
                       " is not used: it is shared by every user but has no sticky bit"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("     + a.tmp  ("), std::string::npos) << "the user's own can is used\n" << log;
    EXPECT_FALSE(fs::exists(can / "files" / "a.tmp"));
    EXPECT_TRUE(fs::exists(can / "files" / "b.txt"));
}

// A tmpfs of 8 MB, mounted in a mount namespace of its own, holding six
// trashed files of 1 MB deleted on six days: "Purge until free" 4 MB purges
// the three oldest, and df then shows at least 4 MB available.
TEST_F(TrashEndToEndTest, PurgeUntilFreeOnATmpfsFreesTheSpaceWithTheOldestItems)
{
    const QString program = QCoreApplication::applicationDirPath() + "/morvane";
    if (!QFileInfo(program).isExecutable())
        GTEST_SKIP() << "the program is not built";
    if (getuid() != 0 || !QFileInfo::exists("/usr/bin/unshare"))
        GTEST_SKIP() << "mounting a tmpfs needs root and unshare (util-linux)";

    const fs::path mount = base / "tmpfs";
    fs::create_directories(mount);
    const std::string volume = VolumeNameOfMountPoint(mount.string());
    Write(base / "mounts", mount.string() + "\n");
    Write(base / "morvane.ini", "[Config]\nCheckBoxUntilFree=1\nUntilFreeSize=4\nRadioGroupLogic=0\n"
                                "CheckBoxFilePatterns=0\n\n[CheckListBoxQ]\n0=\\\\TRASH\\" + volume +
                                    "\n\n[CheckListBoxQ Checked]\n\\\\TRASH\\" + volume + "=1\n");
    // The trash can written as a desktop's file manager writes it, then the
    // program, then df and what is left, all inside the namespace.
    const std::string script = R"(set -eu
mount -t tmpfs -o size=8m tmpfs "$MNT"
mkdir -p "$MNT/.Trash-0/files" "$MNT/.Trash-0/info"
for day in 1 2 3 4 5 6; do
    head -c 1048576 /dev/zero > "$MNT/.Trash-0/files/day$day.bin"
    printf '[Trash Info]\nPath=data/day%s.bin\nDeletionDate=2024-01-0%sT12:00:00\n' $day $day \
        > "$MNT/.Trash-0/info/day$day.bin.trashinfo"
done
df -B1 --output=avail "$MNT" | tail -n 1 > "$OUT/before"
"$PROGRAM" c=trash auto "ini=$OUT/morvane.ini" "log=$OUT/result.log"
df -B1 --output=avail "$MNT" | tail -n 1 > "$OUT/after"
ls "$MNT/.Trash-0/files" > "$OUT/left"
)";
    QProcess run;
    QProcessEnvironment programEnv = env;
    programEnv.insert("MORVANE_TRASH_MOUNTS", QString::fromStdString((base / "mounts").string()));
    programEnv.insert("MNT", QString::fromStdString(mount.string()));
    programEnv.insert("OUT", QString::fromStdString(base.string()));
    programEnv.insert("PROGRAM", program);
    run.setProcessEnvironment(programEnv);
    run.start("/usr/bin/unshare", {"--mount", "--propagation", "private", "/bin/sh", "-c",
                                   QString::fromStdString(script)});
    ASSERT_TRUE(run.waitForFinished(60000));
    const std::string errors = run.readAllStandardError().toStdString();
    if (run.exitCode() != 0 && !fs::exists(base / "before"))
        GTEST_SKIP() << "no tmpfs could be mounted here: " << errors;
    ASSERT_EQ(run.exitCode(), 0) << errors;

    EXPECT_LT(std::stoull(ReadBytes(base / "before")), 4ULL << 20);
    EXPECT_GE(std::stoull(ReadBytes(base / "after")), 4ULL << 20) << "df after the purge";
    EXPECT_EQ(ReadBytes(base / "left"), "day4.bin\nday5.bin\nday6.bin\n");
    const std::string log = ReadBytes(base / "result.log");
    EXPECT_NE(log.find("     + day1.bin  (1.00 MB) [ Deleted: 2024-01-01 12:00:00 by root ]\r\n"
                       "          oldest, to free 4.00 MB\r\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("     - day4.bin  (1.00 MB)"), std::string::npos) << log;
}

// Folders that differ only in letter case, and folders whose names look like
// another's when shown carelessly, are all walked and purged in one job; a
// start path typed in a case that matches two folders is refused as
// ambiguous, purges nothing below it and makes the run end with status 3.
TEST_F(TrashEndToEndTest, FoldersDifferingInCaseAreAllPurgedAndAnAmbiguousStartPathPurgesNothing)
{
    const QString program = QCoreApplication::applicationDirPath() + "/morvane";
    if (!QFileInfo(program).isExecutable())
        GTEST_SKIP() << "the program is not built";
    const fs::path can = base / "xdg" / "Trash";
    const std::pair<const char*, std::string> items[] = {
        {"p1.tmp", "/data/Photos/p1.tmp"},      {"p2.tmp", "/data/photos/p2.tmp"},
        {"b.tmp", "/data/DOCS/b.tmp"},          {"d.tmp", "/data/docs/d.tmp"},
        {"m.tmp", "/data/Mail%0Aews/m.tmp"},    {"n.tmp", "/data/Mail/news/n.tmp"},
        {"u.tmp", "/(Unknown Origin)/u.tmp"},   {"c.tmp", "/data/Meeting 10:30/c.tmp"},
    };
    for (const auto& [name, path] : items) {
        Write(can / "files" / name, name);
        Write(can / "info" / (std::string(name) + ".trashinfo"),
              "[Trash Info]\nPath=" + base.string() + path + "\nDeletionDate=2024-03-01T13:45:07\n");
    }
    Write(can / "files" / "orphan.tmp", "no .trashinfo");
    const std::string volume = VolumeNameOfMountPoint(base.string());
    Write(base / "mounts", base.string() + "\n");
    const std::string root = "\\\\TRASH\\" + volume;
    // The ambiguous path first: a job that stopped at it would purge nothing.
    RunProgram(program,
               "[Config]\nCheckBoxFilePatterns=1\nRadioGroupLogic=0\nRadioGroupOptions=2\n\n[Config MemoExtList]\n"
               "0=*.tmp\n\n[CheckListBoxQ]\n0=" + root + "\\data\\PHOTOS\n1=" + root + "\\data\\Photos\n2=" + root +
                   "\n\n[CheckListBoxQ Checked]\n" + root + "\\data\\PHOTOS=1\n" + root + "\\data\\Photos=1\n" + root +
                   "=1\n",
               3);

    const std::string log = ReadBytes(base / "result.log");
    EXPECT_NE(log.find("Deleted Files  under " + root + "\\data\\PHOTOS (sub)\r\n\r\n     Path not resolved: "
                       "SplitNetWarePath returned error 0x89F0"),
              std::string::npos)
        << log;
    for (const char* folder : {"data\\Photos", "data\\photos", "data\\DOCS", "data\\docs", "data\\Mail%0Aews",
                               "data\\Mail\\news", "(Unknown Origin)", "data\\Meeting 10%3A30", "(unknown origin)"})
        EXPECT_NE(log.find(volume + ":\\" + folder + "\r\n     + "), std::string::npos) << folder << "\n" << log;
    EXPECT_EQ(std::distance(fs::directory_iterator(can / "files"), fs::directory_iterator()), 0) << log;
}

// A name of 255 bytes that all show escaped is three times as long shown: it
// is written whole in the list and the log, and the item is purged by its
// whole name; one that differs from it in its last byte only is not.
TEST_F(TrashEndToEndTest, ANameOf255EscapedBytesIsLoggedWholeAndPurged)
{
    const QString program = QCoreApplication::applicationDirPath() + "/morvane";
    if (!QFileInfo(program).isExecutable())
        GTEST_SKIP() << "the program is not built";
    const char escaped[] = {'\t', '\\', ':', '\n', '\x01', '\x7F'};
    std::string encoded;  // as the .trashinfo holds it, and as the program shows it
    for (int i = 0; i < 251; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(escaped[i % std::size(escaped)]));
        encoded += hex;
    }
    const fs::path can = base / "xdg" / "Trash";
    for (const std::string ending : {".tmp", ".tmq"}) {
        Write(can / "files" / ("long" + ending), "x");
        Write(can / "info" / ("long" + ending + ".trashinfo"), "[Trash Info]\nPath=" + base.string() + "/data/" +
                                                                   encoded + ending +
                                                                   "\nDeletionDate=2024-03-01T13:45:07\n");
    }
    Write(base / "mounts", base.string() + "\n");
    const std::string root = "\\\\TRASH\\" + VolumeNameOfMountPoint(base.string());
    RunProgram(program, "[Config]\nCheckBoxFilePatterns=1\nRadioGroupLogic=0\nRadioGroupOptions=2\n\n"
                        "[Config MemoExtList]\n0=*.tmp\n\n[CheckListBoxQ]\n0=" + root + "\\data\n");

    const std::string log = ReadBytes(base / "result.log");
    EXPECT_NE(log.find("     + " + encoded + ".tmp  ("), std::string::npos) << log;
    EXPECT_NE(log.find("     - " + encoded + ".tmq  ("), std::string::npos) << log;
    EXPECT_FALSE(fs::exists(can / "files" / "long.tmp")) << log;
    EXPECT_TRUE(fs::exists(can / "files" / "long.tmq")) << log;
}

}  // namespace
