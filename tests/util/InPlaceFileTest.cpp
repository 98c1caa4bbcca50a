// SPDX-License-Identifier: GPL-3.0-or-later
// Rewriting a file in place: a pre-created log in a folder the user may not
// write to, links followed, pipes without a reader refused instead of waited
// for. (Read-only files: ResultLogTest.)
#include "util/InPlaceFile.h"
#include "tests/common/AsNobody.h"

#include <QTemporaryDir>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Rewrite(const fs::path& path, const std::string& bytes)
{
    InPlaceFile file(path.string());
    file.Write(bytes);
    file.Commit();
}

// The errno with which a rewrite fails at the step, 0 when it succeeds.
int RewriteError(const fs::path& path, InPlaceFileStep expectedStep)
{
    try {
        Rewrite(path, "new\r\n");
    } catch (const InPlaceFileError& e) {
        EXPECT_EQ(e.step(), expectedStep);
        EXPECT_NE(std::string(e.what()).find(path.string()), std::string::npos) << e.what();
        return e.error();
    }
    return 0;
}

// Runs the rewrite as an ordinary user (nobody, when the suite runs as root).
// Returns the errno with which it failed, "0" on success.
std::string RewriteAsOrdinaryUser(const fs::path& path, const std::string& bytes)
{
    return AsOrdinaryUser([&] {
        try {
            Rewrite(path, bytes);
        } catch (const InPlaceFileError& e) {
            return std::to_string(e.error());
        }
        return std::string("0");
    });
}

class InPlaceFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    fs::path root{dir.path().toStdString()};
};

// The usual set-up under /var/log: the administrator made the file writable
// for the job's user, the folder is not. The file keeps its inode.
TEST_F(InPlaceFileTest, PreCreatedLogInAFolderTheUserCannotWriteTo)
{
    const fs::path folder = root / "logs";
    const fs::path log = folder / "purge.log";
    fs::create_directory(folder);
    std::ofstream(log) << "an older and longer log\r\n";
    fs::permissions(log, fs::perms(0666));
    fs::permissions(folder, fs::perms(0555));
    fs::permissions(root, fs::perms(0755));  // nobody must reach the folder
    struct stat before {};
    ASSERT_EQ(::stat(log.c_str(), &before), 0);

    EXPECT_EQ(RewriteAsOrdinaryUser(log, "line\r\n"), "0");
    EXPECT_EQ(RewriteAsOrdinaryUser(folder / "new.log", "x"), std::to_string(EACCES)) << "the folder itself stays closed";

    struct stat after {};
    ASSERT_EQ(::stat(log.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode & 07777, 0666u);
    EXPECT_EQ(ReadBytes(log), "line\r\n");
    fs::permissions(folder, fs::perms(0755));
}

TEST_F(InPlaceFileTest, LinkIsFollowedAndStaysALink)
{
    fs::create_directory(root / "real");
    std::ofstream(root / "real" / "purge.log") << "old\r\n";
    fs::create_symlink(root / "real" / "purge.log", root / "purge.log");
    Rewrite(root / "purge.log", "new\r\n");
    EXPECT_TRUE(fs::is_symlink(root / "purge.log"));
    EXPECT_EQ(ReadBytes(root / "real" / "purge.log"), "new\r\n");

    // A dangling link creates the file it points to.
    fs::create_symlink(root / "real" / "later.log", root / "later.log");
    Rewrite(root / "later.log", "made\r\n");
    EXPECT_EQ(ReadBytes(root / "real" / "later.log"), "made\r\n");
}

TEST_F(InPlaceFileTest, PipeWithoutReaderIsRefusedAndNotWaitedFor)
{
    const fs::path pipe = root / "fifo";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(RewriteError(pipe, InPlaceFileStep::Open), ENXIO);
    EXPECT_EQ(RewriteError("", InPlaceFileStep::Open), ENOENT);
    EXPECT_EQ(RewriteError(root, InPlaceFileStep::Open), EISDIR);
}

}  // namespace
