// SPDX-License-Identifier: GPL-3.0-or-later
// The purge job over all start paths: the shape of the result list, abort,
// unresolvable paths, the locks while it runs, closing the window during a job,
// the log and the status bar.
#include "tests/app/fixtures/JobFormFixture.h"

#include "settings/IniFile.h"
#include "util/ShellLaunch.h"

#include <QDir>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <cstdlib>
#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

using Lines = std::vector<std::string>;

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class JobTest : public JobFormTest {};

TEST_F(JobTest, TwoStartPathsGiveHeadingsEmptyLinesAndTheEnginesLines)
{
    OpenForm();
    AddStartPath("\\\\SRV1\\VOL1\\DATA", true);
    AddStartPath("\\\\SRV1\\VOL1\\HOME", false);
    form->BitBtnPurgeSelectedClick(nullptr);

    EXPECT_EQ(Results(), (Lines{
                             "Deleted Files  under \\\\SRV1\\VOL1\\DATA (sub)",
                             "",
                             "",
                             "VOL1:DATA",
                             "     - REPORT.BAK  (  12 kB) [ Deleted: 1999-12-31 23:59:07 by ADMIN ]",
                             "     - notes.txt  ( 100) [ Deleted: 2001-02-03 04:05:06 by JDOE ]",
                             "",
                             "VOL1:DATA\\SUB",
                             "     - x.tmp  (   0) [ Deleted: 2002-03-04 05:06:07 by ADMIN ]",
                             "",
                             "VOL1:DATA\\SUB\\DEEP",
                             "     - deep.tmp  (   2 kB) [ Deleted: 2003-04-05 06:07:08 by [n/a] ]",
                             "",
                             "Deleted Files  under \\\\SRV1\\VOL1\\HOME",
                             "",
                             "",
                             "VOL1:HOME",
                             "     - a.tmp  (   1 kB) [ Deleted: 2004-05-06 07:08:09 by JDOE ]",
                             "     - b.doc  (   4 kB) [ Deleted: 2005-06-07 08:09:10 by ADMIN ]",
                             "",
                         }));
    EXPECT_EQ(Job.TotalCount, 6);
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(JobTest, NonRecursivePathCoversOneLevelAndEmptyTreeGivesHeadingOnly)
{
    OpenForm();
    AddStartPath("\\\\SRV1\\VOL1\\EMPTY", true);
    AddStartPath("\\\\SRV1\\VOL1\\DATA", false);  // DATA and SUB, not DEEP
    form->BitBtnPurgeSelectedClick(nullptr);

    const Lines lines = Results();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ((Lines{lines.begin(), lines.begin() + 4}),
              (Lines{"Deleted Files  under \\\\SRV1\\VOL1\\EMPTY (sub)", "", "", "Deleted Files  under \\\\SRV1\\VOL1\\DATA"}));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "VOL1:DATA\\SUB"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "VOL1:DATA\\SUB\\DEEP"), 0);
    EXPECT_EQ(lines.back(), "");
}

TEST_F(JobTest, PurgeWithoutConfirmationPurgesExactlyTheMatchingFiles)
{
    OpenForm();
    ChooseMode(2);
    AddStartPath("\\\\SRV1\\VOL1\\DATA", true);
    AddStartPath("\\\\SRV1\\VOL1\\HOME", false);
    form->BitBtnPurgeSelectedClick(nullptr);

    EXPECT_EQ(DeletedNames("SRV1", "VOL1:DATA"), Lines{"notes.txt"});
    EXPECT_TRUE(DeletedNames("SRV1", "VOL1:DATA\\SUB").empty());
    EXPECT_TRUE(DeletedNames("SRV1", "VOL1:DATA\\SUB\\DEEP").empty());
    EXPECT_EQ(DeletedNames("SRV1", "VOL1:HOME"), Lines{"b.doc"});
    EXPECT_EQ(Job.MatchCount, 4);
    EXPECT_EQ(form->ListBoxResults->selectedCount(), 4);
}

// Yes for HOME's a.tmp, then Abort at DATA's first match: the third path gets
// no heading and nothing else is purged.
TEST_F(JobTest, AbortOnSecondOfThreeStartPathsEndsTheJob)
{
    OpenForm();
    ChooseMode(1);
    AddStartPath("\\\\SRV1\\VOL1\\HOME", false);
    AddStartPath("\\\\SRV1\\VOL1\\DATA", true);
    AddStartPath("\\\\SRV1\\VOL1\\LATER", true);
    boxes.QueueAnswer(0);  // Yes: a.tmp
    boxes.QueueAnswer(2);  // Abort: REPORT.BAK
    form->BitBtnPurgeSelectedClick(nullptr);

    const Lines lines = Results();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.rfind("Deleted Files ", 0) == 0; }),
              2);
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "VOL1:DATA\\SUB"), lines.end());
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines.back(), "Job aborted in a confirmation: the rest was not scanned.");
    EXPECT_EQ(lines[lines.size() - 2], "");
    EXPECT_EQ(lines[lines.size() - 3], "          Kept: job aborted");
    EXPECT_EQ(lines[lines.size() - 4], "          Name match with *.bak");
    EXPECT_EQ(Job.RunState, RunState::Abort);
    EXPECT_EQ(boxes.Requests().size(), 2u);

    EXPECT_EQ(DeletedNames("SRV1", "VOL1:HOME"), Lines{"b.doc"});
    EXPECT_EQ(DeletedNames("SRV1", "VOL1:DATA"), (Lines{"REPORT.BAK", "notes.txt"}));
    EXPECT_EQ(DeletedNames("SRV1", "VOL1:LATER\\INNER"), Lines{"late.tmp"});
    EXPECT_TRUE(form->BitBtnPurgeSelected->isEnabled());
}

// After a purge the line below the totals counts each outcome: purged, kept
// by answer or Abort, failed, and folders left unscanned; the list mode shows
// no such line and the totals caption stays as it was.
TEST_F(JobTest, OutcomeLineCountsWhatBecameOfTheMatches)
{
    client->ImportFixture("fault purge \\\\SRV1\\VOL1\\DATA\\SUB\\x.tmp code=0x898A\n"
                          "fault alloc \\\\SRV1\\VOL1\\LATER\\INNER code=0x899D\n");
    OpenForm();
    AddStartPath("\\\\SRV1\\VOL1\\DATA", true);
    AddStartPath("\\\\SRV1\\VOL1\\HOME", false);
    AddStartPath("\\\\SRV1\\VOL1\\LATER", true);
    form->BitBtnPurgeSelectedClick(nullptr);
    EXPECT_TRUE(form->LabelOutcomes->isHidden()) << "nothing is purged in the list mode";

    ChooseMode(1);
    boxes.QueueAnswer(1);  // No: REPORT.BAK
    boxes.QueueAnswer(0);  // Yes: x.tmp, refused by the server; the rest of SUB is not scanned
    boxes.QueueAnswer(0);  // OK to the refusal
    boxes.QueueAnswer(0);  // Yes: deep.tmp
    boxes.QueueAnswer(0);  // Yes: a.tmp; then LATER\INNER cannot be read
    form->BitBtnPurgeSelectedClick(nullptr);
    EXPECT_FALSE(form->LabelOutcomes->isHidden());
    EXPECT_EQ(form->LabelOutcomes->text().toStdString(),
              "Purged: 2 - Kept: 1 - Failed: 1 - Folders not scanned: 2");
    EXPECT_EQ(form->LabelResults->text().toStdString(), "Results: Total: 6 - Matching: 4");
    const Lines lines = Results();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "          Rest of VOL1:DATA\\SUB not scanned after the failed purge"),
              lines.end());
}

// A server itself is no start path: the client cannot walk it.
TEST_F(JobTest, AServerRootIsNotTakenAsAStartPath)
{
    OpenForm();
    form->ShellTreeView1->selectPath("\\\\SRV1");
    form->ShellTreeView1DblClick(nullptr);
    EXPECT_EQ(form->CheckListBoxQ->count(), 0);
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0],
              "\\\\SRV1 is a server, not a folder: choose one of its volumes or folders as the start path.");
    form->ShellTreeView1->selectPath("\\\\SRV1\\VOL1");
    form->ShellTreeView1DblClick(nullptr);
    EXPECT_EQ(form->CheckListBoxQ->count(), 1);
}

TEST_F(JobTest, UnresolvablePathIsReportedInItsBlockAndNotWalked)
{
    OpenForm();
    ChooseMode(2);
    AddStartPath("\\\\SRV1\\VOL1\\HOME", false);  // leaves a valid connection and volume behind
    AddStartPath("\\\\SRV1\\NOVOL\\HOME", false);
    AddStartPath(dir.path().toStdString(), true);  // a local folder
    form->BitBtnPurgeSelectedClick(nullptr);

    const Lines lines = Results();
    const auto second = std::find(lines.begin(), lines.end(), "Deleted Files  under \\\\SRV1\\NOVOL\\HOME");
    ASSERT_NE(second, lines.end());
    ASSERT_EQ(lines.end() - second, 8);
    EXPECT_EQ(second[1], "");
    EXPECT_EQ(second[2], "     Path not resolved: SplitNetWarePath returned error " + NWErrorText(0x8998));
    EXPECT_EQ(second[3], "");
    EXPECT_EQ(second[4], "Deleted Files  under " + dir.path().toStdString() + " (sub)");
    EXPECT_EQ(second[6], "     Path not resolved: SplitNetWarePath returned error " + NWErrorText(0x899C));
    EXPECT_EQ(second[7], "");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "VOL1:HOME"), 1) << "HOME must not be walked again";
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(Job.SkippedCount, 2) << "each unresolved start path is skipped work";
}

// A start path read from a settings file may hold control characters: the
// heading and the error box show them escaped, and no line of the list is
// forged.
TEST_F(JobTest, AStartPathsControlCharactersAreEscapedInItsHeading)
{
    OpenForm();
    AddStartPath("\\\\SRV1\\VOL1\\NO\x1B[2J\nWHERE", true);
    form->BitBtnPurgeSelectedClick(nullptr);
    const Lines lines = Results();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "Deleted Files  under \\\\SRV1\\VOL1\\NO%1B[2J%0AWHERE (sub)");
    for (const std::string& line : lines)
        EXPECT_EQ(line.find_first_of("\x1B\n"), std::string::npos) << line;
    // The search's error box names the path the same way.
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_NE(boxes.Texts()[0].find("NO%1B[2J%0AWHERE"), std::string::npos) << boxes.Texts()[0];
}

// What the job could not do is counted where it is reported, whatever the
// messages say: an unreadable directory, each refused purge, a start path
// whose directory is missing. The next job counts from 0 again.
TEST_F(JobTest, SkippedWorkIsCountedWhereItIsReported)
{
    client->ImportFixture("fault alloc \\\\SRV1\\VOL1\\DATA\\SUB code=0x899D\n"
                          "fault purge \\\\SRV1\\VOL1\\HOME code=0x898A\n");
    OpenForm();
    ChooseMode(2);
    AddStartPath("\\\\SRV1\\VOL1\\DATA", true);
    AddStartPath("\\\\SRV1\\VOL1\\HOME", false);
    AddStartPath("\\\\SRV1\\VOL1\\GONE", false);
    form->BitBtnPurgeSelectedClick(nullptr);
    const std::vector<std::string> expected = {
        "NWAllocTemporaryDirectoryHandle returned error " + NWErrorText(0x899D) + " for VOL1:DATA\\SUB",
        "NWPurgeDeletedFile returned error " + NWErrorText(0x898A) + " for VOL1:HOME\\a.tmp",
        "DirSearchStart returned error " + NWErrorText(0x899C) + " for VOL1:GONE"};
    EXPECT_EQ(boxes.Texts(), expected);
    EXPECT_EQ(Job.SkippedCount, 3);
    EXPECT_EQ(DeletedNames("SRV1", "VOL1:HOME"), (Lines{"a.tmp", "b.doc"}));

    while (form->CheckListBoxQ->count() > 1)
        form->CheckListBoxQ->removeItem(1);
    form->BitBtnPurgeSelectedClick(nullptr);
    EXPECT_EQ(Job.SkippedCount, 1) << "only DATA\\SUB again";
}

TEST_F(JobTest, AfterAJobStatusShowsChosenFolderAndButtonIsEnabled)
{
    OpenForm();
    form->StatusBar1->showMessage("https://example.org");
    form->BitBtnPurgeSelectedClick(nullptr);  // no start paths at all
    EXPECT_TRUE(Results().empty());
    EXPECT_EQ(form->StatusBar1->currentMessage(), "");
    EXPECT_TRUE(form->BitBtnPurgeSelected->isEnabled());

    ASSERT_TRUE(form->ShellTreeView1->selectPath("\\\\SRV1\\VOL1\\HOME"));
    form->ShellTreeView1Click(nullptr);
    AddStartPath("\\\\SRV1\\VOL1\\DATA", true);
    form->BitBtnPurgeSelectedClick(nullptr);
    EXPECT_EQ(form->StatusBar1->currentMessage(), "\\\\SRV1\\VOL1\\HOME");
    EXPECT_TRUE(form->BitBtnPurgeSelected->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// What runs while the job processes window messages cannot change its
// connection, its folder or its start paths, nor enable the purge button.
TEST_F(JobTest, WhileAJobRunsStartPathsConnectionAndButtonStayLocked)
{
    OpenForm();
    AddStartPath("\\\\SRV1\\VOL1\\DATA", true);
    bool checked = false;
    previousPump = SetMessagePump([&] {
        if (checked)
            return;
        checked = true;
        EXPECT_FALSE(form->BitBtnPurgeSelected->isEnabled());
        EXPECT_FALSE(form->ServerList->isEnabled());
        EXPECT_FALSE(form->ShellTreeView1->isEnabled());
        EXPECT_FALSE(form->CheckListBoxQ->isEnabled());
        const NWCONN_HANDLE conn = Job.ConnHandle;
        const std::string volume = Job.VolumeName;

        form->LabelDirSelectedUpd(nullptr);
        form->PageControl1->setCurrentWidget(form->TabSheetAction);
        form->PageControl1Change(nullptr);
        EXPECT_FALSE(form->BitBtnPurgeSelected->isEnabled());

        form->ServerList->setItemIndex(1);
        ASSERT_TRUE(form->ShellTreeView1->selectPath("\\\\SRV1\\VOL1\\HOME"));
        form->ShellTreeView1Click(nullptr);
        form->ShellTreeView1DblClick(nullptr);
        form->CheckListBoxQ->setItemIndex(0);
        form->CheckListBoxQDblClick(nullptr);
        EXPECT_EQ(Job.ConnHandle, conn);
        EXPECT_EQ(Job.VolumeName, volume);
        EXPECT_EQ(form->CheckListBoxQ->items(), QStringList{"\\\\SRV1\\VOL1\\DATA"});
    });
    form->BitBtnPurgeSelectedClick(nullptr);
    EXPECT_TRUE(checked);
    EXPECT_TRUE(form->BitBtnPurgeSelected->isEnabled());
    EXPECT_TRUE(form->ServerList->isEnabled());
    EXPECT_TRUE(form->ShellTreeView1->isEnabled());
    EXPECT_TRUE(form->CheckListBoxQ->isEnabled());
    const Lines lines = Results();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "VOL1:DATA\\SUB\\DEEP"), 1);
}

// The window closed while the second start path is walked: the question is
// answered Yes, nothing more is listed or purged, the third path is not
// started, and the window stays until the job has ended; then it closes and
// the settings are saved.
TEST_F(JobTest, ClosingTheWindowDuringAJobStopsItAndSavesSettings)
{
    OpenForm();
    ChooseMode(2);
    AddStartPath("\\\\SRV1\\VOL1\\HOME", false);
    AddStartPath("\\\\SRV1\\VOL1\\LATER", true);  // no files itself; INNER holds late.tmp
    AddStartPath("\\\\SRV1\\VOL1\\DATA", true);
    bool closed = false;
    bool visibleAfterClose = false;
    previousPump = SetMessagePump([&] {
        if (closed) {
            visibleAfterClose = visibleAfterClose || form->isVisible();
            return;
        }
        if (form->StatusBar1->currentMessage() == "VOL1:LATER") {
            closed = true;
            form->close();
        }
    });
    form->BitBtnPurgeSelectedClick(nullptr);

    ASSERT_TRUE(closed);
    EXPECT_EQ(boxes.Texts(), Lines{"A purge job is running. Stop it and close?"});
    EXPECT_TRUE(visibleAfterClose);
    EXPECT_EQ(Job.RunState, RunState::Abort);
    EXPECT_EQ(DeletedNames("SRV1", "VOL1:HOME"), Lines{"b.doc"});
    EXPECT_EQ(DeletedNames("SRV1", "VOL1:LATER\\INNER"), Lines{"late.tmp"});
    EXPECT_EQ(DeletedNames("SRV1", "VOL1:DATA").size(), 2u);
    const Lines lines = Results();
    EXPECT_EQ(lines.back(), "Job stopped: the rest was not scanned.");
    EXPECT_EQ(lines[lines.size() - 4], "Deleted Files  under \\\\SRV1\\VOL1\\LATER (sub)");

    QCoreApplication::processEvents();
    EXPECT_FALSE(form->isVisible());
    IniFile ini(PathOf("morvane.ini"));
    EXPECT_TRUE(ini.SectionExists("CheckListBoxQ"));
}

TEST_F(JobTest, ClosingDuringAPurgeAnsweredNoKeepsTheJobAndTheWindow)
{
    OpenForm();
    ChooseMode(2);
    AddStartPath("\\\\SRV1\\VOL1\\HOME", false);
    AddStartPath("\\\\SRV1\\VOL1\\DATA", true);
    boxes.QueueAnswer(1);
    bool closed = false;
    previousPump = SetMessagePump([&] {
        if (!closed && form->StatusBar1->currentMessage() == "VOL1:HOME") {
            closed = true;
            form->close();
        }
    });
    form->BitBtnPurgeSelectedClick(nullptr);
    QCoreApplication::processEvents();

    ASSERT_TRUE(closed);
    EXPECT_EQ(boxes.Texts().size(), 1u);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(DeletedNames("SRV1", "VOL1:DATA\\SUB"), Lines{}) << "the job went on to the end";
    EXPECT_FALSE(QFile::exists(QStr(PathOf("morvane.ini"))));
}

// Escape while the window has the focus: the job stops as an Abort does and
// ends normally, its log written; the result list's tooltip tells how.
TEST_F(JobTest, EscapeStopsTheJobAsAbortAndTheLogIsWritten)
{
    OpenForm({"log=" + PathOf("result.log")});
    ChooseMode(2);
    AddStartPath("\\\\SRV1\\VOL1\\HOME", false);
    AddStartPath("\\\\SRV1\\VOL1\\DATA", true);
    form->PageControl1->setCurrentWidget(form->TabSheetAction);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QString tooltip;
    bool pressed = false;
    previousPump = SetMessagePump([&] {
        if (pressed || form->StatusBar1->currentMessage() != "VOL1:HOME")
            return;
        pressed = true;
        tooltip = form->ListBoxResults->toolTip();
        QTest::keyClick(form->ListBoxResults, Qt::Key_Escape);
    });
    QTest::mouseClick(form->BitBtnPurgeSelected, Qt::LeftButton);

    ASSERT_TRUE(pressed);
    EXPECT_TRUE(tooltip.contains("Escape"));
    EXPECT_TRUE(form->ListBoxResults->toolTip().isEmpty());
    EXPECT_EQ(Job.RunState, RunState::Abort);
    // The pump runs after a.tmp is listed: it is kept, and so is all below DATA.
    EXPECT_EQ(DeletedNames("SRV1", "VOL1:HOME"), (Lines{"a.tmp", "b.doc"}));
    EXPECT_EQ(DeletedNames("SRV1", "VOL1:DATA\\SUB").size(), 1u);
    const Lines lines = Results();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Deleted Files  under \\\\SRV1\\VOL1\\DATA (sub)"), 0);
    EXPECT_TRUE(form->BitBtnPurgeSelected->isEnabled());
    // a.tmp matched and was kept: its "+" line says why, and the list says the job stopped.
    const auto kept = std::find(lines.begin(), lines.end(), "          Kept: job stopped");
    ASSERT_NE(kept, lines.end());
    EXPECT_EQ(*(kept - 1), "          Name match with *.tmp");
    EXPECT_EQ(*(kept - 2), "     + a.tmp  (   1 kB) [ Deleted: 2004-05-06 07:08:09 by JDOE ]");
    EXPECT_EQ(lines.back(), "Job stopped: the rest was not scanned.");
    const std::string log = ReadBytes(PathOf("result.log"));
    EXPECT_EQ(log.substr(log.size() - 40), "Job stopped: the rest was not scanned.\r\n");
}

// Start paths that overlap (one below a recursive one, the same one twice in
// other letters, one level reaching a directory already scanned): every
// deleted file is listed once and the totals are the server's count.
TEST_F(JobTest, OverlappingAndRepeatedStartPathsListEachFileOnce)
{
    OpenForm();
    ChooseMode(2);
    AddStartPath("\\\\SRV1\\VOL1\\DATA\\SUB", true);
    AddStartPath("\\\\SRV1\\VOL1\\DATA", true);
    AddStartPath("\\\\srv1\\vol1\\data", true);
    AddStartPath("\\\\SRV1\\VOL1", false);  // its own directory and one level: DATA again, and HOME
    AddStartPath("\\\\SRV1\\VOL1\\HOME", false);
    std::size_t onServer = 0;
    for (const char* directory : {"VOL1:DATA", "VOL1:DATA\\SUB", "VOL1:DATA\\SUB\\DEEP", "VOL1:HOME"})
        onServer += DeletedNames("SRV1", directory).size();
    form->BitBtnPurgeSelectedClick(nullptr);

    const Lines lines = Results();
    Lines files;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(files),
                 [](const std::string& l) { return l.rfind("     + ", 0) == 0 || l.rfind("     - ", 0) == 0; });
    std::sort(files.begin(), files.end());
    EXPECT_EQ(std::adjacent_find(files.begin(), files.end()), files.end()) << "a file listed twice";
    EXPECT_EQ(files.size(), onServer);
    EXPECT_EQ(Job.TotalCount, static_cast<int>(onServer));
    EXPECT_EQ(StdStr(form->LabelResults->text()), "Results: Total: 6 - Matching: 4");
    const std::string covered = "     Covered by \\\\SRV1\\VOL1\\DATA (sub): not walked again";
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 4),
              (Lines{"Deleted Files  under \\\\SRV1\\VOL1\\DATA\\SUB (sub)", "", covered, ""}));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), covered), 2);
    // A directory an earlier start path listed gets a block saying which one.
    const auto lineAfter = [&lines](const std::string& line) {
        const auto at = std::find(lines.rbegin(), lines.rend(), line);
        return at == lines.rend() || at == lines.rbegin() ? std::string() : *(at - 1);
    };
    EXPECT_EQ(lineAfter("VOL1:\\DATA"), "     Listed under \\\\SRV1\\VOL1\\DATA (sub): not scanned again");
    EXPECT_EQ(lineAfter("VOL1:HOME"), "     Listed under \\\\SRV1\\VOL1: not scanned again");
    // Purged once each: no second try failed.
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(DeletedNames("SRV1", "VOL1:DATA"), Lines{"notes.txt"});
}

// "And" with nothing ticked matches every file: an interactive purge asks
// first, No being the default answer.
TEST_F(JobTest, PurgeUnderAndWithNoConditionAsksFirst)
{
    OpenForm();
    AddStartPath("\\\\SRV1\\VOL1\\HOME", false);
    form->PageControl1->setCurrentWidget(form->TabSheetAction);
    ChooseMode(1);
    QTest::mouseClick(form->CheckBoxFilePatterns, Qt::LeftButton);
    ASSERT_FALSE(form->CheckBoxFilePatterns->isChecked());
    form->RadioGroupLogic->setItemIndex(1);
    ChooseMode(2);

    QTest::mouseClick(form->BitBtnPurgeSelected, Qt::LeftButton);
    ASSERT_EQ(boxes.Requests().size(), 1u);
    EXPECT_EQ(boxes.Requests()[0].text,
              "No condition is ticked: every deleted file below the start paths will be purged. Continue?");
    EXPECT_EQ(boxes.Requests()[0].buttons, (Lines{"&Yes", "&No"}));
    EXPECT_EQ(Results(), Lines{});
    EXPECT_EQ(DeletedNames("SRV1", "VOL1:HOME").size(), 2u);

    boxes.QueueAnswer(0);
    QTest::mouseClick(form->BitBtnPurgeSelected, Qt::LeftButton);
    EXPECT_EQ(DeletedNames("SRV1", "VOL1:HOME"), Lines{});

    // Under "Or" nothing ticked matches nothing: no question.
    boxes.Clear();
    form->RadioGroupLogic->setItemIndex(0);
    QTest::mouseClick(form->BitBtnPurgeSelected, Qt::LeftButton);
    EXPECT_TRUE(boxes.Requests().empty());
}

TEST_F(JobTest, NoLogWithoutLogSwitch)
{
    OpenForm();
    AddStartPath("\\\\SRV1\\VOL1\\HOME", false);
    form->BitBtnPurgeSelectedClick(nullptr);
    EXPECT_FALSE(Results().empty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{}) << "nothing may be written";
}

TEST_F(JobTest, LogHoldsExactlyTheLinesEndedByCrLf)
{
    OpenForm({"log=" + PathOf("result.log")});
    AddStartPath("\\\\SRV1\\VOL1\\HOME", false);
    form->BitBtnPurgeSelectedClick(nullptr);
    EXPECT_EQ(ReadBytes(PathOf("result.log")),
              "Deleted Files  under \\\\SRV1\\VOL1\\HOME\r\n\r\n\r\nVOL1:HOME\r\n"
              "     - a.tmp  (   1 kB) [ Deleted: 2004-05-06 07:08:09 by JDOE ]\r\n"
              "     - b.doc  (   4 kB) [ Deleted: 2005-06-07 08:09:10 by ADMIN ]\r\n\r\n");
}

TEST_F(JobTest, UnwritableLogShowsPlainBoxAndKeepsResults)
{
    const std::string log = PathOf("no-such-folder/result.log");
    OpenForm({"log=" + log});
    AddStartPath("\\\\SRV1\\VOL1\\HOME", false);
    form->BitBtnPurgeSelectedClick(nullptr);
    ASSERT_EQ(boxes.Requests().size(), 1u);
    EXPECT_EQ(boxes.Requests()[0].kind, MsgDlgType::Custom);
    EXPECT_EQ(boxes.Requests()[0].text,
              "Error saving log: Cannot create file \"" + log + "\". No such file or directory");
    EXPECT_EQ(Results().size(), 7u);
}

// A local folder is opened whole; a server folder has no local program to
// open it, so the status bar says so and nothing starts.
TEST_F(JobTest, StatusBarClickOpensLocalFoldersOnly)
{
    OpenForm();
    std::vector<LaunchRequest> launched;
    const Launcher previous = SetLauncher([&](const LaunchRequest& r) {
        launched.push_back(r);
        return LaunchStarted;
    });
    const std::string local = QDir::tempPath().toStdString();
    form->StatusBar1->showMessage(QString::fromStdString(local));
    QTest::mouseClick(form->StatusBar1, Qt::LeftButton);
    form->StatusBar1->showMessage("\\\\SRV1\\VOL1\\HOME");
    QTest::mouseClick(form->StatusBar1, Qt::LeftButton);
    SetLauncher(previous);

    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0].file, local);
    EXPECT_TRUE(launched[0].openOnly);
    EXPECT_EQ(form->StatusBar1->currentMessage(),
              "Cannot open \\\\SRV1\\VOL1\\HOME on this system: it is a path on a NetWare server");
}

}  // namespace

namespace {

// Not a check: writes docs/screenshots/after-job.png when run under a screen
// with MORVANE_SCREENSHOT_DIR set (see the README).
TEST_F(JobTest, DISABLED_ScreenshotAfterAnInteractiveJob)
{
    const char* outDir = std::getenv("MORVANE_SCREENSHOT_DIR");
    if (!outDir)
        GTEST_SKIP() << "MORVANE_SCREENSHOT_DIR is not set";
    SetClientBackend(nullptr);
    client = EmulatedClient::OpenInMemory();
    CreateDemoNetwork(*client);  // dated relative to the real clock
    SetClientBackend(client.get());
    SetClock({});
    OpenForm();
    form->CheckBoxAge->setChecked(true);
    form->FileOlderThan->setValue(350);
    for (const char* path : {"\\\\FS1\\DATA\\PROJECTS\\ATLAS", "\\\\FS1\\DATA\\HOME\\JSMITH"}) {
        ASSERT_TRUE(form->ShellTreeView1->selectPath(path));
        form->ShellTreeView1Click(nullptr);
        form->ShellTreeView1DblClick(nullptr);
    }
    form->PageControl1->setCurrentWidget(form->TabSheetAction);
    QTest::qWait(200);
    form->BitBtnPurgeSelected->click();
    QTest::qWait(300);
    ASSERT_TRUE(form->grab().save(QDir(outDir).filePath("after-job.png")));
}

}  // namespace
