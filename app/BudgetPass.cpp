// SPDX-License-Identifier: GPL-3.0-or-later
// The listing pass of a start path and the budget cut-offs it yields.
#include "app/BudgetPass.h"

#include <QSpinBox>

#include <cstring>

#include "netware/D_NW.h"
#include "netware/NWClientBackend.h"
#include "util/MessageBox.h"
#include "util/MessagePump.h"
#include "widgets/ResultList.h"

namespace {

// Why a pass could not list every deleted file below its start path; empty
// while it could.
struct ListingTrouble {
    std::string operation;
    NWCCODE code = 0;
    std::string directory;
};

void ListDirectory(JobState& job, const std::string& volumePath, const WalkEntry& walked,
                   DeletedFileListing& listing, ListingTrouble& trouble)
{
    NWDIR_HANDLE dirHandle = 0;
    NWCCODE code = AllocWalkedDirectoryHandle(job.ConnHandle, volumePath, walked, dirHandle);
    if (code != 0) {
        trouble = {"NWAllocTemporaryDirectoryHandle", code, volumePath};
        return;
    }
    nuint32 iterHandle = 0xFFFFFFFF;
    NWDELETED_INFO record{};
    for (bool started = false;; started = true) {
        nuint8 volumeNumber = 0;
        nuint32 directoryBase = 0;
        code = NextDeletedFile(job.ConnHandle, dirHandle, iterHandle, volumeNumber, directoryBase, record);
        if (code != 0)
            break;
        // The path is kept for directories with files only: the many empty
        // folders above a deep one would each cost a copy of their path.
        if (!started)
            listing.StartDirectory(volumePath);
        NW_DATE date;
        NW_TIME time;
        UnpackPackedDateTime(record.deletedDateAndTime, date, time);
        listing.Add(DeletionTimeKey(date, time), DeletedFileWeight(record),
                    std::string_view(record.name, strnlen(record.name, sizeof record.name)));
    }
    ReleaseDirHandle(job.ConnHandle, dirHandle);  // its code tells nothing the pass could act on
    if (code != ERR_NO_FILES_FOUND)
        trouble = {"NextDeletedFile", code, volumePath};
}

// Keeps the error boxes of a directory that cannot be searched or read off
// the screen while the pass runs: the scan that follows meets the same
// failure and reports it.
class QuietErrorBoxes {
public:
    QuietErrorBoxes()
    {
        previous_ = SetMessageBoxHandler([this](const MessageBoxRequest& request) {
            if (request.kind == MsgDlgType::Error)
                return 0;
            return previous_ ? previous_(request) : AnswerOnStandardError(request);
        });
    }
    ~QuietErrorBoxes() { SetMessageBoxHandler(previous_); }
    QuietErrorBoxes(const QuietErrorBoxes&) = delete;
    QuietErrorBoxes& operator=(const QuietErrorBoxes&) = delete;

private:
    MessageBoxHandler previous_;
};

// Shown as every other failure of a job is, and kept in the result list (and
// so in the log) under the start path's heading.
void ReportBudgetSkipped(JobState& job, const std::string& text)
{
    SkipWork(job, text);
    if (job.ResultList)
        job.ResultList->addLine("     " + text);
    MessageBoxOK(MsgDlgType::Error, text);
}

std::uint32_t SpinMB(const QSpinBox* spin)
{
    return spin && spin->value() > 0 ? static_cast<std::uint32_t>(spin->value()) : 1;
}

}  // namespace

void PrepareStartPathBudgets(JobState& job, const std::string& walkPath, nuint8 walkMode, bool recursive,
                             const ScannedDirectories* scanned)
{
    job.Budgets = {};
    if (!job.UseKeepNewest && !job.UseUntilFree)
        return;
    job.Budgets.KeepMB = SpinMB(job.KeepNewestSpin);
    job.Budgets.FreeMB = SpinMB(job.UntilFreeSpin);

    // The same walk the scan makes, over the directories it will scan: none
    // that an earlier start path scanned, none twice.
    DeletedFileListing listing;
    ListingTrouble trouble;
    ScannedDirectories listed(NameRule());
    int notSearched = 0;
    {
        QuietErrorBoxes quiet;
        notSearched = WalkDirectoryTree(
            job.ConnHandle, walkPath, "*.*", walkMode,
            [&](const std::string& path, const WalkEntry& walked, void*) {
                if (trouble.code == 0 && job.RunState != RunState::Abort &&
                    !(scanned && scanned->Contains(job.ServerName, walked.key)) &&
                    listed.EarlierListing(job.ServerName, walked.key, 0) < 0)
                    ListDirectory(job, path, walked, listing, trouble);
                PumpMessages();
            },
            nullptr, recursive);
    }
    if (job.RunState == RunState::Abort)
        return;
    if (notSearched > 0) {
        ReportBudgetSkipped(job, "Budget conditions skipped below " + walkPath + " because " +
                                     std::to_string(notSearched) +
                                     (notSearched == 1 ? " folder" : " folders") + " below it could not be searched");
        return;
    }
    if (trouble.code != 0) {
        // Deciding on part of the files could purge newer files than asked.
        ReportBudgetSkipped(job, "Budget conditions skipped below " + walkPath + " because " + trouble.operation +
                                     " returned error " + NWErrorText(trouble.code) + " for " + trouble.directory);
        return;
    }
    listing.Sort();

    if (job.UseKeepNewest)
        job.Budgets.Keep = listing.KeepNewest(job.Budgets.KeepMB * BytesPerMB);
    if (job.UseUntilFree) {
        std::uint64_t totalBytes = 0, freeBytes = 0;
        const NWCCODE code = NWGetVolumeSpace(job.ConnHandle, job.VolumeName.c_str(), totalBytes, freeBytes);
        if (code != 0) {
            ReportBudgetSkipped(job, "\"Purge until free\" skipped below " + walkPath +
                                         " because the free space of volume " + job.VolumeName +
                                         " is not known (NWGetVolumeSpace returned error " + NWErrorText(code) + ")");
            return;
        }
        const std::uint64_t wanted = job.Budgets.FreeMB * BytesPerMB;
        const auto marked = job.MarkedNotPurged.find(VolumeKey(job));
        if (marked != job.MarkedNotPurged.end())
            freeBytes += marked->second;
        job.Budgets.Free = listing.FreeOldest(wanted > freeBytes ? wanted - freeBytes : 0);
    }
}

void PlaceInBudgets(JobState& job, const std::string& volumePath, std::uint64_t time, std::string_view name,
                    bool& beyondNewest, bool& amongOldest)
{
    beyondNewest = job.UseKeepNewest && job.Budgets.Keep.Place(time, volumePath, name);
    amongOldest = job.UseUntilFree && job.Budgets.Free.Place(time, volumePath, name);
}
