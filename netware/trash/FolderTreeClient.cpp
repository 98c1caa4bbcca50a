// SPDX-License-Identifier: GPL-3.0-or-later
// The one server of a folder-tree client: its paths, volumes, folder searches
// and directory handles, and when its stores are read again.
#include "netware/trash/FolderTreeClient.h"

#include <algorithm>
#include <sys/statvfs.h>

#include "netware/ClientText.h"
#include "netware/D_NW.h"
#include "netware/NetWarePath.h"
#include "netware/ShownName.h"
#include "netware/trash/TrashErrors.h"
#include "util/D_Util.h"

namespace {

constexpr ConnectionTable::Server kTheServer = 1;  // the only server the workstation is attached to
constexpr NWCONN_REF kTheConnRef = ConnectionTable::RefOf(kTheServer);

}  // namespace

FolderTreeClient::FolderTreeClient(const char* serverName, Clock clock)
    : serverName_(serverName), clock_(std::move(clock))
{
}

void FolderTreeClient::Refresh()
{
    // Items are addressed by their place in the tree: a scan in progress
    // keeps the tree it started with. A reading serves until it has gone
    // unused for a moment, counted from when it was made or a scan last
    // released a directory: opening the connection, resolving each start
    // path and walking it are one job, which reads large stores once however
    // long its scans take; a job started later reads them again.
    const auto now = clock_();
    if (dirHandles_.InUse() || (treeValid_ && now - treeUsed_ < std::chrono::seconds(2)))
        return;
    ReadStores();
    paths_.Clear();
    treeUsed_ = clock_();
    treeValid_ = true;
}

NWCCODE FolderTreeClient::Failed(NWCCODE code, std::string subject)
{
    lastFailure_ = {code, std::move(subject)};
    return code;
}

// ---- the server -------------------------------------------------------------

std::vector<ConnectionTable::Server> FolderTreeClient::Servers() { return {kTheServer}; }

ConnectionTable::Server FolderTreeClient::PrimaryServer() { return kTheServer; }

bool FolderTreeClient::ServerNames(Server server, std::string& name, std::string& tree)
{
    name = tree = serverName_;
    return server == kTheServer;
}

void FolderTreeClient::ConnectionOpened(NWCONN_HANDLE) { Refresh(); }

void FolderTreeClient::ConnectionClosed(NWCONN_HANDLE conn)
{
    dirHandles_.ReleaseAll(conn);
    DirectoryDone();
}

// ---- paths and searches -----------------------------------------------------

NWCCODE FolderTreeClient::SplitPathByClient(const char* path, char* server, NWCONN_HANDLE& conn, char* volume,
                                            char* directory)
{
    NetWarePathHead head;
    if (!path || !ParsePathHead(path, head) || head.server.empty())
        return ERR_INVALID_PATH;
    if (!SameTextAscii(head.server, serverName_))
        return ERR_NO_CONNECTION_TO_SERVER;
    if (!conns_.OpenOn(kTheServer)) {
        NWCONN_HANDLE opened = 0;
        NWCCOpenConnByRef(kTheConnRef, 1, 0, opened);
    } else {
        Refresh();
    }
    ReportProblems();
    // The folder is looked up now: the walk is then given its names as they
    // are, and a path that is ambiguous or names no folder goes no further.
    size_t volumeIndex = 0, folder = 0;
    if (NWCCODE code = ResolveDirectory(conns_.OpenOn(kTheServer), path, volumeIndex, folder))
        return code;
    const std::string shownPath = Tree().ShownPath(folder);
    if (shownPath.size() >= kSplitDirectorySize)
        return Failed(ERR_INVALID_PATH, "the path is too long");
    conn = conns_.OpenOn(kTheServer);
    CopyText256(serverName_, server);
    CopyText256(Tree().volumes[volumeIndex].name, volume);
    CopyText(shownPath, directory, kSplitDirectorySize);
    return SUCCESSFUL;
}

NWCCODE FolderTreeClient::ResolveDirectory(NWCONN_HANDLE conn, const char* path, size_t& volume, size_t& directory)
{
    if (!IsOpen(conn))
        return ERR_INVALID_CONNECTION;
    NetWarePathHead head;
    if (!path || !ParsePathHead(path, head) || (!head.server.empty() && !SameTextAscii(head.server, serverName_)))
        return ERR_INVALID_PATH;
    const TrashIndex& tree = Tree();
    if (!tree.FindVolume(head.volume, volume))
        return Failed(ERR_VOLUME_DOES_NOT_EXIST, ShownName(head.volume));
    const auto step = [&tree](size_t parent, std::string_view name, size_t& child) {
        return tree.FindChild(parent, name, child);
    };
    switch (paths_.Resolve(path, head.directoryStart, tree.volumes[volume].root, step, directory)) {
    case NameLookup::Found:
        return SUCCESSFUL;
    case NameLookup::Ambiguous:
        return Failed(ERR_AMBIGUOUS_PATH, path);
    case NameLookup::Missing:
        break;
    }
    return Failed(ERR_INVALID_PATH, path);
}

NWCCODE FolderTreeClient::DirectoryName(NWCONN_HANDLE conn, const char* path, std::string& name)
{
    size_t volume = 0, directory = 0;
    if (NWCCODE code = ResolveDirectory(conn, path, volume, directory))
        return code;
    name = ShownFolderName(Tree().directories[directory].name);
    return SUCCESSFUL;
}

NWCCODE FolderTreeClient::ResolveBelow(NWCONN_HANDLE conn, NWDIR_HANDLE base, const char* path, size_t& volume,
                                       size_t& directory)
{
    if (!IsOpen(conn))
        return ERR_INVALID_CONNECTION;
    const DirHandleState* held = dirHandles_.Find(conn, base);
    if (!held)
        return ERR_BAD_DIRECTORY_HANDLE;
    if (!path)
        return ERR_INVALID_PATH;
    const TrashIndex& tree = Tree();
    volume = held->volumeNumber;
    directory = held->directory;
    const std::string_view below(path);
    for (size_t at = 0; at < below.size();) {
        const size_t end = std::min(below.find_first_of("\\/", at), below.size());
        if (end > at) {
            size_t child = 0;
            switch (tree.FindChild(directory, below.substr(at, end - at), child)) {
            case NameLookup::Found:
                directory = child;
                break;
            case NameLookup::Ambiguous:
                return Failed(ERR_AMBIGUOUS_PATH, path);
            case NameLookup::Missing:
                return Failed(ERR_INVALID_PATH, path);
            }
        }
        at = end + 1;
    }
    return SUCCESSFUL;
}

NWCCODE FolderTreeClient::StartSearch(NWCONN_HANDLE conn, const char* path, nuint8& volumeNumber, nuint16& searchId)
{
    size_t volume = 0, directory = 0;
    if (NWCCODE code = ResolveDirectory(conn, path, volume, directory))
        return code;
    return NameFolderSearch(conn, volume, directory, volumeNumber, searchId);
}

NWCCODE FolderTreeClient::StartSearchBelow(NWCONN_HANDLE conn, NWDIR_HANDLE base, const char* path,
                                           nuint8& volumeNumber, nuint16& searchId)
{
    size_t volume = 0, directory = 0;
    if (NWCCODE code = ResolveBelow(conn, base, path, volume, directory))
        return code;
    return NameFolderSearch(conn, volume, directory, volumeNumber, searchId);
}

NWCCODE FolderTreeClient::NameFolderSearch(NWCONN_HANDLE conn, size_t volume, size_t directory,
                                           nuint8& volumeNumber, nuint16& searchId)
{
    const TrashIndex& tree = Tree();
    FolderNameSearch search;
    for (size_t child : tree.directories[directory].children)
        search.names.push_back(ShownFolderName(tree.directories[child].name));
    volumeNumber = static_cast<nuint8>(volume);
    searchId = searches_.Add(conn, volumeNumber, std::move(search));
    return SUCCESSFUL;
}

NWCCODE FolderTreeClient::DirSearchNext(NWCONN_HANDLE conn, nuint8 volumeNumber, nuint16 directoryID,
                                        nuint16 sequence, nuint8 searchAttributes, const char* pattern,
                                        NWSEARCH_ENTRY& entry, nuint32)
{
    FolderNameSearch* search = searches_.Find(conn, volumeNumber, directoryID);
    if (!search)
        return ERR_INVALID_PATH;
    // The volumes hold folders only: what lies in them are deleted items.
    return NextFolderName(*search, sequence, searchAttributes, pattern, NameRule(), entry);
}

NWCCODE FolderTreeClient::NWGetVolumeName(NWCONN_HANDLE conn, nuint16 volumeNumber, char* volumeName)
{
    if (!IsOpen(conn))
        return ERR_INVALID_CONNECTION;
    if (volumeNumber >= Tree().volumes.size())
        return ERR_VOLUME_DOES_NOT_EXIST;
    CopyText256(Tree().volumes[volumeNumber].name, volumeName);
    return SUCCESSFUL;
}

NWCCODE FolderTreeClient::NWGetVolumeSpace(NWCONN_HANDLE conn, const char* volumeName, std::uint64_t& totalBytes,
                                           std::uint64_t& freeBytes)
{
    totalBytes = 0;
    freeBytes = 0;
    if (!IsOpen(conn))
        return ERR_INVALID_CONNECTION;
    size_t volume = 0;
    if (!volumeName || !Tree().FindVolume(volumeName, volume))
        return ERR_VOLUME_DOES_NOT_EXIST;
    // What an ordinary user may still write, as df shows it; the deleted
    // items take room on the file system, so they count as used.
    struct statvfs space {};
    if (statvfs(Tree().volumes[volume].mountPoint.c_str(), &space) != 0)
        return ERR_VOLUME_SPACE_UNKNOWN;
    totalBytes = static_cast<std::uint64_t>(space.f_blocks) * space.f_frsize;
    freeBytes = static_cast<std::uint64_t>(space.f_bavail) * space.f_frsize;
    return SUCCESSFUL;
}

// ---- directory handles, deleted items and their purge ----------------------

NWCCODE FolderTreeClient::AllocateDirHandle(NWCONN_HANDLE conn, const char* path, NWDIR_HANDLE& handle)
{
    size_t volume = 0, directory = 0;
    if (NWCCODE code = ResolveDirectory(conn, path, volume, directory))
        return code;
    return dirHandles_.Allocate(conn, {directory, static_cast<nuint8>(volume)}, handle);
}

NWCCODE FolderTreeClient::AllocateDirHandleBelow(NWCONN_HANDLE conn, NWDIR_HANDLE base, const char* path,
                                                 NWDIR_HANDLE& handle)
{
    size_t volume = 0, directory = 0;
    if (NWCCODE code = ResolveBelow(conn, base, path, volume, directory))
        return code;
    return dirHandles_.Allocate(conn, {directory, static_cast<nuint8>(volume)}, handle);
}

NWCCODE FolderTreeClient::ReleaseDirHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle)
{
    if (NWCCODE code = dirHandles_.Release(conn, dirHandle))
        return code;
    DirectoryDone();
    treeUsed_ = clock_();
    return SUCCESSFUL;
}

NWCCODE FolderTreeClient::NextDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32& iterHandle,
                                          nuint8& volumeNumber, nuint32& directoryBase, NWDELETED_INFO& entryInfo)
{
    const DirHandleState* held = dirHandles_.Find(conn, dirHandle);
    if (!held)
        return ERR_BAD_DIRECTORY_HANDLE;
    const auto& list = Tree().directories[held->directory].entries;
    const auto next = NextUnpurged(list, iterHandle, [this](size_t item) { return IsPurged(item); });
    if (!next)
        return ERR_NO_FILES_FOUND;
    FillDeletedRecord(RecordOf(*next, static_cast<nuint32>(held->directory)), entryInfo, iterHandle);
    volumeNumber = held->volumeNumber;
    directoryBase = static_cast<nuint32>(held->directory);
    return SUCCESSFUL;
}

NWCCODE FolderTreeClient::NWPurgeDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32 iterHandle,
                                             nuint8 volumeNumber, nuint32 directoryBase, const char* fileName)
{
    const DirHandleState* held = dirHandles_.Find(conn, dirHandle);
    if (!held)
        return ERR_BAD_DIRECTORY_HANDLE;
    if (volumeNumber != held->volumeNumber || directoryBase != held->directory)
        return TRASH_ERR_NO_SUCH_DELETED_FILE;
    const auto listed = ListedInFolder(Tree().directories[held->directory].entries, iterHandle, fileName);
    if (!listed)
        return TRASH_ERR_NO_SUCH_DELETED_FILE;
    const size_t item = *listed;
    if (IsPurged(item) || !IsListedName(ListedName(item), fileName))
        return TRASH_ERR_NO_SUCH_DELETED_FILE;
    if (beforePurge_)
        beforePurge_();
    try {
        const ActingAsOwner asOwner(PurgerOf(item));
        return PurgeItem(item);
    } catch (const OwnerIdentityError& e) {
        return Failed(TRASH_ERR_NO_PURGE_PRIVILEGE, e.what());
    }
}

// ---- names ------------------------------------------------------------------

NWCCODE FolderTreeClient::ObjectIdToNameByClient(NWDSContextHandle context, NWCONN_HANDLE conn, nuint32 objectID,
                                                 char* name)
{
    if (!contexts_.Find(context))
        return ERR_BAD_CONTEXT;
    if (!IsOpen(conn))
        return ERR_INVALID_CONNECTION;
    std::string found;
    if (!UserName(objectID, found))
        return ERR_NO_SUCH_OBJECT;
    CopyText256(found, name);
    return SUCCESSFUL;
}
