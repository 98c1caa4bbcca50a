// SPDX-License-Identifier: GPL-3.0-or-later
// The result log file: exact bytes, replacement of an old log, failures that
// name the file, a read-only log left alone.
#include "app/ResultLog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/resource.h>

namespace {

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

class ResultLogTest : public ::testing::Test {
protected:
    std::string PathOf(const char* name) const { return QDir(dir.path()).filePath(name).toStdString(); }
    QStringList FolderEntries() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir dir;
};

TEST_F(ResultLogTest, EveryLineEndsWithCrLfAndBytesPassUnchanged)
{
    const std::string path = PathOf("job.log");
    SaveResultLog({"Deleted Files  under \\\\SRV1\\VOL1\\DATA (sub)", "", "     + A.TMP  (   1 kB)",
                   "caf\xe9 \x80", ""},
                  path);
    EXPECT_EQ(ReadBytes(path),
              "Deleted Files  under \\\\SRV1\\VOL1\\DATA (sub)\r\n\r\n     + A.TMP  (   1 kB)\r\n"
              "caf\xe9 \x80\r\n\r\n");
}

TEST_F(ResultLogTest, EmptyListGivesEmptyFileAndReplacesLongerLog)
{
    const std::string path = PathOf("job.log");
    WriteBytes(path, "an older and much longer log\r\nwith two lines\r\n");
    SaveResultLog(std::vector<std::string>{}, path);
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(path)));
    EXPECT_EQ(ReadBytes(path), "");
    EXPECT_EQ(FolderEntries(), QStringList{"job.log"}) << "no temporary file may stay behind";
}

TEST_F(ResultLogTest, UnwritableNameRaisesErrorNamingTheFile)
{
    const std::string path = PathOf("missing-folder/job.log");
    try {
        SaveResultLog({"x"}, path);
        FAIL() << "expected ResultLogError";
    } catch (const ResultLogError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + path + "\". No such file or directory");
    }
}

TEST_F(ResultLogTest, FolderInPlaceOfTheLogIsRefusedAndLeftAlone)
{
    QDir(dir.path()).mkdir("job.log");
    EXPECT_THROW(SaveResultLog({"x"}, PathOf("job.log")), ResultLogError);
    EXPECT_TRUE(QFileInfo(QString::fromStdString(PathOf("job.log"))).isDir());
    EXPECT_TRUE(FolderEntries().isEmpty()) << "no temporary file may stay behind";
}

// A write that fails halfway (here: the file-size limit is hit, which stops
// writes even for root) is reported naming the file; no temporary file is left.
TEST_F(ResultLogTest, FailedWriteIsReportedNamingTheFile)
{
    const std::string path = PathOf("job.log");
    WriteBytes(path, "old log\r\n");

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    std::string message;
    try {
        SaveResultLog(std::vector<std::string>(100, "a line that together with the others exceeds the limit"), path);
    } catch (const ResultLogError& e) {
        message = e.what();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(message.rfind("Cannot write file \"" + path + "\". ", 0), 0u) << message;
    EXPECT_EQ(FolderEntries(), QStringList{"job.log"});
}

TEST_F(ResultLogTest, ReadOnlyLogIsRefusedUnchanged)
{
    const std::string path = PathOf("job.log");
    WriteBytes(path, "old log\r\n");
    QFile::setPermissions(QString::fromStdString(path), QFileDevice::ReadOwner | QFileDevice::ReadOther);
    try {
        SaveResultLog({"x"}, path);
        FAIL() << "expected ResultLogError";
    } catch (const ResultLogError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + path + "\". Permission denied");
    }
    EXPECT_EQ(ReadBytes(path), "old log\r\n");
}

}  // namespace
