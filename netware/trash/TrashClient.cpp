// SPDX-License-Identifier: GPL-3.0-or-later
// The trash client's operations: reading the cans, the entry iteration and
// purge, and names.
#include "netware/trash/TrashClient.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "netware/ClientText.h"
#include "netware/D_NW.h"
#include "netware/DeletedFileRecords.h"
#include "netware/PackedDateTime.h"
#include "netware/ShownName.h"
#include "netware/trash/CanFiles.h"
#include "netware/trash/TrashInfo.h"
#include "netware/trash/TrashNames.h"
#include "netware/trash/TrashRemove.h"
#include "util/D_Util.h"
#include "util/MessageBox.h"

namespace {

// A box for many problems shows the first few; the result list has them all.
std::string ProblemsBoxText(const std::vector<std::string>& problems)
{
    constexpr size_t Shown = 10;
    std::string text;
    for (size_t i = 0; i < problems.size() && i < Shown; ++i)
        text += (i ? "\n" : "") + problems[i];
    if (problems.size() > Shown)
        text += "\n... and " + std::to_string(problems.size() - Shown) +
                " more problems, which the result list names";
    return text;
}

}  // namespace

TrashClient::TrashClient(TrashEnvironment environment, Clock clock)
    : TrashClient([environment] { return environment; }, std::move(clock))
{
}

TrashClient::TrashClient(EnvironmentSource source, Clock clock)
    : FolderTreeClient(TrashServerName, std::move(clock)), source_(std::move(source))
{
}

TrashClient::~TrashClient()
{
    RemovePurgedFoldersSizes();
    CloseCans();
}

void TrashClient::CloseCans() { openCans_.clear(); }

const OpenTrashCan& TrashClient::OpenedCan(size_t can)
{
    auto found = openCans_.find(can);
    if (found != openCans_.end())
        return *found->second;
    // Opened as its owner from the root down and used for every step after,
    // so a can or folder swapped since the trash was read is refused instead
    // of followed.
    const ActingAsOwner asOwner(index_.cans[can].owner);
    return *(openCans_[can] = std::make_unique<OpenTrashCan>(index_.cans[can]));
}

void TrashClient::ReportProblems()
{
    // Every job's list and log name each problem; the box shows the new ones,
    // all in one.
    std::vector<std::string> fresh;
    for (const std::string& problem : index_.problems) {
        NoteSkippedWork(problem);
        if (reportedProblems_.insert(problem).second)
            fresh.push_back(problem);
    }
    if (!fresh.empty())
        MessageBoxOK(MsgDlgType::Error, ProblemsBoxText(fresh));
}

std::unique_ptr<NWErrorTextLibrary> TrashClient::LoadErrorTextLibrary()
{
    return MakeErrorTextLibrary(TrashOwnCodeTexts(), true, lastFailure_);
}

void TrashClient::ReadStores()
{
    RemovePurgedFoldersSizes();
    CloseCans();
    environment_ = source_();
    index_ = TrashIndex::Read(environment_);
}

// ---- entries and their purge ------------------------------------------------

DeletedRecordValues TrashClient::RecordOf(size_t number, nuint32 folder) const
{
    const TrashEntry& entry = index_.entries[number];
    const auto owner = static_cast<nuint32>(index_.cans[entry.can].owner.uid);
    return {number,     folder,        entry.isDirectory ? kDirectoryAttribute : 0,
            entry.name, entry.size, entry.deleted, owner, entry.allocated()};
}

NWCCODE TrashClient::PurgeItem(size_t number)
{
    lastFailure_ = {};
    TrashEntry& entry = index_.entries[number];
    const TrashCan& trashCan = index_.cans[entry.can];
    const OpenTrashCan& can = OpenedCan(entry.can);
    if (can.error)
        return Failed(TrashCodeOfErrno(can.error), "trash can " + ShownText(can.problem));
    const std::string item = ShownText(trashCan.path + "/files/" + entry.trashName);
    // Only the item that was listed is purged: one restored and trashed again
    // since, or another one trashed under the same name, is left alone.
    if (!StillAsRead(can.files, entry))
        return Failed(TRASH_ERR_NO_SUCH_DELETED_FILE, item);
    int error = 0;
    std::string refused;  // a folder in the item that the purge may not empty, and why
    if (entry.hasFile)
        error = can.files < 0 ? ENOENT
                              : RemoveTrashedEntry(can.files, entry.trashName, can.device, trashCan.owner.uid, refused);
    // The .trashinfo goes only after its item, so a failed purge stays listed.
    if (error)
        return Failed(TrashCodeOfErrno(error), refused.empty() ? item : ShownText(trashCan.path + "/files/" + refused));
    if (entry.hasInfo) {
        if (can.info < 0)
            error = ENOENT;
        else if (unlinkat(can.info, (entry.trashName + ".trashinfo").c_str(), 0) != 0 && errno != ENOENT)
            error = errno;
        if (error)
            return Failed(TrashCodeOfErrno(error),
                          ShownText(trashCan.path + "/info/" + entry.trashName + ".trashinfo"));
    }
    entry.purged = true;
    // Only folders have a cached size. Their lines go when the scan is done
    // with the directory, in one rewrite per can rather than one per folder
    // purged. A line left behind meanwhile, or by a failed rewrite, names an
    // item that no longer exists, which readers of the cache skip.
    if (entry.isDirectory)
        purgedFolders_[entry.can].insert(entry.trashName);
    return SUCCESSFUL;
}

void TrashClient::RemovePurgedFoldersSizes()
{
    // By the can's owner, in the can's open folder: the new file is theirs.
    for (const auto& [can, names] : purgedFolders_)
        try {
            const ActingAsOwner asOwner(index_.cans[can].owner);
            const OpenTrashCan& open = OpenedCan(can);
            if (open.can >= 0)
                RemoveDirectorySizesLines(open.can, names);
        } catch (const OwnerIdentityError&) {
            // The cache keeps lines of purged folders, which its readers skip.
        }
    purgedFolders_.clear();
}

// ---- names ------------------------------------------------------------------

bool TrashClient::UserName(nuint32 id, std::string& name) const
{
    for (const TrashUser& user : environment_.users)
        if (user.uid == id) {
            name = user.name;
            return true;
        }
    return false;
}
