// SPDX-License-Identifier: GPL-3.0-or-later
// The deleted-file scan and purge against emulated networks: the lines it
// writes, the marks and counters, what each mode and each confirmation answer
// purges (checked in the network afterwards), and how failures end a scan.
#include "app/PurgeEngine.h"

#include "EngineFixture.h"

#include <QTest>

namespace {

using Lines = std::vector<std::string>;

const char* const OneFile = R"(
server SRV1 tree=TREE1
volume SRV1 VOL1
connection SRV1 primary
user 0x1001 ADMIN
dir \\SRV1\VOL1\EMPTY
deleted \\SRV1\VOL1\DATA\REPORT.BAK size=12288 deleted="1999-12-31 23:59:07" user=0x1001
)";

// Two directories; with "smaller than 10 kB" the .BAK files match, B.TMP does not.
const char* const TwoDirectories = R"(
server SRV1 tree=TREE1
volume SRV1 VOL1
connection SRV1 primary
user 0x1001 ADMIN
deleted \\SRV1\VOL1\DATA\A.BAK size=5000 deleted="2000-01-10 08:00:00" user=0x1001
deleted \\SRV1\VOL1\DATA\B.TMP size=50000 deleted="2000-01-10 08:00:00" user=0x1001
deleted \\SRV1\VOL1\DATA\C.BAK size=100 deleted="2000-01-10 08:00:00" user=0x1001
deleted \\SRV1\VOL1\DATA\SUB\E.BAK size=200 deleted="2000-01-10 08:00:00" user=0x1001
)";

const std::string Info = " [ Deleted: 2000-01-10 08:00:00 by ADMIN ]";

// The lines of a walk over TwoDirectories with "smaller than 10 kB".
Lines SmallFilesListed()
{
    return {"",
            "VOL1:DATA",
            "     + A.BAK  (   5 kB)" + Info,
            "          File size <= 10 kB",
            "     - B.TMP  (  49 kB)" + Info,
            "     + C.BAK  ( 100)" + Info,
            "          File size <= 10 kB",
            "",
            "VOL1:DATA\\SUB",
            "     + E.BAK  ( 200)" + Info,
            "          File size <= 10 kB"};
}

class PurgeEngineTest : public EngineFixture {
protected:
    void SelectSmallFiles() { job.UseSmallerThan = true; }

    // The walk of a job over DATA and the directories below it.
    void Walk()
    {
        WalkDirectoryTree(
            job.ConnHandle, "VOL1:DATA", "*.*", WalkDirectories,
            [this](const std::string& path, const WalkEntry&, void*) { PurgeDirectoryCallback(job, path); }, nullptr,
            true);
    }

    Lines Selected()
    {
        Lines selected;
        for (int i = 0; i < results.count(); ++i)
            if (results.isSelected(i))
                selected.push_back(results.line(i));
        return selected;
    }

    // The totals reach the label when events are next processed.
    std::string Caption()
    {
        QCoreApplication::processEvents();
        return label.text().toStdString();
    }
};

TEST_F(PurgeEngineTest, WritesHeadingAndFileLine)
{
    Network(OneFile);
    PurgeFiles(job, "VOL1:DATA");
    EXPECT_EQ((Lines{"", "VOL1:DATA", "     - REPORT.BAK  (  12 kB) [ Deleted: 1999-12-31 23:59:07 by ADMIN ]"}),
              results.lines());
    EXPECT_EQ(1, job.TotalCount);
    EXPECT_EQ(0, job.MatchCount);
    EXPECT_EQ("Results: Total: 1 - Matching: 0", Caption());
    EXPECT_TRUE(boxes.Requests().empty());
    EXPECT_EQ(0, client->DirHandlesInUse());
}

TEST_F(PurgeEngineTest, DirectoryWithoutDeletedFilesWritesNothing)
{
    Network(OneFile);
    PurgeFiles(job, "VOL1:EMPTY");
    EXPECT_EQ(0, results.count());
    EXPECT_EQ(0, job.TotalCount);
    EXPECT_EQ("Results ... ", Caption());
    EXPECT_EQ(0, client->DirHandlesInUse());
}

TEST_F(PurgeEngineTest, UserNamesUnknownOrEmpty)
{
    Network(R"(
server SRV1 tree=TREE1
volume SRV1 VOL1
connection SRV1 primary
user 0x1002 ""
deleted \\SRV1\VOL1\DATA\X.DAT size=0 deleted="1999-12-31 23:59:07" user=0x1003
deleted \\SRV1\VOL1\DATA\Y.DAT size=0 deleted="1999-12-31 23:59:07" user=0x1002
deleted \\SRV1\VOL1\DATA\Z.DAT size=0 deleted="1999-12-31 23:59:07" user=0x1003
)");
    PurgeFiles(job, "VOL1:DATA");
    ASSERT_EQ(5, results.count());
    EXPECT_NE(std::string::npos, results.line(2).find("by [n/a] ]"));
    EXPECT_NE(std::string::npos, results.line(3).find("by  ]"));
    EXPECT_NE(std::string::npos, results.line(4).find("by [n/a] ]"));  // a failed lookup does not end the scan
    EXPECT_TRUE(boxes.Requests().empty());
}

TEST_F(PurgeEngineTest, ListModeMarksAndCountsButPurgesNothing)
{
    Network(TwoDirectories);
    SelectSmallFiles();
    Walk();
    EXPECT_EQ(SmallFilesListed(), results.lines());
    EXPECT_EQ((Lines{results.line(2), results.line(5), results.line(9)}), Selected());
    EXPECT_EQ(4, job.TotalCount);
    EXPECT_EQ(3, job.MatchCount);
    EXPECT_EQ("Results: Total: 4 - Matching: 3", Caption());
    EXPECT_EQ("VOL1:DATA\\SUB", status.currentMessage().toStdString());
    EXPECT_TRUE(boxes.Requests().empty());
    EXPECT_EQ((Lines{"A.BAK", "B.TMP", "C.BAK"}), Salvageable("VOL1:DATA"));
    EXPECT_EQ(Lines{"E.BAK"}, Salvageable("VOL1:DATA\\SUB"));
}

TEST_F(PurgeEngineTest, PurgeWithoutConfirmationPurgesExactlyTheMatchingFiles)
{
    Network(TwoDirectories);
    SelectSmallFiles();
    options.setItemIndex(2);
    Walk();
    EXPECT_TRUE(boxes.Requests().empty());
    EXPECT_EQ(Lines{"B.TMP"}, Salvageable("VOL1:DATA"));
    EXPECT_EQ(Lines{}, Salvageable("VOL1:DATA\\SUB"));
    EXPECT_EQ(3, job.MatchCount);
    EXPECT_EQ(0, client->DirHandlesInUse());
}

// The window closed while the engine processed events: the job is stopped as
// by Abort, and the file in hand is neither purged nor asked for.
TEST_F(PurgeEngineTest, StopDuringEventProcessingPurgesNothingMore)
{
    Network(TwoDirectories);
    SelectSmallFiles();
    options.setItemIndex(2);
    SetMessagePump([this] { job.RunState = RunState::Abort; });
    Walk();
    EXPECT_EQ((Lines{"A.BAK", "B.TMP", "C.BAK"}), Salvageable("VOL1:DATA"));
    EXPECT_EQ(Lines{"E.BAK"}, Salvageable("VOL1:DATA\\SUB"));
    EXPECT_EQ(0, client->DirHandlesInUse());
}

class ConfirmationTest : public PurgeEngineTest {
protected:
    enum Answer { Yes, No, Abort, NoToAll, YesToAll };

    void SetUp() override
    {
        PurgeEngineTest::SetUp();
        Network(TwoDirectories);
        SelectSmallFiles();
        options.setItemIndex(1);
        job.ConfirmEach = true;
    }

    Lines Asked() const
    {
        Lines texts;
        for (const MessageBoxRequest& r : boxes.Requests())
            texts.push_back(r.text);
        return texts;
    }
};

TEST_F(ConfirmationTest, BoxHasTitleTextAndButtonsInOrder)
{
    boxes.QueueAnswer(No);
    boxes.QueueAnswer(No);
    PurgeFiles(job, "VOL1:DATA");
    ASSERT_EQ(2u, boxes.Requests().size());
    const MessageBoxRequest& box = boxes.Requests()[0];
    EXPECT_EQ(MsgDlgType::Confirmation, box.kind);
    EXPECT_EQ("Confirm", box.title);
    EXPECT_EQ("Purging:   A.BAK  (   5 kB)" + Info, box.text);
    EXPECT_EQ((Lines{"&Yes", "&No", "&Abort", "N&o to All", "Yes to &All"}), box.buttons);
    EXPECT_EQ(Abort, box.safeButton);
}

// No events are processed between the files here, yet the box must not stand
// beside totals that lag behind the file it asks about.
TEST_F(ConfirmationTest, TotalsAreShownWhileTheBoxAsks)
{
    std::vector<std::string> captions;
    MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageBoxRequest&) {
        captions.push_back(label.text().toStdString());
        return static_cast<int>(No);
    });
    PurgeFiles(job, "VOL1:DATA");
    SetMessageBoxHandler(previous);
    EXPECT_EQ((Lines{"Results: Total: 1 - Matching: 1", "Results: Total: 3 - Matching: 2"}), captions);
}

TEST_F(ConfirmationTest, StopDuringEventProcessingAsksNothing)
{
    SetMessagePump([this] { job.RunState = RunState::Abort; });
    boxes.QueueAnswer(Yes);
    Walk();
    EXPECT_TRUE(boxes.Requests().empty());
    EXPECT_EQ(RunState::Abort, job.RunState);
    EXPECT_EQ((Lines{"A.BAK", "B.TMP", "C.BAK"}), Salvageable("VOL1:DATA"));
}

TEST_F(ConfirmationTest, YesAndNoAreAskedPerFile)
{
    boxes.QueueAnswer(Yes);
    boxes.QueueAnswer(No);
    boxes.QueueAnswer(Yes);
    Walk();
    EXPECT_EQ(3u, boxes.Requests().size());
    EXPECT_EQ((Lines{"B.TMP", "C.BAK"}), Salvageable("VOL1:DATA"));
    EXPECT_EQ(Lines{}, Salvageable("VOL1:DATA\\SUB"));
    EXPECT_EQ(RunState::Yes, job.RunState);
    EXPECT_EQ(3, job.MatchCount);
}

// Every matching file that is kept says why; a purged one gets no extra line,
// and "+" still marks each of them as matching.
TEST_F(ConfirmationTest, EachKeptFileSaysWhyAndPurgedOnesSayNothing)
{
    boxes.QueueAnswer(No);
    boxes.QueueAnswer(Yes);
    boxes.QueueAnswer(Abort);
    Walk();
    Lines expected = SmallFilesListed();
    expected.push_back("          Kept: job aborted");   // E.BAK
    expected.insert(expected.begin() + 4, "          Kept: answered No");  // A.BAK; C.BAK was purged
    EXPECT_EQ(expected, results.lines());
    EXPECT_EQ((Lines{"A.BAK", "B.TMP"}), Salvageable("VOL1:DATA"));
    EXPECT_EQ(Lines{"E.BAK"}, Salvageable("VOL1:DATA\\SUB"));
}

// Stopped (Escape, closing the window) while events were processed: the file
// in hand is kept and says so; in the list mode nothing is added.
TEST_F(PurgeEngineTest, FileInHandWhenStoppedSaysSoInThePurgeModesOnly)
{
    Network(TwoDirectories);
    SelectSmallFiles();
    SetMessagePump([this] {
        job.RunState = RunState::Abort;
        job.Stopped = true;
    });
    const Lines listed{"", "VOL1:DATA", "     + A.BAK  (   5 kB)" + Info, "          File size <= 10 kB"};
    options.setItemIndex(0);
    Walk();
    EXPECT_EQ(listed, results.lines());

    results.clear();
    job.RunState = RunState::Running;
    options.setItemIndex(2);
    Walk();
    Lines kept = listed;
    kept.push_back("          Kept: job stopped");
    EXPECT_EQ(kept, results.lines());
    EXPECT_EQ((Lines{"A.BAK", "B.TMP", "C.BAK"}), Salvageable("VOL1:DATA"));
}

TEST_F(ConfirmationTest, YesToAllPurgesTheRestWithoutAsking)
{
    boxes.QueueAnswer(YesToAll);
    Walk();
    EXPECT_EQ(1u, boxes.Requests().size());
    EXPECT_EQ(Lines{"B.TMP"}, Salvageable("VOL1:DATA"));
    EXPECT_EQ(Lines{}, Salvageable("VOL1:DATA\\SUB"));
    EXPECT_EQ(RunState::YesToAll, job.RunState);
}

TEST_F(ConfirmationTest, NoToAllListsTheRestWithoutTestsOrCounts)
{
    boxes.QueueAnswer(NoToAll);
    Walk();
    EXPECT_EQ(1u, boxes.Requests().size());
    EXPECT_EQ((Lines{"",
                     "VOL1:DATA",
                     "     + A.BAK  (   5 kB)" + Info,
                     "          File size <= 10 kB",
                     "          Kept: No to All",
                     "     - B.TMP  (  49 kB)" + Info,
                     "     - C.BAK  ( 100)" + Info,
                     "",
                     "VOL1:DATA\\SUB",
                     "     - E.BAK  ( 200)" + Info}),
              results.lines());
    EXPECT_EQ(4, job.TotalCount);
    EXPECT_EQ(1, job.MatchCount);
    EXPECT_EQ("Results: Total: 1 - Matching: 1", Caption());  // the counts of the moment of the answer
    EXPECT_EQ((Lines{"A.BAK", "B.TMP", "C.BAK"}), Salvageable("VOL1:DATA"));
    EXPECT_EQ(Lines{"E.BAK"}, Salvageable("VOL1:DATA\\SUB"));
}

TEST_F(ConfirmationTest, AbortEndsTheScanAndEveryLaterDirectory)
{
    boxes.QueueAnswer(Abort);
    Walk();
    EXPECT_EQ(1u, boxes.Requests().size());
    EXPECT_EQ((Lines{"", "VOL1:DATA", "     + A.BAK  (   5 kB)" + Info, "          File size <= 10 kB",
                     "          Kept: job aborted"}),
              results.lines());
    EXPECT_EQ(RunState::Abort, job.RunState);
    EXPECT_EQ(1, job.TotalCount);
    EXPECT_EQ("VOL1:DATA\\SUB", status.currentMessage().toStdString());  // the walk still ran to its end
    EXPECT_EQ((Lines{"A.BAK", "B.TMP", "C.BAK"}), Salvageable("VOL1:DATA"));
    EXPECT_EQ(Lines{"E.BAK"}, Salvageable("VOL1:DATA\\SUB"));
    EXPECT_EQ(0, client->DirHandlesInUse());
}

TEST_F(ConfirmationTest, ClosingTheBoxKeepsTheFileAndAsksAgain)
{
    boxes.QueueAnswer(-1);
    boxes.QueueAnswer(Yes);
    PurgeFiles(job, "VOL1:DATA");
    EXPECT_EQ((Lines{"Purging:   A.BAK  (   5 kB)" + Info, "Purging:   C.BAK  ( 100)" + Info}), Asked());
    EXPECT_EQ((Lines{"A.BAK", "B.TMP"}), Salvageable("VOL1:DATA"));
    EXPECT_EQ(RunState::Yes, job.RunState);
    boxes.QueueAnswer(-1);
    EXPECT_EQ(RunState::No, ConfirmPurge("X"));  // closed without a button: No
}

TEST_F(ConfirmationTest, UnansweredBoxPurgesNothing)
{
    Walk();  // the recorder answers the safe button
    EXPECT_EQ(1u, boxes.Requests().size());
    EXPECT_EQ(RunState::Abort, job.RunState);
    EXPECT_EQ((Lines{"A.BAK", "B.TMP", "C.BAK"}), Salvageable("VOL1:DATA"));
}

TEST_F(PurgeEngineTest, InvalidDeletionDateEndsTheScanAndReleasesTheHandle)
{
    Network(R"(
server SRV1 tree=TREE1
volume SRV1 VOL1
connection SRV1 primary
deleted \\SRV1\VOL1\DATA\GOOD.TMP size=1 deleted="1999-12-01 10:00:00"
deleted \\SRV1\VOL1\DATA\BROKEN.TMP size=1 deleted="1999-00-31 23:59:07"
deleted \\SRV1\VOL1\DATA\LATER.TMP size=1 deleted="1999-12-31 23:59:07"
)");
    job.UseAge = true;
    options.setItemIndex(2);
    EXPECT_THROW(PurgeFiles(job, "VOL1:DATA"), DateTimeError);
    EXPECT_EQ(0, client->DirHandlesInUse());
    ASSERT_EQ(5, results.count());
    EXPECT_EQ("     - BROKEN.TMP  (   1) [ Deleted: 1999-00-31 23:59:07 by [n/a] ]", results.line(4));
    EXPECT_EQ("Results: Total: 1 - Matching: 1", Caption());
    EXPECT_EQ((Lines{"BROKEN.TMP", "LATER.TMP"}), Salvageable("VOL1:DATA"));
}

TEST_F(PurgeEngineTest, AllocationFailureShowsErrorAndWalkGoesOn)
{
    Network(std::string(TwoDirectories) + "fault alloc \\\\SRV1\\VOL1\\DATA code=0x899D\n");
    SelectSmallFiles();
    options.setItemIndex(2);
    Walk();
    ASSERT_EQ(1u, boxes.Requests().size());
    EXPECT_EQ(MsgDlgType::Error, boxes.Requests()[0].kind);
    EXPECT_EQ(0u, boxes.Requests()[0].text.rfind("NWAllocTemporaryDirectoryHandle returned error 0x899D", 0));
    // The folder that was not scanned is named in the box and in the list.
    EXPECT_NE(boxes.Requests()[0].text.find(" for VOL1:DATA"), std::string::npos);
    EXPECT_EQ((Lines{"     Not scanned: NWAllocTemporaryDirectoryHandle returned error " + NWErrorText(0x899D) +
                         " for VOL1:DATA",
                     "", "VOL1:DATA\\SUB", "     + E.BAK  ( 200)" + Info, "          File size <= 10 kB"}),
              results.lines());
    EXPECT_EQ(Lines{}, Salvageable("VOL1:DATA\\SUB"));
}

TEST_F(PurgeEngineTest, PurgeFailureEndsTheDirectoryAndWalkGoesOn)
{
    Network(std::string(TwoDirectories) + "fault purge \\\\SRV1\\VOL1\\DATA\\A.BAK code=0x898A\n");
    SelectSmallFiles();
    options.setItemIndex(2);
    Walk();
    ASSERT_EQ(1u, boxes.Requests().size());
    EXPECT_EQ(0u, boxes.Requests()[0].text.rfind("NWPurgeDeletedFile returned error 0x898A", 0));
    EXPECT_EQ((Lines{"",
                     "VOL1:DATA",
                     "     + A.BAK  (   5 kB)" + Info,
                     "          File size <= 10 kB",
                     "          Purge failed: " + NWErrorText(0x898A),
                     "          Rest of VOL1:DATA not scanned after the failed purge",
                     "",
                     "VOL1:DATA\\SUB",
                     "     + E.BAK  ( 200)" + Info,
                     "          File size <= 10 kB"}),
              results.lines());
    EXPECT_EQ((Lines{"A.BAK", "B.TMP", "C.BAK"}), Salvageable("VOL1:DATA"));
    EXPECT_EQ(Lines{}, Salvageable("VOL1:DATA\\SUB"));
    EXPECT_EQ(0, client->DirHandlesInUse());
    EXPECT_EQ(1, job.Outcomes.Failed);
    EXPECT_EQ(1, job.Outcomes.Purged);
    EXPECT_EQ(1, job.Outcomes.FoldersNotScanned);
}

// A limit changed while the job runs (the user edits it while events are
// processed) counts from the next file on.
TEST_F(PurgeEngineTest, LimitChangedDuringTheScanCountsFromTheNextFile)
{
    Network(TwoDirectories);
    SelectSmallFiles();
    SetMessagePump([this] {
        if (job.TotalCount == 1)
            smallerThan.setValue(100);
    });
    PurgeFiles(job, "VOL1:DATA");
    EXPECT_EQ((Lines{"",
                     "VOL1:DATA",
                     "     + A.BAK  (   5 kB)" + Info,
                     "          File size <= 10 kB",
                     "     + B.TMP  (  49 kB)" + Info,
                     "          File size <= 100 kB",
                     "     + C.BAK  ( 100)" + Info,
                     "          File size <= 100 kB"}),
              results.lines());
}

TEST_F(PurgeEngineTest, CaptionReachesLabelWhenEventsAreProcessed)
{
    Network(TwoDirectories);
    label.setText("before");
    std::vector<std::string> seen;
    SetMessagePump([&] {
        QCoreApplication::processEvents();
        seen.push_back(label.text().toStdString());
    });
    PurgeFiles(job, "VOL1:DATA");
    // The first file's counts reach the label with the events that follow it;
    // the later ones wait for the end of the display interval.
    EXPECT_EQ("before", seen.at(0));  // the first pump comes before the first count
    EXPECT_EQ("Results: Total: 1 - Matching: 0", seen.at(1));
    QTest::qWait(static_cast<int>(DisplayInterval.count()) + 20);
    EXPECT_EQ("Results: Total: 3 - Matching: 0", label.text().toStdString());
}

} // namespace
