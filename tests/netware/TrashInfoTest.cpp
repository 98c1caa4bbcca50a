// SPDX-License-Identifier: GPL-3.0-or-later
// Reading .trashinfo files and the directorysizes cache.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "netware/trash/CanFiles.h"
#include "netware/trash/TrashInfo.h"

namespace {

TEST(TrashInfoTest, KeysCountOnlyInTheTrashInfoGroupAndDatesMustBeReal)
{
    TrashInfo info = ParseTrashInfo("[Other]\nPath=/wrong\n[Trash Info]\r\nPath=/home/a/x%20y\r\n"
                                    "DeletionDate=2024-02-29T23:59:58\r\nPath=/second\n");
    ASSERT_TRUE(info.path.has_value());
    EXPECT_EQ(*info.path, "/home/a/x y");
    ASSERT_TRUE(info.deletionDate.has_value());
    EXPECT_EQ(info.deletionDate->tm_year, 124);
    EXPECT_EQ(info.deletionDate->tm_mday, 29);
    EXPECT_EQ(info.deletionDate->tm_sec, 58);

    EXPECT_FALSE(ParseTrashInfo("Path=/x\nDeletionDate=2024-01-01T00:00:00\n").path.has_value());
    for (const char* date : {"2023-02-29T10:00:00", "2024-13-01T10:00:00", "2024-01-01T24:00:00", "2024-01-01",
                             "yesterday", "2024-01-01 10:00:00"}) {
        SCOPED_TRACE(date);
        EXPECT_FALSE(ParseDeletionDate(date).has_value());
    }
    EXPECT_TRUE(ParseDeletionDate("2024-01-01T10:00:00.123+01:00").has_value());
}

TEST(TrashInfoTest, DirectorySizesLineOfAPurgedFolderIsRemovedAndTheRestKept)
{
    QTemporaryDir dir;
    const std::string can = dir.path().toStdString();
    {
        std::ofstream out(can + "/directorysizes");
        out << "4096 1700000000 keep%20me\n123 1700000001 gone%C3%A4\n";
    }
    DirectorySizes sizes = ParseDirectorySizes("4096 1700000000 keep%20me\nbroken line\n");
    ASSERT_EQ(sizes.count("keep me"), 1u);
    EXPECT_EQ(sizes["keep me"].size, 4096u);
    EXPECT_EQ(sizes["keep me"].infoMtime, 1700000000);

    const int canFd = open(can.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(canFd, 0);
    EXPECT_EQ(RemoveDirectorySizesLines(canFd, {"gone\xC3\xA4"}), 0);
    std::ifstream in(can + "/directorysizes");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "4096 1700000000 keep%20me\n");
    unlink((can + "/directorysizes").c_str());
    EXPECT_EQ(RemoveDirectorySizesLines(canFd, {"x"}), 0) << "no cache, nothing to do";
    close(canFd);
}

}  // namespace
