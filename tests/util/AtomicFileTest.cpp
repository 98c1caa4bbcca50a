// SPDX-License-Identifier: GPL-3.0-or-later
// The atomic file writer: content streamed in pieces, a replacement abandoned
// midway leaving the old file and no temporary file, and each failure reported
// with its step and errno.
#include "util/AtomicFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/atomicfile-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
    void Put(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(PathOf(name), std::ios::binary) << bytes;
    }
    std::string Bytes(const std::string& name) const
    {
        std::ifstream in(PathOf(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::set<std::string> Entries() const
    {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_))
            names.insert(entry.path().filename().string());
        return names;
    }
    unsigned ModeOf(const std::string& name) const
    {
        struct stat info {};
        EXPECT_EQ(::stat(PathOf(name).c_str(), &info), 0);
        return info.st_mode & 07777;
    }

    // Runs a replacement expected to fail and returns its error.
    template <typename Call>
    AtomicFileError FailureOf(Call call)
    {
        try {
            call();
        } catch (const AtomicFileError& error) {
            return error;
        }
        ADD_FAILURE() << "no AtomicFileError";
        return AtomicFileError(AtomicFileStep::Write, 0, "");
    }

    std::filesystem::path dir_;
};

TEST_F(AtomicFileTest, PiecesAreJoinedAndTheFileAppearsOnlyAtCommit)
{
    AtomicFile file(PathOf("out"));
    file.Write("first ");
    file.Write("");
    file.Write(std::string(200000, 'x'));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out"));
    file.Commit();
    EXPECT_EQ(Bytes("out"), "first " + std::string(200000, 'x'));
    EXPECT_EQ(Entries(), std::set<std::string>{"out"});
}

// The data source breaking off (an exception from whoever feeds the pieces)
// abandons the replacement.
TEST_F(AtomicFileTest, AbandonedReplacementKeepsOldFileAndLeavesNothingBehind)
{
    Put("out", "old");
    try {
        AtomicFile file(PathOf("out"));
        file.Write("partial new content");
        throw std::runtime_error("source failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(Bytes("out"), "old");
    EXPECT_EQ(Entries(), std::set<std::string>{"out"});
}

TEST_F(AtomicFileTest, FailuresNameTheirStepAndErrno)
{
    const auto missingFolder = FailureOf([&] { AtomicFile(PathOf("no/out")); });
    EXPECT_EQ(missingFolder.step(), AtomicFileStep::CreateTemporary);
    EXPECT_EQ(missingFolder.error(), ENOENT);

    const auto empty = FailureOf([] { AtomicFile(""); });
    EXPECT_EQ(empty.step(), AtomicFileStep::CreateTemporary);
    EXPECT_EQ(empty.error(), ENOENT);

    std::filesystem::create_directory(dir_ / "folder");
    const auto folderInPlace = FailureOf([&] {
        AtomicFile file(PathOf("folder"));
        file.Commit();
    });
    EXPECT_EQ(folderInPlace.step(), AtomicFileStep::Rename);
    EXPECT_EQ(folderInPlace.error(), EISDIR);
    EXPECT_EQ(Entries(), std::set<std::string>{"folder"});
}

TEST_F(AtomicFileTest, FaultIsAskedBeforeEveryStepAndFailsThatStep)
{
    Put("out", "old");
    std::vector<AtomicFileStep> asked;
    AtomicFileOptions options;
    options.refuseReadOnly = true;
    options.fault = [&](AtomicFileStep step) {
        asked.push_back(step);
        return step == AtomicFileStep::Sync ? EIO : 0;
    };
    const auto error = FailureOf([&] {
        AtomicFile file(PathOf("out"), options);
        file.Write("a");
        file.Write("b");
        file.Commit();
    });
    EXPECT_EQ(error.step(), AtomicFileStep::Sync);
    EXPECT_EQ(error.error(), EIO);
    EXPECT_EQ(asked, (std::vector<AtomicFileStep>{AtomicFileStep::CheckTarget, AtomicFileStep::CreateTemporary,
                                                   AtomicFileStep::Write, AtomicFileStep::Write,
                                                   AtomicFileStep::Sync}));
    EXPECT_EQ(Bytes("out"), "old");
    EXPECT_EQ(Entries(), std::set<std::string>{"out"});
}

// Without the options a replacement behaves as creating a new file would: the
// umask decides the mode and a link at the path is itself replaced.
TEST_F(AtomicFileTest, PlainReplacementTakesModeFromTheUmaskAndReplacesALink)
{
    const mode_t savedMask = ::umask(027);
    Put("real", "old");
    ::chmod(PathOf("real").c_str(), 0600);
    ASSERT_EQ(::symlink(PathOf("real").c_str(), PathOf("link").c_str()), 0);
    {
        AtomicFile file(PathOf("real"));
        file.Write("new");
        file.Commit();
    }
    {
        AtomicFile file(PathOf("link"));
        file.Write("instead of the link");
        file.Commit();
    }
    ::umask(savedMask);

    EXPECT_EQ(ModeOf("real"), 0640u);
    EXPECT_EQ(Bytes("real"), "new");
    EXPECT_FALSE(std::filesystem::is_symlink(dir_ / "link"));
    EXPECT_EQ(Bytes("link"), "instead of the link");
}

TEST_F(AtomicFileTest, FoldersAreMadeForANewFileOnlyWhenAsked)
{
    AtomicFileOptions options;
    options.createFolders = true;
    AtomicFile file(PathOf("a/b/out"), options);
    file.Write("x");
    file.Commit();
    EXPECT_EQ(Bytes("a/b/out"), "x");
    EXPECT_EQ(ModeOf("a/b"), 0700u);
}

TEST_F(AtomicFileTest, RelativeToAnOpenFolderEvenWhenItsPathNowLeadsElsewhere)
{
    ASSERT_EQ(::mkdir(PathOf("can").c_str(), 0700), 0);
    Put("can/cache", "old");
    ::chmod(PathOf("can/cache").c_str(), 0604);
    const int folder = ::open(PathOf("can").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    // The folder's path is taken by another folder after it was opened.
    ASSERT_EQ(::rename(PathOf("can").c_str(), PathOf("moved").c_str()), 0);
    ASSERT_EQ(::mkdir(PathOf("can").c_str(), 0700), 0);
    {
        AtomicFileOptions options;
        options.folder = folder;
        options.keepMode = true;
        options.createFolders = true;
        AtomicFile file("cache", options);
        file.Write("new");
        file.Commit();
        AtomicFile deeper("sub/new", options);
        deeper.Write("x");
        deeper.Commit();
    }
    ::close(folder);
    EXPECT_EQ(Bytes("moved/cache"), "new");
    EXPECT_EQ(ModeOf("moved/cache"), 0604u);
    EXPECT_EQ(Bytes("moved/sub/new"), "x");
    EXPECT_TRUE(std::filesystem::is_empty(dir_ / "can"));
}

// Others may place files in the folder: a hard link to another file, a pipe
// or a link at a temporary name is passed over untouched, and a link at the
// path lends the new file nothing.
TEST_F(AtomicFileTest, NamesTakenByOthersAreNeitherOpenedNorLookedThrough)
{
    Put("other", "not mine");
    ::chmod(PathOf("other").c_str(), 0755);
    const std::string temporary = "cache.tmp-" + std::to_string(::getpid()) + "-";
    ASSERT_EQ(::link(PathOf("other").c_str(), PathOf(temporary + "0").c_str()), 0);
    ASSERT_EQ(::mkfifo(PathOf(temporary + "1").c_str(), 0600), 0);
    ASSERT_EQ(::symlink(PathOf("other").c_str(), PathOf(temporary + "2").c_str()), 0);
    ASSERT_EQ(::symlink(PathOf("other").c_str(), PathOf("cache").c_str()), 0);
    const int folder = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    const mode_t savedMask = ::umask(077);
    {
        AtomicFileOptions options;
        options.folder = folder;
        options.keepMode = true;
        AtomicFile file("cache", options);
        file.Write("new");
        file.Commit();
    }
    ::umask(savedMask);
    ::close(folder);
    EXPECT_EQ(Bytes("other"), "not mine");
    EXPECT_EQ(ModeOf("other"), 0755u);
    EXPECT_FALSE(std::filesystem::is_symlink(dir_ / "cache"));
    EXPECT_EQ(Bytes("cache"), "new");
    EXPECT_EQ(ModeOf("cache"), 0600u) << "the mode of the file behind the link is not taken";
    EXPECT_EQ(Entries().size(), 5u) << "the names taken stay, and nothing else is left";
}

TEST_F(AtomicFileTest, LockKeepsASecondHolderOutAndLeavesNoSidecar)
{
    {
        const AtomicFileLock held(PathOf("out"));
        EXPECT_EQ(Entries(), std::set<std::string>{"out.lock"});
        const auto waited = FailureOf([&] { AtomicFileLock(PathOf("out"), std::chrono::milliseconds(30)); });
        EXPECT_EQ(waited.step(), AtomicFileStep::Lock);
        EXPECT_EQ(waited.error(), EWOULDBLOCK);
    }
    EXPECT_TRUE(Entries().empty());
    { const AtomicFileLock again(PathOf("out"), std::chrono::milliseconds(0)); }

    // Through a link the lock is the one of the file behind it.
    Put("real", "");
    ASSERT_EQ(::symlink(PathOf("real").c_str(), PathOf("link").c_str()), 0);
    EXPECT_EQ(AtomicFileLock(PathOf("link")).LockPath(), PathOf("real.lock"));

    const auto noFolder = FailureOf([&] { AtomicFileLock(PathOf("no/out")); });
    EXPECT_EQ(noFolder.error(), ENOENT);
}

}  // namespace
