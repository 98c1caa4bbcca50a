// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a file whole: regular files only, links and limits as asked, and a
// pipe refused instead of waited for.
#include "util/FileText.h"

#include <QTemporaryDir>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

class FileTextTest : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return dir.filePath(name).toStdString(); }
    void Write(const char* name, const std::string& bytes) const
    {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }

    QTemporaryDir dir;
};

TEST_F(FileTextTest, ReadsWholeFilesDirectlyThroughLinksOrFromAnOpenFolder)
{
    const std::string bytes("one\r\ntwo\0three", 14);
    Write("file", bytes);
    ASSERT_EQ(symlink("file", Path("link").c_str()), 0);
    std::string text = "old";
    EXPECT_EQ(ReadFileText(Path("file"), text), 0);
    EXPECT_EQ(text, bytes);
    EXPECT_EQ(ReadFileText(Path("link"), text), 0);
    EXPECT_EQ(text, bytes);

    const int folder = open(dir.path().toLocal8Bit().constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    EXPECT_EQ(ReadFileText("file", text, {.folder = folder, .limit = bytes.size()}), 0);
    EXPECT_EQ(text, bytes);
    EXPECT_EQ(ReadFileText("file", text, {.folder = folder, .limit = bytes.size() - 1}), EFBIG);
    EXPECT_EQ(text, "");
    EXPECT_EQ(ReadFileText("link", text, {.folder = folder, .followLinks = false}), ELOOP);
    EXPECT_EQ(text, "");
    // What was opened is told too, also when it was too large to read.
    struct stat opened {}, looked {};
    ASSERT_EQ(stat(Path("file").c_str(), &looked), 0);
    EXPECT_EQ(ReadFileText("link", text, {.folder = folder, .limit = 1, .opened = &opened}), EFBIG);
    EXPECT_EQ(opened.st_ino, looked.st_ino);
    EXPECT_EQ(opened.st_size, 14);
    close(folder);

    // Files under /proc say they are empty; they are read to their end, and
    // the limit still holds.
    EXPECT_EQ(ReadFileText("/proc/self/mountinfo", text), 0);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(ReadFileText("/proc/self/mountinfo", text, {.limit = 4}), EFBIG);
}

TEST_F(FileTextTest, WhatIsNoRegularFileIsRefusedWithoutWaitingOrFlooding)
{
    std::string text;
    EXPECT_EQ(ReadFileText(Path("missing"), text), ENOENT);
    EXPECT_EQ(ReadFileText(dir.path().toStdString(), text), EISDIR);
    ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
    EXPECT_EQ(ReadFileText(Path("fifo"), text), EINVAL);
    EXPECT_EQ(ReadFileText("/dev/zero", text), EINVAL);
    EXPECT_EQ(text, "");
}

// A file larger than one read is read whole, each read asking no more than
// what is left of the size.
TEST_F(FileTextTest, AFileLargerThanOneReadIsReadWhole)
{
    const std::string bytes = std::string(200'000, 'x') + "end";
    Write("large", bytes);
    std::string text;
    EXPECT_EQ(ReadFileText(Path("large"), text), 0);
    EXPECT_EQ(text, bytes);
    EXPECT_EQ(ReadFileText(Path("large"), text, {.limit = bytes.size() - 1}), EFBIG);
}
