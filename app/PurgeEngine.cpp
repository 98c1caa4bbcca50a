// SPDX-License-Identifier: GPL-3.0-or-later
// The deleted-file scan and purge of one directory, its confirmation box and
// the running totals in the results label.
#include "app/PurgeEngine.h"

#include <QStatusBar>

#include <string_view>
#include <vector>

#include "app/BudgetPass.h"
#include "app/Conditions.h"
#include "app/FileLine.h"
#include "app/JobDisplay.h"
#include "app/JobReport.h"
#include "netware/NWClientBackend.h"
#include "util/D_Util.h"
#include "util/MessageBox.h"
#include "util/MessagePump.h"
#include "widgets/RadioGroup.h"
#include "widgets/ResultList.h"

namespace {

// Holds the scan's temporary directory handle and gives it back however the
// scan ends, an error raised by a condition included.
class DirectoryScanGuard {
public:
    DirectoryScanGuard(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle) : conn_(conn), dirHandle_(dirHandle) {}
    ~DirectoryScanGuard()
    {
        ReleaseDirHandle(conn_, dirHandle_);  // its code tells nothing the scan could act on
    }
    DirectoryScanGuard(const DirectoryScanGuard&) = delete;
    DirectoryScanGuard& operator=(const DirectoryScanGuard&) = delete;

private:
    NWCONN_HANDLE conn_;
    NWDIR_HANDLE dirHandle_;
};

void AddLine(JobState& job, std::string_view text)
{
    if (job.ResultList)
        job.ResultList->addLine(text);
}

// One more explanation line under a matching file that was not purged.
void ExplainOutcome(JobState& job, std::string_view text)
{
    if (job.ResultList)
        job.ResultList->addLine({ExplanationIndent, text});
}

// Why a matching file is kept after the confirmation's answer, or nullptr
// when the answer purges it.
const char* KeptByAnswer(nuint16 answer)
{
    switch (answer) {
    case RunState::No: return "answered No";
    case RunState::NoToAll: return "No to All";
    case RunState::Abort: return "job aborted";
    default: return nullptr;
    }
}

// The explanation lines the conditions wrote under the file's line, without
// their indent.
std::vector<std::string> ExplanationsAfter(const JobState& job, int lineIndex)
{
    std::vector<std::string> texts;
    if (!job.ResultList || lineIndex < 0)
        return texts;
    for (int i = lineIndex + 1; i < job.ResultList->count(); ++i) {
        std::string line = job.ResultList->line(i);
        texts.push_back(line.compare(0, ExplanationIndent.size(), ExplanationIndent) == 0
                            ? line.substr(ExplanationIndent.size())
                            : line);
    }
    return texts;
}

void KeepFile(JobState& job, ReportedFile& report, std::string reason)
{
    ExplainOutcome(job, "Kept: " + reason);
    ++job.Outcomes.Kept;
    report.outcome = FileOutcome::Kept;
    report.reason = std::move(reason);
}

} // namespace

bool ListModeChosen(const JobState& job)
{
    // Without the option group nothing may be purged, as in the list mode.
    return job.OptionsGroup == nullptr || job.OptionsGroup->itemIndex() == 0;
}

nuint16 ConfirmPurge(const std::string& fileText)
{
    static const nuint16 answers[] = {RunState::Yes, RunState::No, RunState::Abort, RunState::NoToAll,
                                      RunState::YesToAll};
    MessageBoxRequest request;
    request.kind = MsgDlgType::Confirmation;
    request.title = "Confirm";
    request.text = "Purging:   " + fileText;
    request.buttons = {"&Yes", "&No", "&Abort", "N&o to All", "Yes to &All"};
    request.safeButton = 2;  // Abort: a box nobody can see never purges
    request.escapeButton = 1;  // Escape and the close button keep the file
    request.steadyPlace = true;
    int button = ShowMessageBox(request);
    if (button < 0 || button >= static_cast<int>(std::size(answers)))
        return RunState::No;  // closed without an answer: keep the file
    return answers[button];
}

void PurgeFiles(JobState& job, const std::string& volumePath, const WalkEntry& walked)
{
    if (job.RunState == RunState::Abort)
        return;

    NWDIR_HANDLE dirHandle = 0;
    NWCCODE code = AllocWalkedDirectoryHandle(job.ConnHandle, volumePath, walked, dirHandle);
    ReportNWError(code, "NWAllocTemporaryDirectoryHandle", volumePath);
    if (code != 0) {
        // In the list (and so the log) too: the folder was not scanned.
        const std::string why = "NWAllocTemporaryDirectoryHandle returned error " + NWErrorText(code);
        if (job.ResultList)
            job.ResultList->addLine("     Not scanned: " + why + " for " + volumePath);
        SkipWork(job, volumePath + " not scanned: " + why);
        ++job.Outcomes.FoldersNotScanned;
        return;
    }
    DirectoryScanGuard guard(job.ConnHandle, dirHandle);

    bool headingWritten = false;
    bool purgeFailed = false;
    nuint32 iterHandle = 0xFFFFFFFF;
    const TDateTime today = Today();
    // The list mode's count of marked bytes on this volume, found at the first match.
    std::uint64_t* markedOnVolume = nullptr;
    NWDELETED_INFO record{};
    do {
        nuint8 volumeNumber = 0;
        nuint32 directoryBase = 0;
        code = NextDeletedFile(job.ConnHandle, dirHandle, iterHandle, volumeNumber, directoryBase, record);
        if (code != 0)
            break;  // the end of the list, or a failure that looks the same

        if (!headingWritten) {
            AddLine(job, "");
            AddLine(job, volumePath);
            headingWritten = true;
        }
        FileEvaluation file{record, today, !ConditionOR(job), &job.Patterns};

        // The deleting user's name (CachedObjectName), read where the cache
        // keeps it; only the next file's lookup changes the cache.
        NWCCODE nameCode = 0;
        const std::string* cachedName =
            CachedObjectNameRef(job.ConnHandle, record.deletorID, job.NameCache, nameCode);
        const FileLineValues line{file.Name, DeletedFileSize(record), file.DeletedDate, file.DeletedTime,
                                  cachedName ? std::string_view(*cachedName) : std::string_view("[n/a]")};
        int lineIndex = -1;
        if (job.ResultList)
            lineIndex = job.ResultList->addRecordLineWith<FileLine::Write>(
                FileLine::RecordSize(line), FileLine::TextLength(line),
                [&line](char* room) { FileLine::PutRecord(room, line); });
        PumpMessages();
        ++job.TotalCount;
        ReportedFile report;
        if (job.Report) {
            report.startPath = job.StartPath;
            report.server = job.ServerName;
            report.volumePath = volumePath;
            report.name = file.Name;
            report.size = line.size;
            report.deletedDate = file.DeletedDate;
            report.deletedTime = file.DeletedTime;
            report.user = line.userName;
        }

        if (job.RunState == RunState::NoToAll) {
            if (job.Report)
                job.Report->AddFile(report);
            continue;  // listed only: no tests, no mark, no count
        }

        if (job.UseKeepNewest || job.UseUntilFree)
            PlaceInBudgets(job, volumePath, DeletionTimeKey(file.DeletedDate, file.DeletedTime), file.Name,
                           file.BeyondNewest, file.AmongOldest);
        try {
            EvaluateConditions(job, file);
        } catch (...) {
            // Listed, then the scan ends (an invalid deletion date): the
            // record counts it as the list does.
            if (job.Report)
                job.Report->AddFile(report);
            throw;
        }
        if (file.Matched) {
            if (job.ResultList) {
                job.ResultList->changeRecordLine(lineIndex, FileLine::MarkMatching);
                job.ResultList->setSelected(lineIndex, true);
            }
            ++job.MatchCount;
            report.matched = true;
        }
        if (job.Report)
            report.explanations = ExplanationsAfter(job, lineIndex);
        SetResultsCaption(job.ResultsLabel, job.TotalCount, job.MatchCount);
        PumpMessages();

        if (ListModeChosen(job)) {
            // What a purge would free before the next start path asks the
            // volume for its free space.
            if (file.Matched) {
                if (!markedOnVolume)
                    markedOnVolume = &job.MarkedNotPurged[VolumeKey(job)];
                *markedOnVolume += line.size;
            }
            file.Matched = false;
        }
        // Closing the window or Escape while events were processed stops the
        // job: the file in hand is neither asked for nor purged.
        if (file.Matched && job.RunState == RunState::Abort) {
            KeepFile(job, report, job.Stopped ? "job stopped" : "job aborted");
            file.Matched = false;
        }
        if (file.Matched && job.ConfirmEach && job.RunState != RunState::YesToAll) {
            ShowResultsCaption();  // the totals as they stand while the user decides
            job.RunState = ConfirmPurge(FileLine::FileText(line));
            if (const char* kept = KeptByAnswer(job.RunState)) {
                KeepFile(job, report, kept);
                file.Matched = false;
            }
        }
        if (file.Matched) {
            code = NWPurgeDeletedFile(job.ConnHandle, dirHandle, iterHandle, volumeNumber, directoryBase,
                                      std::string(file.Name).c_str());
            ReportNWError(code, "NWPurgeDeletedFile", AddSlash(volumePath) + std::string(file.Name));
            if (code != 0) {
                SkipWork(job, "Purge of " + volumePath + "\\" + std::string(file.Name) + " failed: " +
                                  NWErrorText(code));
                ExplainOutcome(job, "Purge failed: " + NWErrorText(code));
                ++job.Outcomes.Failed;
                report.outcome = FileOutcome::Failed;
                report.code = code;
                report.reason = NWErrorText(code);
                purgeFailed = FailedPurgeEndsScan();
                if (!purgeFailed)
                    code = 0;  // reported; the scan goes on with the next file
            } else {
                ++job.Outcomes.Purged;
                report.outcome = FileOutcome::Purged;
            }
        }
        if (job.Report)
            job.Report->AddFile(report);
    } while (code == 0 && job.RunState != RunState::Abort);

    if (purgeFailed) {
        // The deleted files after the refused one were never listed.
        ExplainOutcome(job, "Rest of " + volumePath + " not scanned after the failed purge");
        ++job.Outcomes.FoldersNotScanned;
    }
}

void PurgeDirectoryCallback(JobState& job, const std::string& volumePath, const WalkEntry& walked)
{
    // A path thousands of folders deep is shown by its end: converting and
    // laying out all of it for every folder would cost more than the scan.
    constexpr std::size_t shownLength = 1024;
    if (job.StatusLine)
        ShowStatusText(job.StatusLine, volumePath.size() <= shownLength
                                           ? QString::fromLocal8Bit(volumePath)
                                           : QStringLiteral("\u2026") + QString::fromLocal8Bit(volumePath.substr(
                                                                            volumePath.size() - shownLength)));
    PurgeFiles(job, volumePath, walked);
    WriteSkippedWorkLines(job);
    PumpMessages();
}

void WriteSkippedWorkLines(JobState& job)
{
    for (const std::string& text : TakeSkippedWorkLines()) {
        AddLine(job, "     " + text);
        SkipWork(job, text, 0);  // counted by the client; the reason goes into the report
    }
}

void PurgeDirectoryCallback(const std::string& volumePath, const WalkEntry& walked, void*)
{
    PurgeDirectoryCallback(Job, volumePath, walked);
}
