// SPDX-License-Identifier: GPL-3.0-or-later
// The trash client's operations: the one server, paths, searches, directory
// handles, the entry iteration and purge, and names.
#include "netware/trash/TrashClient.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "netware/ClientText.h"
#include "netware/D_NW.h"
#include "netware/DeletedFileRecords.h"
#include "netware/NetWarePath.h"
#include "netware/PackedDateTime.h"
#include "netware/ShownName.h"
#include "netware/trash/CanFiles.h"
#include "netware/trash/TrashInfo.h"
#include "netware/trash/TrashNames.h"
#include "netware/trash/TrashRemove.h"
#include "util/D_Util.h"
#include "util/MessageBox.h"

namespace {

constexpr ConnectionTable::Server kTrashServer = 1;  // the only server the workstation is attached to
constexpr NWCONN_REF kTrashConnRef = ConnectionTable::RefOf(kTrashServer);

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

TrashClient::TrashClient(EnvironmentSource source, Clock clock) : source_(std::move(source)), clock_(std::move(clock))
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

NWCCODE TrashClient::Failed(NWCCODE code, std::string subject)
{
    lastFailure_ = {code, std::move(subject)};
    return code;
}

std::unique_ptr<NWErrorTextLibrary> TrashClient::LoadErrorTextLibrary()
{
    return MakeErrorTextLibrary(TrashOwnCodeTexts(), true, lastFailure_);
}

void TrashClient::Refresh()
{
    // Entries are addressed by their place in the index: a scan in progress
    // keeps the index it started with. A reading serves until it has gone
    // unused for a moment, counted from when it was made or a scan last
    // released a directory: opening the connection, resolving each start
    // path and walking it are one job, which reads a large trash once however
    // long its scans take; a job started later reads the trash again.
    const auto now = clock_();
    if (dirHandles_.InUse() || (indexValid_ && now - indexUsed_ < std::chrono::seconds(2)))
        return;
    RemovePurgedFoldersSizes();
    CloseCans();
    environment_ = source_();
    index_ = TrashIndex::Read(environment_);
    paths_.Clear();
    indexUsed_ = clock_();
    indexValid_ = true;
}

// ---- the server -------------------------------------------------------------

std::vector<ConnectionTable::Server> TrashClient::Servers() { return {kTrashServer}; }

ConnectionTable::Server TrashClient::PrimaryServer() { return kTrashServer; }

bool TrashClient::ServerNames(Server server, std::string& name, std::string& tree)
{
    name = tree = TrashServerName;
    return server == kTrashServer;
}

void TrashClient::ConnectionOpened(NWCONN_HANDLE) { Refresh(); }

void TrashClient::ConnectionClosed(NWCONN_HANDLE conn)
{
    dirHandles_.ReleaseAll(conn);
    RemovePurgedFoldersSizes();
}

// ---- paths and searches -----------------------------------------------------

NWCCODE TrashClient::SplitPathByClient(const char* path, char* server, NWCONN_HANDLE& conn, char* volume,
                                       char* directory)
{
    NetWarePathHead head;
    if (!path || !ParsePathHead(path, head) || head.server.empty())
        return ERR_INVALID_PATH;
    if (!SameTextAscii(head.server, TrashServerName))
        return ERR_NO_CONNECTION_TO_SERVER;
    if (!conns_.OpenOn(kTrashServer)) {
        NWCONN_HANDLE opened = 0;
        NWCCOpenConnByRef(kTrashConnRef, 1, 0, opened);
    } else {
        Refresh();
    }
    ReportProblems();
    // The folder is looked up now: the walk is then given its names as they
    // are, and a path that is ambiguous or names no folder goes no further.
    size_t volumeIndex = 0, folder = 0;
    if (NWCCODE code = ResolveDirectory(conns_.OpenOn(kTrashServer), path, volumeIndex, folder))
        return code;
    const std::string shownPath = index_.ShownPath(folder);
    if (shownPath.size() >= kSplitDirectorySize)
        return Failed(ERR_INVALID_PATH, "the path is too long");
    conn = conns_.OpenOn(kTrashServer);
    CopyText256(TrashServerName, server);
    CopyText256(index_.volumes[volumeIndex].name, volume);
    CopyText(shownPath, directory, kSplitDirectorySize);
    return SUCCESSFUL;
}

NWCCODE TrashClient::ResolveDirectory(NWCONN_HANDLE conn, const char* path, size_t& volume, size_t& directory)
{
    if (!IsOpen(conn))
        return ERR_INVALID_CONNECTION;
    NetWarePathHead head;
    if (!path || !ParsePathHead(path, head) || (!head.server.empty() && !SameTextAscii(head.server, TrashServerName)))
        return ERR_INVALID_PATH;
    if (!index_.FindVolume(head.volume, volume))
        return Failed(ERR_VOLUME_DOES_NOT_EXIST, ShownName(head.volume));
    const auto step = [this](size_t parent, std::string_view name, size_t& child) {
        return index_.FindChild(parent, name, child);
    };
    switch (paths_.Resolve(path, head.directoryStart, index_.volumes[volume].root, step, directory)) {
    case NameLookup::Found:
        return SUCCESSFUL;
    case NameLookup::Ambiguous:
        return Failed(ERR_AMBIGUOUS_PATH, path);
    case NameLookup::Missing:
        break;
    }
    return Failed(ERR_INVALID_PATH, path);
}

NWCCODE TrashClient::DirectoryName(NWCONN_HANDLE conn, const char* path, std::string& name)
{
    size_t volume = 0, directory = 0;
    if (NWCCODE code = ResolveDirectory(conn, path, volume, directory))
        return code;
    name = ShownFolderName(index_.directories[directory].name);
    return SUCCESSFUL;
}

NWCCODE TrashClient::StartSearch(NWCONN_HANDLE conn, const char* path, nuint8& volumeNumber, nuint16& searchId)
{
    size_t volume = 0, directory = 0;
    if (NWCCODE code = ResolveDirectory(conn, path, volume, directory))
        return code;
    FolderNameSearch search;
    for (size_t child : index_.directories[directory].children)
        search.names.push_back(ShownFolderName(index_.directories[child].name));
    volumeNumber = static_cast<nuint8>(volume);
    searchId = searches_.Add(conn, volumeNumber, std::move(search));
    return SUCCESSFUL;
}

NWCCODE TrashClient::DirSearchNext(NWCONN_HANDLE conn, nuint8 volumeNumber, nuint16 directoryID, nuint16 sequence,
                                   nuint8 searchAttributes, const char* pattern, NWSEARCH_ENTRY& entry, nuint32)
{
    FolderNameSearch* search = searches_.Find(conn, volumeNumber, directoryID);
    if (!search)
        return ERR_INVALID_PATH;
    // The volumes hold folders only: what lies in them are trash entries.
    return NextFolderName(*search, sequence, searchAttributes, pattern, NameRule(), entry);
}

NWCCODE TrashClient::NWGetVolumeName(NWCONN_HANDLE conn, nuint16 volumeNumber, char* volumeName)
{
    if (!IsOpen(conn))
        return ERR_INVALID_CONNECTION;
    if (volumeNumber >= index_.volumes.size())
        return ERR_VOLUME_DOES_NOT_EXIST;
    CopyText256(index_.volumes[volumeNumber].name, volumeName);
    return SUCCESSFUL;
}

NWCCODE TrashClient::NWGetVolumeSpace(NWCONN_HANDLE conn, const char* volumeName, std::uint64_t& totalBytes,
                                      std::uint64_t& freeBytes)
{
    totalBytes = 0;
    freeBytes = 0;
    if (!IsOpen(conn))
        return ERR_INVALID_CONNECTION;
    size_t volume = 0;
    if (!volumeName || !index_.FindVolume(volumeName, volume))
        return ERR_VOLUME_DOES_NOT_EXIST;
    // What an ordinary user may still write, as df shows it; the trashed
    // items take room on the file system, so they count as used.
    struct statvfs space {};
    if (statvfs(index_.volumes[volume].mountPoint.c_str(), &space) != 0)
        return ERR_VOLUME_SPACE_UNKNOWN;
    totalBytes = static_cast<std::uint64_t>(space.f_blocks) * space.f_frsize;
    freeBytes = static_cast<std::uint64_t>(space.f_bavail) * space.f_frsize;
    return SUCCESSFUL;
}

// ---- directory handles, entries, purge --------------------------------------

NWCCODE TrashClient::AllocateDirHandle(NWCONN_HANDLE conn, const char* path, NWDIR_HANDLE& handle)
{
    size_t volume = 0, directory = 0;
    if (NWCCODE code = ResolveDirectory(conn, path, volume, directory))
        return code;
    return dirHandles_.Allocate(conn, {directory, static_cast<nuint8>(volume)}, handle);
}

NWCCODE TrashClient::ReleaseDirHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle)
{
    if (NWCCODE code = dirHandles_.Release(conn, dirHandle))
        return code;
    RemovePurgedFoldersSizes();
    indexUsed_ = clock_();
    return SUCCESSFUL;
}

NWCCODE TrashClient::NextDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32& iterHandle,
                                     nuint8& volumeNumber, nuint32& directoryBase, NWDELETED_INFO& entryInfo)
{
    const DirHandleState* held = dirHandles_.Find(conn, dirHandle);
    if (!held)
        return ERR_BAD_DIRECTORY_HANDLE;
    const DirHandleState& state = *held;
    const auto& list = index_.directories[state.directory].entries;

    const auto next = NextUnpurged(list, iterHandle, [this](size_t entry) { return index_.entries[entry].purged; });
    if (!next)
        return ERR_NO_FILES_FOUND;
    const TrashEntry& entry = index_.entries[*next];
    FillDeletedRecord({*next, static_cast<nuint32>(state.directory), entry.isDirectory ? kDirectoryAttribute : 0,
                       entry.name, entry.size, entry.deleted, static_cast<nuint32>(index_.cans[entry.can].owner.uid),
                       entry.allocated},
                      entryInfo, iterHandle);
    volumeNumber = state.volumeNumber;
    directoryBase = static_cast<nuint32>(state.directory);
    return SUCCESSFUL;
}

NWCCODE TrashClient::NWPurgeDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32 iterHandle,
                                        nuint8 volumeNumber, nuint32 directoryBase, const char* fileName)
{
    const DirHandleState* held = dirHandles_.Find(conn, dirHandle);
    if (!held)
        return ERR_BAD_DIRECTORY_HANDLE;
    const DirHandleState& state = *held;
    if (volumeNumber != state.volumeNumber || directoryBase != state.directory)
        return TRASH_ERR_NO_SUCH_DELETED_FILE;
    // Purge only exactly the entry the caller names: place and name agree.
    const auto& list = index_.directories[state.directory].entries;
    const size_t wanted = static_cast<size_t>(iterHandle) - 1;
    if (iterHandle == 0 || !std::binary_search(list.begin(), list.end(), wanted) || !fileName)
        return TRASH_ERR_NO_SUCH_DELETED_FILE;
    TrashEntry& entry = index_.entries[wanted];
    if (entry.purged || !IsListedName(entry.name, fileName))
        return TRASH_ERR_NO_SUCH_DELETED_FILE;
    if (beforePurge_)
        beforePurge_();
    try {
        const ActingAsOwner asOwner(index_.cans[entry.can].owner);
        return PurgeEntry(entry);
    } catch (const OwnerIdentityError& e) {
        return Failed(TRASH_ERR_NO_PURGE_PRIVILEGE, e.what());
    }
}

NWCCODE TrashClient::PurgeEntry(TrashEntry& entry)
{
    lastFailure_ = {};
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

NWCCODE TrashClient::ObjectIdToNameByClient(NWDSContextHandle context, NWCONN_HANDLE conn, nuint32 objectID,
                                            char* name)
{
    if (!contexts_.Find(context))
        return ERR_BAD_CONTEXT;
    if (!IsOpen(conn))
        return ERR_INVALID_CONNECTION;
    // A trash can's owner is a user id; the name comes from the password database.
    for (const TrashUser& user : environment_.users)
        if (user.uid == objectID) {
            CopyText256(user.name, name);
            return SUCCESSFUL;
        }
    return ERR_NO_SUCH_OBJECT;
}
