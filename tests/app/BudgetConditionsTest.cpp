// SPDX-License-Identifier: GPL-3.0-or-later
// "Keep only the newest" and "Purge until free" on an emulated network: the
// listing pass, the files the scan selects and purges (ties at equal times
// included), their combination with patterns and age by Or and And, and the
// start paths the conditions are skipped for.
#include "app/BudgetPass.h"
#include "app/PurgeEngine.h"

#include <unordered_set>

#include "netware/NWClientBackend.h"

#include "EngineFixture.h"

namespace {

using Lines = std::vector<std::string>;

// VOL1: 10 MB, 1 MB in use besides five deleted files of 1 MB each, so 4 MB
// are free. Two files share a deletion time in different directories.
// Today is 2000-01-15: old.tmp and oldest.doc are more than 14 days old.
const char* const Budgets = R"(
server SRV1 tree=TREE1
volume SRV1 VOL1 size=0xA00000 used=0x100000
volume SRV1 VOL2
connection SRV1 primary
user 0x1001 ADMIN
deleted \\SRV1\VOL1\DATA\SUB\mid.tmp size=1048576 deleted="2000-01-05 10:00:00" user=0x1001
deleted \\SRV1\VOL1\DATA\SUB\oldest.doc size=1048576 deleted="1999-11-01 10:00:00" user=0x1001
deleted \\SRV1\VOL1\DATA\new.tmp size=1048576 deleted="2000-01-10 10:00:00" user=0x1001
deleted \\SRV1\VOL1\DATA\mid.doc size=1048576 deleted="2000-01-05 10:00:00" user=0x1001
deleted \\SRV1\VOL1\DATA\old.tmp size=1048576 deleted="1999-12-01 10:00:00" user=0x1001
deleted \\SRV1\VOL2\DATA\a.tmp size=1048576 deleted="1999-12-01 10:00:00" user=0x1001
)";

class BudgetConditionsTest : public EngineFixture {
protected:
    void SetUp() override
    {
        EngineFixture::SetUp();
        for (QSpinBox* spin : {&keepNewest, &untilFree})
            spin->setRange(1, 1000000000);
        job.KeepNewestSpin = &keepNewest;
        job.UntilFreeSpin = &untilFree;
        Network(Budgets);
    }

    // One start path of a job: the listing pass, then the walk.
    void RunStartPath(const std::string& walkPath, bool recursive = true)
    {
        job.VolumeName = walkPath.substr(0, walkPath.find(':'));
        PrepareStartPathBudgets(job, walkPath, WalkDirectories, recursive, &scanned);
        WalkDirectoryTree(
            job.ConnHandle, walkPath, "*.*", WalkDirectories,
            [this](const std::string& path, const WalkEntry&, void*) {
                if (scanned.EarlierListing(job.ServerName, path, 0) < 0)
                    PurgeDirectoryCallback(job, path);
            },
            nullptr, recursive);
    }

    // The names marked "+" by a job over the start paths (with subfolders).
    Lines MarkedBy(const std::vector<std::string>& startPaths)
    {
        NewJob();
        for (const std::string& path : startPaths)
            RunStartPath(path);
        Lines names;
        for (const std::string& line : results.lines())
            if (line.rfind("     + ", 0) == 0)
                names.push_back(line.substr(7, line.find("  (") - 7));
        return names;
    }

    // Each matching file with the explanation lines under it, in list order.
    Lines Matches()
    {
        Lines matches;
        bool underMatch = false;
        for (const std::string& line : results.lines()) {
            if (line.rfind("     + ", 0) == 0)
                matches.push_back(line.substr(7, line.find("  (") - 7));
            else if (underMatch && line.rfind("          ", 0) == 0)
                matches.push_back(line.substr(10));
            underMatch = line.rfind("     + ", 0) == 0 || (underMatch && line.rfind("          ", 0) == 0);
        }
        return matches;
    }

    std::uint64_t FreeBytes(const char* volume)
    {
        std::uint64_t total = 0, free = 0;
        EXPECT_EQ(0, NWGetVolumeSpace(job.ConnHandle, volume, total, free));
        return free;
    }

    void PurgeWithoutConfirmation() { options.setItemIndex(2); }

    // What a new job starts from: an empty list, no folder scanned yet.
    void NewJob()
    {
        results.clear();
        scanned = ScannedDirectories(NameRule());
        job.MarkedNotPurged.clear();
    }

    QSpinBox keepNewest;
    QSpinBox untilFree;
    ScannedDirectories scanned{NameRule()};  // the job's, across start paths
};

TEST_F(BudgetConditionsTest, UntilFreePurgesTheOldestUntilTheVolumeHasTheSpace)
{
    job.UseUntilFree = true;
    PurgeWithoutConfirmation();
    // 4 MB free: 3 MB to free. Of the two files deleted at 2000-01-05 10:00
    // the one in VOL1:DATA\SUB goes: its path sorts after VOL1:DATA.
    untilFree.setValue(7);
    RunStartPath("VOL1:DATA");
    EXPECT_EQ((Lines{"old.tmp", "oldest, to free 7.00 MB", "mid.tmp", "oldest, to free 7.00 MB", "oldest.doc",
                     "oldest, to free 7.00 MB"}),
              Matches());
    EXPECT_EQ((Lines{"new.tmp", "mid.doc"}), Salvageable("VOL1:DATA"));
    EXPECT_TRUE(Salvageable("VOL1:DATA\\SUB").empty());
    EXPECT_EQ(7u * BytesPerMB, FreeBytes("VOL1"));

    // Enough space now: a second run selects nothing.
    NewJob();
    RunStartPath("VOL1:DATA");
    EXPECT_TRUE(Matches().empty());
}

TEST_F(BudgetConditionsTest, AndWithAPatternPurgesOnlyMatchingFilesBeyondTheBudget)
{
    logic.setItemIndex(1);
    PurgeWithoutConfirmation();
    job.UseKeepNewest = true;
    keepNewest.setValue(2);
    job.UsePatterns = true;
    patterns.setPlainText("*.tmp");
    RunStartPath("VOL1:DATA");
    EXPECT_EQ((Lines{"old.tmp", "beyond the newest 2.00 MB", "Name match with *.tmp", "mid.tmp",
                     "beyond the newest 2.00 MB", "Name match with *.tmp"}),
              Matches());
    EXPECT_EQ((Lines{"oldest.doc"}), Salvageable("VOL1:DATA\\SUB"));
    EXPECT_EQ((Lines{"new.tmp", "mid.doc"}), Salvageable("VOL1:DATA"));
}

TEST_F(BudgetConditionsTest, AgeCombinesWithTheBudgetsByOrAndAnd)
{
    job.UseAge = true;  // more than 14 days: old.tmp and oldest.doc
    job.UseKeepNewest = true;
    keepNewest.setValue(3);  // beyond: oldest.doc and old.tmp
    job.UseUntilFree = true;
    untilFree.setValue(6);  // 2 MB to free: old.tmp and oldest.doc
    RunStartPath("VOL1:DATA");
    // Or: the first condition that holds explains the file.
    EXPECT_EQ((Lines{"old.tmp", "Deleted 44 days ago", "oldest.doc", "Deleted 74 days ago"}), Matches());

    NewJob();
    logic.setItemIndex(1);
    age.setValue(60);  // And: only oldest.doc is old enough
    RunStartPath("VOL1:DATA");
    EXPECT_EQ((Lines{"oldest.doc", "Deleted 74 days ago", "beyond the newest 3.00 MB", "oldest, to free 6.00 MB"}),
              Matches());
}

TEST_F(BudgetConditionsTest, AClientThatCannotTellTheFreeSpaceSkipsOnlyThatCondition)
{
    job.UseUntilFree = true;
    job.UseKeepNewest = true;
    keepNewest.setValue(1);
    untilFree.setValue(100);
    RunStartPath("VOL2:DATA");  // VOL2 has no size
    const std::string message = "\"Purge until free\" skipped below VOL2:DATA because the free space of volume VOL2 "
                                "is not known (NWGetVolumeSpace returned error 0x89FB (Free space of the volume unknown))";
    ASSERT_EQ(1u, boxes.Requests().size());
    EXPECT_EQ(MsgDlgType::Error, boxes.Requests()[0].kind);
    EXPECT_EQ(message, boxes.Requests()[0].text);
    EXPECT_EQ("     " + message, results.line(0));
    // a.tmp is the only file: it fits the newest 1 MB, and "until free" holds for nothing.
    EXPECT_TRUE(Matches().empty());

    NewJob();
    boxes.Clear();
    keepNewest.setValue(1);
    job.UseKeepNewest = false;
    job.UseAge = true;
    RunStartPath("VOL2:DATA");
    EXPECT_EQ((Lines{"a.tmp", "Deleted 44 days ago"}), Matches()) << "Or: the other conditions still apply";
}

TEST_F(BudgetConditionsTest, ADirectoryNotListedInFullSkipsTheBudgetsForItsStartPath)
{
    client->ImportFixture("fault scan \\\\SRV1\\VOL1\\DATA\\SUB code=0x8983 after=1\n");
    job.UseKeepNewest = true;
    keepNewest.setValue(1);
    PurgeWithoutConfirmation();
    RunStartPath("VOL1:DATA");
    ASSERT_EQ(1u, boxes.Requests().size());
    EXPECT_NE(boxes.Requests()[0].text.find("Budget conditions skipped below VOL1:DATA because NextDeletedFile "
                                            "returned error 0x8983 (Disk I/O failure) for VOL1:DATA\\SUB"),
              std::string::npos)
        << boxes.Requests()[0].text;
    EXPECT_TRUE(Matches().empty());
    EXPECT_EQ(3u, Salvageable("VOL1:DATA").size());
}

// Two start paths on one volume: the list marks what the purge then takes,
// for either budget. "Until free" counts what the first start path marked as
// freed; the second start path's pass leaves out what the first one scanned.
TEST_F(BudgetConditionsTest, ListMarksWhatThePurgeTakesOverTwoStartPaths)
{
    const std::vector<std::string> startPaths = {"VOL1:DATA\\SUB", "VOL1:DATA"};
    struct Case {
        const char* name;
        bool keepNewest;
        Lines taken;
    } cases[] = {
        // 3 MB to free: both files below SUB (2 MB), then the oldest of DATA.
        {"until free 7 MB", false, {"mid.tmp", "oldest.doc", "old.tmp"}},
        // Newest 1 MB of each start path kept.
        {"keep newest 1 MB", true, {"oldest.doc", "mid.doc", "old.tmp"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        client = EmulatedClient::OpenInMemory();  // each case on the network as it was
        SetClientBackend(client.get());
        Network(Budgets);
        job.UseKeepNewest = c.keepNewest;
        job.UseUntilFree = !c.keepNewest;
        keepNewest.setValue(1);
        untilFree.setValue(7);
        options.setItemIndex(0);
        const Lines listed = MarkedBy(startPaths);
        PurgeWithoutConfirmation();
        const Lines purged = MarkedBy(startPaths);
        EXPECT_EQ(c.taken, listed);
        EXPECT_EQ(listed, purged);
        EXPECT_TRUE(Salvageable("VOL1:DATA\\SUB").empty() == !c.keepNewest);
    }
}

TEST_F(BudgetConditionsTest, ThePassLeavesOutFoldersAnEarlierStartPathScanned)
{
    // Newer than anything directly in DATA: were it weighed again for DATA,
    // new.tmp would fall beyond the newest 1 MB.
    client->ImportFixture("deleted \\\\SRV1\\VOL1\\DATA\\SUB\\newest.tmp size=1048576 "
                          "deleted=\"2000-01-12 10:00:00\" user=0x1001\n");
    job.UseKeepNewest = true;
    keepNewest.setValue(1);
    EXPECT_EQ((Lines{"mid.tmp", "oldest.doc", "mid.doc", "old.tmp"}), MarkedBy({"VOL1:DATA\\SUB", "VOL1:DATA"}));
}

// A folder the walk cannot search: the budgets of its start path are skipped
// with a line, and no box is shown twice.
TEST_F(BudgetConditionsTest, AFolderThatCannotBeSearchedSkipsTheBudgetsAndIsReportedOnce)
{
    client->ImportFixture("fault alloc \\\\SRV1\\VOL1\\DATA\\SUB code=0x899D\n");
    job.UseKeepNewest = true;
    keepNewest.setValue(1);
    RunStartPath("VOL1:DATA");
    ASSERT_FALSE(results.lines().empty());
    EXPECT_EQ(0u, results.line(0).rfind("     Budget conditions skipped below VOL1:DATA because", 0)) << results.line(0);
    Lines texts = boxes.Texts();
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts.end(), std::adjacent_find(texts.begin(), texts.end())) << ::testing::PrintToString(texts);
    EXPECT_TRUE(Matches().empty());
    EXPECT_GE(job.SkippedCount, 2) << "the budgets and the folder";
}

}  // namespace
