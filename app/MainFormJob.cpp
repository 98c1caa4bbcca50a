// SPDX-License-Identifier: GPL-3.0-or-later
// The purge job: one pass over all start paths, started by the purge button,
// and the status bar's click.
#include "app/main.h"

#include "app/BudgetPass.h"
#include "app/JobReport.h"
#include "app/JobState.h"
#include "app/PurgeEngine.h"
#include "app/ResultLog.h"
#include "app/ScannedDirectories.h"
#include "app/StartPathCoverage.h"
#include "netware/D_NW.h"
#include "netware/NWClientBackend.h"
#include "netware/ShownName.h"
#include "util/D_Util.h"
#include "util/MessageBox.h"
#include "util/QtText.h"
#include "util/OpenTarget.h"
#include "widgets/CheckListBox.h"
#include "widgets/RadioGroup.h"
#include "widgets/ResultList.h"
#include "widgets/ShellTreeView.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QToolTip>
#include <QStatusBar>
#include <cstdio>
#include <vector>

namespace {

std::string Format2(const char* format, const std::string& a, const std::string& b)
{
    const int size = std::snprintf(nullptr, 0, format, a.c_str(), b.c_str());
    std::string text(static_cast<std::size_t>(size), '\0');
    std::snprintf(text.data(), text.size() + 1, format, a.c_str(), b.c_str());
    return text;
}

// Where each start path of the list leads, resolved as the job resolves it but
// leaving the job's connection and path alone.
std::vector<StartPathPlace> StartPathPlaces(const CheckListBox& list)
{
    std::vector<StartPathPlace> places;
    for (int i = 0; i < list.count(); ++i) {
        const bool recursive = list.isChecked(i);
        NWCONN_HANDLE conn = 0;
        std::string server, volume, directory;
        try {
            if (SplitNetWarePath(ShortPathName(StdStr(list.itemText(i))), conn, server, volume, directory) == 0) {
                places.push_back(PlaceOfResolvedPath(server, volume, directory, recursive, NameRule()));
                continue;
            }
        } catch (...) {
            // Not resolved here: the job's own step for it says what failed.
        }
        places.push_back(StartPathPlace{{}, recursive});
    }
    return places;
}

// The message of the exception being handled.
std::string CurrentErrorText()
{
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "an error without a message";
    }
}

}  // namespace

void TMainForm::DoTheJob(const std::string& title, nuint8 walkMode)
{
    // A job never runs inside another (the window processes messages while it runs).
    if (JobRunning)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    BitBtnPurgeSelected->setEnabled(false);
    // Until the job ends nothing may change its connection, its folder or its
    // start paths, nor enable the purge button again.
    JobRunning = true;
    stopShortcut_->setEnabled(true);
    ListBoxResults->setToolTip(QStringLiteral("Press Escape to stop the job"));
    ServerList->setEnabled(false);
    ShellTreeView1->setEnabled(false);
    CheckListBoxQ->setEnabled(false);

    StartJob(Job, {ListBoxResults, StatusBar1, MemoExtList, FileSizeLowerLimit, FileSizeUpperLimit, FileOlderThan,
                   RadioGroupLogic, RadioGroupOptions, LabelResults, KeepNewestSize, UntilFreeSize});

    ClearResults();
    StartSkippedWorkLines();
    StartReport();
    JobStarting(!ListModeChosen(Job));
    // What the back end has to tell of the job besides failures (a file it
    // put back) goes into the results, and so into the log.
    const ResultNoteSink previousSink =
        SetResultNoteSink([this](const std::string& line) { ListBoxResults->addLine("     " + line); });

    const int count = CheckListBoxQ->count();
    // Each deleted file once per job: a start path that another one covers is
    // not walked, and no directory is scanned twice (an entry without its
    // recursion mark also reaches the directories one level below it).
    const std::vector<int> coverers = CoveringStartPaths(StartPathPlaces(*CheckListBoxQ));
    ScannedDirectories scanned(NameRule());  // each directory scanned, and the start path that listed it
    // A start path as the list and the log show it: one typed or read from
    // the settings file may hold control characters, which are escaped.
    const auto startPathText = [this](int index) {
        return ShownText(StdStr(CheckListBoxQ->itemText(index))) + IfStr(CheckListBoxQ->isChecked(index), " (sub)", "");
    };
    for (int i = 0; i < count; ++i) {
        if (Job.RunState == RunState::Abort)
            break;
        // An error abandons this start path where it occurred; the job goes on.
        try {
            if (i >= CheckListBoxQ->count())
                continue;
            const std::string entry = StdStr(CheckListBoxQ->itemText(i));
            Job.StartPath = entry;
            const bool recursive = CheckListBoxQ->isChecked(i);
            const std::string shortPath = ShortPathName(entry);
            Job.DirPath = shortPath;
            const NWCCODE split =
                SplitNetWarePath(shortPath, Job.ConnHandle, Job.ServerName, Job.VolumeName, Job.DirPath);

            const std::string shownEntry = ShownText(entry);
            ListBoxResults->addLine(Format2("%s under %s", title, shownEntry) + IfStr(recursive, " (sub)", ""));
            ListBoxResults->addLine("");
            WriteSkippedWorkLines(Job);  // what resolving the paths met

            if (i < static_cast<int>(coverers.size()) && coverers[i] >= 0) {
                ListBoxResults->addLine("     Covered by " + startPathText(coverers[i]) + ": not walked again");
            } else if (split != 0) {
                // Walking with the connection and volume of an earlier path
                // would scan (and purge in) the wrong place: say so instead.
                const std::string why = "Path not resolved: SplitNetWarePath returned error " + NWErrorText(split);
                ListBoxResults->addLine("     " + why);
                SkipWork(Job, shownEntry + ": " + why);
            } else {
                Job.TreeName.clear();
                ConnTreeName(Job.ConnHandle, Job.TreeName);
                SetContextTreeAndName(Job.NameContext, Job.TreeName, "[Root]");

                const std::string walkPath = Format2("%s:%s", Job.VolumeName, Job.DirPath);
                PrepareStartPathBudgets(Job, walkPath, walkMode, recursive, &scanned);
                const int notSearched = WalkDirectoryTree(
                    Job.ConnHandle, walkPath, "*.*", walkMode,
                    [&](const std::string& path, const WalkEntry& entry, void* userData) {
                        const int listed = scanned.EarlierListing(Job.ServerName, entry.key, i);
                        if (listed < 0) {
                            PurgeDirectoryCallback(path, entry, userData);
                        } else {
                            // A folder block of its own, saying where the folder's files are.
                            ListBoxResults->addLine("");
                            ListBoxResults->addLine(path);
                            ListBoxResults->addLine("     Listed under " + startPathText(listed) +
                                                    ": not scanned again");
                        }
                    },
                    ListBoxResults, recursive);
                if (notSearched > 0) {
                    Job.Outcomes.FoldersNotScanned += notSearched;
                    SkipWork(Job,
                             std::to_string(notSearched) + (notSearched == 1 ? " folder" : " folders") + " below " +
                                 shownEntry + " could not be searched",
                             notSearched);
                }
            }
            ListBoxResults->addLine("");
        } catch (...) {
            // The rest of this start path was not searched: said in the list
            // (and the log) and once in a box.
            const std::string why = "Start path abandoned: " + CurrentErrorText();
            ListBoxResults->addLine("     " + why);
            ListBoxResults->addLine("");
            SkipWork(Job, StdStr(CheckListBoxQ->itemText(i)) + ": " + why);
            MessageBoxOK(MsgDlgType::Error, why);
        }
    }
    jobEnded_ = std::time(nullptr);

    JobFinished();
    SetResultNoteSink(previousSink);
    WriteSkippedWorkLines(Job);
    if (Job.RunState == RunState::Abort)
        ListBoxResults->addLine(Job.Stopped ? "Job stopped: the rest was not scanned."
                                            : "Job aborted in a confirmation: the rest was not scanned.");
    // A job that found nothing still shows its totals, not the last job's.
    if (Job.TotalCount == 0)
        SetResultsCaption(LabelResults, 0, 0);
    ShowResultsCaption();
    ShowOutcomes();
    StatusBar1->showMessage(QStr(Job.SelectedFolder));

    ServerList->setEnabled(true);
    ShellTreeView1->setEnabled(true);
    CheckListBoxQ->setEnabled(true);
    ListBoxResults->setToolTip(QString());
    QToolTip::hideText();  // the stop hint may still be showing
    stopShortcut_->setEnabled(false);
    JobRunning = false;
    BitBtnPurgeSelected->setEnabled(true);
    QApplication::restoreOverrideCursor();
    // Closed while the job ran: the window goes once the purge button's action
    // (the log included) is done.
    if (closeAfterJob_)
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void TMainForm::StopJob()
{
    // After an Abort answer the job is already ending as aborted.
    if (JobRunning && Job.RunState != RunState::Abort) {
        Job.RunState = RunState::Abort;
        Job.Stopped = true;
    }
}

void TMainForm::ClearResults()
{
    ListBoxResults->clear();
    LabelResults->setText(QStringLiteral("Results ... "));
    LabelOutcomes->clear();
    LabelOutcomes->hide();
}

void TMainForm::ShowOutcomes()
{
    if (!PurgeModeChosen())
        return;  // nothing is purged in the list mode
    const JobState::JobOutcomes& o = Job.Outcomes;
    LabelOutcomes->setText(QString::asprintf("Purged: %d - Kept: %d - Failed: %d - Folders not scanned: %d", o.Purged,
                                             o.Kept, o.Failed, o.FoldersNotScanned));
    LabelOutcomes->show();
}

void TMainForm::StartReport()
{
    report_.reset();
    Job.Report = nullptr;
    jobStarted_ = std::time(nullptr);
    jobEnded_ = jobStarted_;
    if (Job.ReportPath.empty())
        return;
    report_ = std::make_unique<JobReport>(Job.ReportPath);
    Job.Report = report_.get();
}

void TMainForm::FinishReport(std::optional<int> exitStatus)
{
    if (Job.ReportPath.empty())
        return;
    if (!report_)
        StartReport();  // no job ran: the record says so
    Job.Report = nullptr;
    ReportTotals totals;
    totals.listed = Job.TotalCount;
    totals.matched = Job.MatchCount;
    totals.purged = Job.Outcomes.Purged;
    totals.kept = Job.Outcomes.Kept;
    totals.failed = Job.Outcomes.Failed;
    totals.foldersNotScanned = Job.Outcomes.FoldersNotScanned;
    totals.skippedCount = Job.SkippedCount;
    totals.skipped = Job.SkippedWork;
    totals.exitStatus = exitStatus;
    totals.started = jobStarted_;
    totals.ended = jobEnded_;
    std::unique_ptr<JobReport> report = std::move(report_);
    report->Finish(totals);
}

bool TMainForm::PurgeOfEveryFileAllowed()
{
    const bool purgeMode = PurgeModeChosen();
    const bool anyCondition = Job.UsePatterns || Job.UseAge || Job.UseLargerThan || Job.UseSmallerThan ||
                              Job.UseKeepNewest || Job.UseUntilFree;
    // Under "Or" nothing ticked matches nothing; under "And" it matches everything.
    if (!purgeMode || anyCondition || ConditionOR())
        return true;
    return ConfirmYesNo("No condition is ticked: every deleted file below the start paths will be purged. Continue?",
                        false);
}

void TMainForm::BitBtnPurgeSelectedClick(QObject* sender)
{
    // The unattended run purges what its stored settings say, without asking.
    if (!Job.AutoMode && !JobRunning && !PurgeOfEveryFileAllowed())
        return;
    const bool jobStarts = !JobRunning;  // a click during a job starts none
    DoTheJob("Deleted Files ", WalkDirectories);
    if (!Job.LogPath.empty())
        SaveLogOrSayWhy();
    // The unattended run finishes its record once it knows its exit status.
    if (!Job.AutoMode && jobStarts) {
        try {
            FinishReport(std::nullopt);
        } catch (const std::exception& e) {
            ShowMessage(std::string("Error saving report: ") + e.what());
        }
    }
}

void TMainForm::SaveLogOrSayWhy()
{
    try {
        SaveResultLog(*ListBoxResults, Job.LogPath);
    } catch (const std::exception& e) {
        ShowMessage(std::string("Error saving log: ") + e.what());
    }
}

void TMainForm::StatusBar1Click(QObject* sender)
{
    // Only ever opened, never run: the text may name a folder that others can
    // write to, or the file a planted program sits at.
    const std::string text = StdStr(StatusBar1->currentMessage());
    if (ClassifyOpenTarget(text) == OpenTarget::ServerPath)
        StatusBar1->showMessage(QStr("Cannot open " + text + " on this system: it is a path on a NetWare server"));
    else
        ShellOpenTarget(text);
}
