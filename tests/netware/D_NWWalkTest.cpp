// SPDX-License-Identifier: GPL-3.0-or-later
// Path splitting, the directory query and the walk over a server directory
// tree: orders, modes, path forms and patterns.
#include <gtest/gtest.h>

#include "netware/D_NW.h"
#include "tests/netware/FakeClient.h"
#include "util/MessageBox.h"
#include "util/MessagePump.h"

namespace {

// SYS: holds DIR; DIR holds A and B (and the files f1, f2); A holds A1, B holds B1.
class WalkTest : public testing::Test {
protected:
    void SetUp() override
    {
        client.AddDir("SYS:", "DIR");
        client.AddDir("SYS:DIR", "A");
        client.AddDir("SYS:DIR", "B");
        client.AddDir("SYS:DIR\\A", "A1");
        client.AddDir("SYS:DIR\\B", "B1");
        client.files["SYS:DIR"] = {"f1", "f2"};
        client.files["SYS:DIR\\A"] = {"a.txt"};
    }

    std::vector<std::string> Walk(const std::string& start, nuint8 mode, bool recursive,
                                  const std::string& pattern = "*.*")
    {
        std::vector<std::string> paths;
        skipped = WalkDirectoryTree(
            7, start, pattern, mode,
            [&](const std::string& path, const WalkEntry& entry, void* userData) {
                EXPECT_EQ(userData, &paths);
                paths.push_back(path);
                entries.push_back(entry);
            },
            &paths, recursive);
        return paths;
    }

    using Paths = std::vector<std::string>;
    FakeClient client;
    std::vector<WalkEntry> entries;
    int skipped = -1;  // what the last walk said it could not do
};

TEST_F(WalkTest, WithoutRecursionTheStartAndOneLevelBelowAreReported)
{
    EXPECT_EQ(Walk("SYS:DIR", WalkDirectories, false), (Paths{"SYS:DIR", "SYS:DIR\\A", "SYS:DIR\\B"}));
}

TEST_F(WalkTest, RecursionFinishesEachSubtreeDepthFirstAfterItsParentsReport)
{
    EXPECT_EQ(Walk("SYS:DIR", WalkDirectories, true),
              (Paths{"SYS:DIR", "SYS:DIR\\A", "SYS:DIR\\B", "SYS:DIR\\A\\A1", "SYS:DIR\\B\\B1"}));
    EXPECT_EQ(Walk("SYS:", WalkDirectories, true).size(), 6u);
}

TEST_F(WalkTest, StartRecordCarriesOnlyTheAttributesEntriesCarryTheSearch)
{
    Walk("SYS:DIR", WalkDirectories, false);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].searchAttributes, SA_DIRECTORIES);
    EXPECT_EQ(entries[0].volumeNumber, 0);
    EXPECT_EQ(entries[0].conn, 0u);
    EXPECT_EQ(entries[2].searchAttributes, SA_DIRECTORIES);
    EXPECT_EQ(entries[2].volumeNumber, 3);
    EXPECT_EQ(entries[2].conn, 7u);
    EXPECT_STREQ(entries[2].entry.name, "B");
    EXPECT_EQ(entries[2].entry.nextSequence, 2);
}

TEST_F(WalkTest, TrailingSeparatorIsWalkedWithoutIt)
{
    const Paths expected{"SYS:DIR", "SYS:DIR\\A", "SYS:DIR\\B"};
    EXPECT_EQ(Walk("SYS:DIR\\", WalkDirectories, false), expected);
    EXPECT_EQ(Walk("SYS:DIR/", WalkDirectories, false), expected);
}

TEST_F(WalkTest, VolumeRootGivesEntriesBelowABackslash)
{
    EXPECT_EQ(Walk("SYS:", WalkDirectories, false), (Paths{"SYS:", "SYS:\\DIR"}));
    EXPECT_EQ(Walk("SYS:\\", WalkDirectories, false), (Paths{"SYS:", "SYS:\\DIR"}));
}

TEST_F(WalkTest, StartUnknownToDirectoryInfoReportsOnlyItsSubdirectories)
{
    client.unknownToDirectoryInfo.insert("SYS:DIR");
    EXPECT_EQ(Walk("SYS:DIR", WalkDirectories, true),
              (Paths{"SYS:DIR\\A", "SYS:DIR\\B", "SYS:DIR\\A\\A1", "SYS:DIR\\B\\B1"}));
}

TEST_F(WalkTest, EmptyDirectoryReportsOnlyItselfAndSkipsNothing)
{
    MessageBoxRecorder boxes;
    EXPECT_EQ(Walk("SYS:DIR\\A\\A1", WalkDirectories, true), Paths{"SYS:DIR\\A\\A1"});
    EXPECT_EQ(skipped, 0);
    EXPECT_EQ(Walk("SYS:DIR", WalkFilesAndDirectories, true).size(), 8u);
    EXPECT_EQ(skipped, 0);
    EXPECT_TRUE(boxes.Texts().empty());
}

// A directory that cannot be searched is no empty one: it is reported once,
// however many searches of it failed, and counted as skipped.
TEST_F(WalkTest, UnknownStartReportsNothingButOneErrorAndCountsAsSkipped)
{
    MessageBoxRecorder boxes;
    EXPECT_TRUE(Walk("SYS:NOPE", WalkDirectories, true).empty());
    EXPECT_EQ(skipped, 1);
    EXPECT_TRUE(Walk("SYS:NOPE", WalkFilesAndDirectories, true).empty());
    EXPECT_EQ(skipped, 1);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>(2, "DirSearchStart returned error " +
                                                             NWErrorText(ERR_INVALID_PATH) + " for SYS:NOPE")));
}

TEST_F(WalkTest, ModeZeroReportsTheFilesOfEveryVisitedDirectory)
{
    EXPECT_EQ(Walk("SYS:DIR", WalkFiles, true), (Paths{"SYS:DIR\\f1", "SYS:DIR\\f2", "SYS:DIR\\A\\a.txt"}));
    EXPECT_EQ(entries[0].searchAttributes, SA_FILES);
    EXPECT_EQ(client.Count("DirectoryInfo"), 0);
}

TEST_F(WalkTest, ModeTwoReportsFilesBeforeDirectories)
{
    EXPECT_EQ(Walk("SYS:DIR", WalkFilesAndDirectories, false),
              (Paths{"SYS:DIR", "SYS:DIR\\f1", "SYS:DIR\\f2", "SYS:DIR\\A", "SYS:DIR\\B"}));
}

TEST_F(WalkTest, StarDotStarAndEmptyPatternSearchWithStar)
{
    for (const std::string pattern : {"*.*", "", "*"}) {
        client.searches.clear();
        Walk("SYS:DIR", WalkDirectories, true, pattern);
        ASSERT_FALSE(client.searches.empty());
        for (const auto& search : client.searches)
            EXPECT_EQ(search.pattern, "*") << "pattern \"" << pattern << "\"";
    }
}

TEST_F(WalkTest, PatternLimitsTheReportButNotTheDescent)
{
    // Every directory is searched twice: once to report, once to collect.
    EXPECT_EQ(Walk("SYS:DIR", WalkDirectories, true, "B1"), (Paths{"SYS:DIR", "SYS:DIR\\B\\B1"}));
    EXPECT_EQ(client.Count("DirSearchStart"), 10);
}

// A server that starts its listing over, or hands back the sequence that asks
// for the start: the walk keeps what it listed, says so once per directory and
// goes on below.
TEST_F(WalkTest, ServerThatListsInACircleIsStoppedWithOneMessage)
{
    MessageBoxRecorder boxes;
    client.searchRestartsEveryStep = true;
    EXPECT_EQ(Walk("SYS:DIR", WalkDirectories, true), (Paths{"SYS:DIR", "SYS:DIR\\A", "SYS:DIR\\A\\A1"}));
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{
                                 "The server listed SYS:DIR over again from its start; the search of this "
                                 "directory was stopped.",
                                 "The server listed SYS:DIR\\A over again from its start; the search of this "
                                 "directory was stopped."}));
    EXPECT_EQ(skipped, 2);

    client.searchRestartsEveryStep = false;
    boxes.Clear();
    for (int i = 0; i < 0xFFFF; ++i)
        client.subdirs["SYS:BIG"].push_back("D" + std::to_string(i));
    const Paths paths = Walk("SYS:BIG", WalkDirectories, false);
    EXPECT_EQ(paths.size(), 0x10000u);
    EXPECT_EQ(paths.back(), "SYS:BIG\\D65534") << "the entry that came with 0xFFFF is kept";
    EXPECT_EQ(boxes.Texts().size(), 1u);
}

TEST_F(WalkTest, QueuePumpedOncePerEntryFound)
{
    int pumps = 0;
    const MessagePump previous = SetMessagePump([&] { ++pumps; });
    Walk("SYS:DIR", WalkDirectories, false);
    SetMessagePump(previous);
    EXPECT_EQ(pumps, 2);
}

TEST(SplitNetWarePathTest, TextsAreWrittenOnlyOnSuccess)
{
    FakeClient client;
    NWCONN_HANDLE conn = 999;
    std::string server = "s", volume = "v", directory = "d";
    EXPECT_EQ(SplitNetWarePath("\\\\SRV1\\VOL1\\DATA\\SUB", conn, server, volume, directory), 0);
    EXPECT_EQ(conn, 7u);
    EXPECT_EQ(server, "SRV1");
    EXPECT_EQ(volume, "VOL1");
    EXPECT_EQ(directory, "DATA\\SUB");

    EXPECT_EQ(SplitNetWarePath("/home/user", conn, server, volume, directory), ERR_INVALID_PATH);
    EXPECT_EQ(client.splitPathSeen, "/home/user");
    EXPECT_EQ(conn, 0u);  // the handle is whatever the client wrote
    EXPECT_EQ(server, "SRV1");
    EXPECT_EQ(volume, "VOL1");
    EXPECT_EQ(directory, "DATA\\SUB");
}

TEST(QueryDirectoryTest, AsksDirectoryInfoWithTheVolumePath)
{
    FakeClient client;
    client.AddDir("SYS:", "DIR");
    EXPECT_EQ(QueryDirectory(7, "SYS:DIR"), 0);
    EXPECT_EQ(QueryDirectory(7, "SYS:NONE"), ERR_INVALID_PATH);
    EXPECT_EQ(client.directoryInfoPaths, (std::vector<std::string>{"SYS:DIR", "SYS:NONE"}));
}

}  // namespace
