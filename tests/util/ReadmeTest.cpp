// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a text file into a memo, and the read-me beside the program or in
// the data folder of an installation.
#include "util/Readme.h"

#include "util/ProgramArguments.h"
#include "tests/common/AsNobody.h"

#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class ReadmeTest : public testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return dir_.filePath(QString::fromStdString(name)).toStdString(); }

    std::string Write(const std::string& name, const std::string& content) const
    {
        std::string path = PathOf(name);
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    static QStringList Lines(QPlainTextEdit& memo)
    {
        QStringList lines;
        for (QTextBlock b = memo.document()->begin(); b.isValid(); b = b.next())
            lines << b.text();
        if (memo.document()->isEmpty())
            lines.clear();
        return lines;
    }

    QTemporaryDir dir_;
    QPlainTextEdit memo_;
};

} // namespace

TEST_F(ReadmeTest, FileLinesReplaceEverything)
{
    memo_.setPlainText("old content");
    LoadMemoFile(&memo_, Write("a.txt", "first\r\nsecond\nthird\rfourth\r\n"));
    EXPECT_EQ(Lines(memo_), QStringList({"first", "second", "third", "fourth"}));
}

TEST_F(ReadmeTest, BlankLinesInsideTheFileSurvive)
{
    LoadMemoFile(&memo_, Write("a.txt", "one\r\n\r\n\r\ntwo"));
    EXPECT_EQ(Lines(memo_), QStringList({"one", "", "", "two"}));
}

TEST_F(ReadmeTest, MissingFileGivesExactlyTheNotFoundLine)
{
    const std::string path = PathOf("missing.txt");
    LoadMemoFile(&memo_, path);
    EXPECT_EQ(Lines(memo_), QStringList({QString::fromStdString("Could not find " + path)}));
}

TEST_F(ReadmeTest, NotFoundLineIsAppendedToWhatTheMemoHolds)
{
    memo_.setPlainText("kept");
    LoadMemoFile(&memo_, PathOf("missing.txt"));
    ASSERT_EQ(Lines(memo_).size(), 2);
    EXPECT_EQ(Lines(memo_)[0], "kept");
}

TEST_F(ReadmeTest, DirectoryOfThatNameCountsAsMissing)
{
    const std::string path = PathOf("morvane.txt");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(path)));
    LoadMemoFile(&memo_, path);
    EXPECT_EQ(Lines(memo_), QStringList({QString::fromStdString("Could not find " + path)}));
}

TEST_F(ReadmeTest, EmptyFileGivesAnEmptyMemo)
{
    LoadMemoFile(&memo_, Write("empty.txt", ""));
    EXPECT_TRUE(memo_.toPlainText().isEmpty());
}

TEST_F(ReadmeTest, UnreadableFileKeepsTheNotFoundLine)
{
    const std::string path = Write("locked.txt", "secret");
    ::chmod(path.c_str(), 0);
    ::chmod(dir_.path().toLocal8Bit().constData(), 0755);  // the folder itself stays reachable
    const QStringList expected{QString::fromStdString("Could not find " + path)};
    // Root reads files whatever their mode, so as root the load runs as nobody.
    EXPECT_EQ(AsOrdinaryUser([&] {
        LoadMemoFile(&memo_, path);
        return std::string(Lines(memo_) == expected ? "" : "the unreadable file was shown");
    }), "");
}

TEST_F(ReadmeTest, PipeOfThatNameCountsAsMissingAndDoesNotBlock)
{
    const std::string path = PathOf("fifo.txt");
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    LoadMemoFile(&memo_, path);
    EXPECT_EQ(Lines(memo_), QStringList({QString::fromStdString("Could not find " + path)}));
}

TEST_F(ReadmeTest, EightBitTextIsReadInTheLocalCodePage)
{
    LoadMemoFile(&memo_, Write("u.txt", QString::fromUtf8("Gr\u00fc\u00dfe").toLocal8Bit().toStdString()));
    EXPECT_EQ(memo_.toPlainText(), QString::fromUtf8("Gr\u00fc\u00dfe"));
}

TEST_F(ReadmeTest, LoadReadmeReadsTheProgramsNameWithTxt)
{
    auto saved = ProgramArguments();
    SetProgramArguments({PathOf("tool")});
    LoadReadme(&memo_);
    EXPECT_EQ(Lines(memo_), QStringList({QString::fromStdString("Could not find " + PathOf("tool.txt"))}));

    Write("tool.txt", "Read me\n");
    memo_.clear();
    LoadReadme(&memo_);
    EXPECT_EQ(Lines(memo_), QStringList({"Read me"}));
    SetProgramArguments(saved);
}

// An installed program lies in <prefix>/bin, its read-me in <prefix>/share/morvane;
// in the build folder the read-me lies beside the program, and that one wins.
TEST_F(ReadmeTest, ReadmeIsFoundBesideTheProgramOrInTheInstalledDataFolder)
{
    auto saved = ProgramArguments();
    const std::string installed =
        (std::filesystem::path(PathOf("bin")) / MORVANE_README_DIR_FROM_PROGRAM / "morvane.txt").lexically_normal();
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(std::filesystem::path(installed).parent_path().string())));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(PathOf("bin"))));
    SetProgramArguments({PathOf("bin/morvane")});

    EXPECT_EQ(ReadmeFileName(), PathOf("bin/morvane.txt")) << "neither: the name beside the program is reported";

    std::ofstream(installed, std::ios::binary) << "Installed\n";
    EXPECT_EQ(ReadmeFileName(), installed);
    LoadReadme(&memo_);
    EXPECT_EQ(Lines(memo_), QStringList({"Installed"}));

    Write("bin/morvane.txt", "Beside\n");
    EXPECT_EQ(ReadmeFileName(), PathOf("bin/morvane.txt"));
    SetProgramArguments(saved);
}

// The status bar starts with the installed documentation folder, <prefix>/share/doc/morvane
// beside the data folder, or, in the build folder, with the read-me beside the program.
TEST_F(ReadmeTest, DocumentationIsTheInstalledFolderElseTheReadmeBesideTheProgram)
{
    auto saved = ProgramArguments();
    SetProgramArguments({PathOf("bin/morvane")});
    EXPECT_EQ(DocumentationPath(), PathOf("bin/morvane.txt"));
    const std::string docs =
        (std::filesystem::path(PathOf("bin")) / MORVANE_README_DIR_FROM_PROGRAM / "../doc/morvane").lexically_normal();
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(docs)));
    EXPECT_EQ(DocumentationPath(), docs);
    SetProgramArguments(saved);
}

