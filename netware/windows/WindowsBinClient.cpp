// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows recycle-bin client's operations: the one server, paths,
// searches, directory handles, the item iteration and purge, and names.
#include "netware/windows/WindowsBinClient.h"

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
#include "netware/ShownName.h"
#include "netware/trash/OwnedFolders.h"
#include "netware/trash/TrashErrors.h"
#include "netware/trash/TrashRemove.h"
#include "util/D_Util.h"

namespace {

constexpr ConnectionTable::Server kWindowsServer = 1;
constexpr NWCONN_REF kWindowsConnRef = ConnectionTable::RefOf(kWindowsServer);

// Whether a bin folder still holds what was read under the name: the same
// file or folder (by identity, or by inode and size), or still none. What
// cannot be looked at fails its removal and says why.
bool IndexAsRead(int binFd, const std::string& name, const WindowsBinItem& item)
{
    struct stat now;
    if (fstatat(binFd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? !item.hasIndex : true;
    return item.hasIndex && item.index && *item.index == IdentityOf(now);
}

enum class ItemCheck { AsRead, Changed, OtherSize };

ItemCheck ItemAsRead(int binFd, const std::string& name, const WindowsBinItem& item)
{
    struct stat now;
    if (fstatat(binFd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0)
        return errno != ENOENT || !item.hasItem ? ItemCheck::AsRead : ItemCheck::Changed;
    if (!item.hasItem || now.st_ino != item.itemInode)
        return ItemCheck::Changed;
    // A size the index gave decided the selection: a file of another size
    // was not what was selected.
    if (item.sizeFromIndex && (!S_ISREG(now.st_mode) || static_cast<std::uint64_t>(now.st_size) != item.size))
        return ItemCheck::OtherSize;
    return ItemCheck::AsRead;
}

std::vector<CompletionCodeText> WindowsOwnCodeTexts()
{
    return {
        {TRASH_ERR_IO_FAILURE, "The recycle bin item could not be read or deleted"},
        {TRASH_ERR_READ_ONLY, "The drive of the recycle bin is read-only"},
        {TRASH_ERR_NO_PURGE_PRIVILEGE, "No permission to delete the recycle bin item"},
        {TRASH_ERR_NO_SUCH_DELETED_FILE, "No such recycle bin item: it is gone or changed since it was listed"},
    };
}

}  // namespace

WindowsBinClient::WindowsBinClient(EnvironmentSource source, Clock clock)
    : source_(std::move(source)), clock_(std::move(clock))
{
}

WindowsBinClient::~WindowsBinClient() = default;

WindowsBinClient::OpenBin::~OpenBin()
{
    if (fd >= 0)
        close(fd);
}

void WindowsBinClient::Refresh()
{
    // Items are addressed by their place in the index: a scan keeps the
    // reading it started with, and one job (connection, start paths, walk)
    // reads the bins once.
    const auto now = clock_();
    if (dirHandles_.InUse() || (indexValid_ && now - indexUsed_ < std::chrono::seconds(2)))
        return;
    openBins_.clear();
    index_ = WindowsBinIndex::Read(source_());
    paths_.Clear();
    indexUsed_ = clock_();
    indexValid_ = true;
}

void WindowsBinClient::ReportProblems()
{
    for (const std::string& problem : index_.problems)
        if (reportedProblems_.insert(problem).second)
            ReportSkippedWork(problem);
}

NWCCODE WindowsBinClient::Failed(NWCCODE code, std::string subject)
{
    lastFailure_ = {code, std::move(subject)};
    return code;
}

std::unique_ptr<NWErrorTextLibrary> WindowsBinClient::LoadErrorTextLibrary()
{
    return MakeErrorTextLibrary(WindowsOwnCodeTexts(), true, lastFailure_);
}

// ---- the server -------------------------------------------------------------

std::vector<ConnectionTable::Server> WindowsBinClient::Servers() { return {kWindowsServer}; }

ConnectionTable::Server WindowsBinClient::PrimaryServer() { return kWindowsServer; }

bool WindowsBinClient::ServerNames(Server server, std::string& name, std::string& tree)
{
    name = tree = WindowsServerName;
    return server == kWindowsServer;
}

void WindowsBinClient::ConnectionOpened(NWCONN_HANDLE) { Refresh(); }

void WindowsBinClient::ConnectionClosed(NWCONN_HANDLE conn) { dirHandles_.ReleaseAll(conn); }

// ---- paths and searches -----------------------------------------------------

NWCCODE WindowsBinClient::SplitPathByClient(const char* path, char* server, NWCONN_HANDLE& conn, char* volume,
                                            char* directory)
{
    NetWarePathHead head;
    if (!path || !ParsePathHead(path, head) || head.server.empty())
        return ERR_INVALID_PATH;
    if (!SameTextAscii(head.server, WindowsServerName))
        return ERR_NO_CONNECTION_TO_SERVER;
    if (!conns_.OpenOn(kWindowsServer)) {
        NWCONN_HANDLE opened = 0;
        NWCCOpenConnByRef(kWindowsConnRef, 1, 0, opened);
    } else {
        Refresh();
    }
    ReportProblems();
    // The folder is looked up now, so the walk is given its names as they are.
    size_t volumeIndex = 0, folder = 0;
    if (NWCCODE code = ResolveDirectory(conns_.OpenOn(kWindowsServer), path, volumeIndex, folder))
        return code;
    const std::string shownPath = index_.folders.ShownPath(folder);
    if (shownPath.size() >= kSplitDirectorySize)
        return Failed(ERR_INVALID_PATH, "the path is too long");
    conn = conns_.OpenOn(kWindowsServer);
    CopyText256(WindowsServerName, server);
    CopyText256(index_.folders.volumes[volumeIndex].name, volume);
    CopyText(shownPath, directory, kSplitDirectorySize);
    return SUCCESSFUL;
}

NWCCODE WindowsBinClient::ResolveDirectory(NWCONN_HANDLE conn, const char* path, size_t& volume, size_t& directory)
{
    if (!conns_.IsOpen(conn))
        return ERR_INVALID_CONNECTION;
    NetWarePathHead head;
    if (!path || !ParsePathHead(path, head) ||
        (!head.server.empty() && !SameTextAscii(head.server, WindowsServerName)))
        return ERR_INVALID_PATH;
    if (!index_.folders.FindVolume(head.volume, volume))
        return Failed(ERR_VOLUME_DOES_NOT_EXIST, ShownName(head.volume));
    const auto step = [this](size_t parent, std::string_view name, size_t& child) {
        return index_.folders.FindChild(parent, name, child);
    };
    switch (paths_.Resolve(path, head.directoryStart, index_.folders.volumes[volume].root, step, directory)) {
    case NameLookup::Found:
        return SUCCESSFUL;
    case NameLookup::Ambiguous:
        return Failed(ERR_AMBIGUOUS_PATH, path);
    case NameLookup::Missing:
        break;
    }
    return Failed(ERR_INVALID_PATH, path);
}

NWCCODE WindowsBinClient::DirectoryName(NWCONN_HANDLE conn, const char* path, std::string& name)
{
    size_t volume = 0, directory = 0;
    if (NWCCODE code = ResolveDirectory(conn, path, volume, directory))
        return code;
    name = ShownFolderName(index_.folders.directories[directory].name);
    return SUCCESSFUL;
}

NWCCODE WindowsBinClient::StartSearch(NWCONN_HANDLE conn, const char* path, nuint8& volumeNumber, nuint16& searchId)
{
    size_t volume = 0, directory = 0;
    if (NWCCODE code = ResolveDirectory(conn, path, volume, directory))
        return code;
    FolderNameSearch search;
    for (size_t child : index_.folders.directories[directory].children)
        search.names.push_back(ShownFolderName(index_.folders.directories[child].name));
    volumeNumber = static_cast<nuint8>(volume);
    searchId = searches_.Add(conn, volumeNumber, std::move(search));
    return SUCCESSFUL;
}

NWCCODE WindowsBinClient::DirSearchNext(NWCONN_HANDLE conn, nuint8 volumeNumber, nuint16 directoryID,
                                        nuint16 sequence, nuint8 searchAttributes, const char* pattern,
                                        NWSEARCH_ENTRY& entry, nuint32)
{
    FolderNameSearch* search = searches_.Find(conn, volumeNumber, directoryID);
    if (!search)
        return ERR_INVALID_PATH;
    // The volumes hold folders only: what lies in them are deleted items.
    return NextFolderName(*search, sequence, searchAttributes, pattern, NameRule(), entry);
}

NWCCODE WindowsBinClient::NWGetVolumeName(NWCONN_HANDLE conn, nuint16 volumeNumber, char* volumeName)
{
    if (!conns_.IsOpen(conn))
        return ERR_INVALID_CONNECTION;
    if (volumeNumber >= index_.folders.volumes.size())
        return ERR_VOLUME_DOES_NOT_EXIST;
    CopyText256(index_.folders.volumes[volumeNumber].name, volumeName);
    return SUCCESSFUL;
}

NWCCODE WindowsBinClient::NWGetVolumeSpace(NWCONN_HANDLE conn, const char* volumeName, std::uint64_t& totalBytes,
                                           std::uint64_t& freeBytes)
{
    totalBytes = freeBytes = 0;
    if (!conns_.IsOpen(conn))
        return ERR_INVALID_CONNECTION;
    size_t volume = 0;
    if (!volumeName || !index_.folders.FindVolume(volumeName, volume))
        return ERR_VOLUME_DOES_NOT_EXIST;
    struct statvfs space {};
    if (statvfs(index_.folders.volumes[volume].mountPoint.c_str(), &space) != 0)
        return ERR_VOLUME_SPACE_UNKNOWN;
    totalBytes = static_cast<std::uint64_t>(space.f_blocks) * space.f_frsize;
    freeBytes = static_cast<std::uint64_t>(space.f_bavail) * space.f_frsize;
    return SUCCESSFUL;
}

// ---- directory handles, items, purge ----------------------------------------

NWCCODE WindowsBinClient::AllocateDirHandle(NWCONN_HANDLE conn, const char* path, NWDIR_HANDLE& handle)
{
    size_t volume = 0, directory = 0;
    if (NWCCODE code = ResolveDirectory(conn, path, volume, directory))
        return code;
    return dirHandles_.Allocate(conn, {directory, static_cast<nuint8>(volume)}, handle);
}

NWCCODE WindowsBinClient::ReleaseDirHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle)
{
    if (NWCCODE code = dirHandles_.Release(conn, dirHandle))
        return code;
    indexUsed_ = clock_();
    return SUCCESSFUL;
}

NWCCODE WindowsBinClient::NextDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32& iterHandle,
                                          nuint8& volumeNumber, nuint32& directoryBase, NWDELETED_INFO& entryInfo)
{
    const DirHandleState* held = dirHandles_.Find(conn, dirHandle);
    if (!held)
        return ERR_BAD_DIRECTORY_HANDLE;
    const auto& list = index_.folders.directories[held->directory].entries;
    const auto next = NextUnpurged(list, iterHandle, [this](size_t item) { return index_.items[item].purged; });
    if (!next)
        return ERR_NO_FILES_FOUND;
    const WindowsBinItem& item = index_.items[*next];
    FillDeletedRecord({*next, static_cast<nuint32>(held->directory), item.isDirectory ? kDirectoryAttribute : 0,
                       item.name, item.size, item.deleted, item.user},
                      entryInfo, iterHandle);
    volumeNumber = held->volumeNumber;
    directoryBase = static_cast<nuint32>(held->directory);
    return SUCCESSFUL;
}

NWCCODE WindowsBinClient::NWPurgeDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32 iterHandle,
                                             nuint8 volumeNumber, nuint32 directoryBase, const char* fileName)
{
    const DirHandleState* held = dirHandles_.Find(conn, dirHandle);
    if (!held)
        return ERR_BAD_DIRECTORY_HANDLE;
    if (volumeNumber != held->volumeNumber || directoryBase != held->directory)
        return TRASH_ERR_NO_SUCH_DELETED_FILE;
    // Only exactly the item the caller names: place and name agree.
    const auto& list = index_.folders.directories[held->directory].entries;
    const size_t wanted = static_cast<size_t>(iterHandle) - 1;
    if (iterHandle == 0 || !std::binary_search(list.begin(), list.end(), wanted) || !fileName)
        return TRASH_ERR_NO_SUCH_DELETED_FILE;
    WindowsBinItem& item = index_.items[wanted];
    if (item.purged || std::string_view(item.name).substr(0, 255) != fileName)
        return TRASH_ERR_NO_SUCH_DELETED_FILE;
    if (beforePurge_)
        beforePurge_();
    try {
        const ActingAsOwner asOwner(index_.drives[index_.bins[item.bin].drive].owner);
        return PurgeItem(item);
    } catch (const OwnerIdentityError& e) {
        return Failed(TRASH_ERR_NO_PURGE_PRIVILEGE, e.what());
    }
}

const WindowsBinClient::OpenBin& WindowsBinClient::OpenedBin(size_t binIndex)
{
    auto found = openBins_.find(binIndex);
    if (found != openBins_.end())
        return *found->second;
    auto open = std::make_unique<OpenBin>();
    const WindowsBin& bin = index_.bins[binIndex];
    const WindowsDrive& drive = index_.drives[bin.drive];
    const std::string binPath = drive.mountPoint + "/" + drive.binFolder + "/" + bin.sid;
    // From the root down, never through a link, never onto another device,
    // and only into the very folder that was read.
    const int mountFd = OpenOwnedFolder(drive.mountPoint, drive.mountOwner, open->problem);
    struct stat info;
    if (mountFd < 0) {
        open->error = errno ? errno : ENOENT;
        if (open->problem.empty())
            open->problem = drive.mountPoint + " is gone";
    } else if (fstat(mountFd, &info) != 0 || info.st_dev != drive.device) {
        open->error = EXDEV;
        open->problem = drive.mountPoint + " holds another drive than the one read";
    } else if (const int binsFd = OpenFolderOnDevice(mountFd, drive.binFolder.c_str(), drive.device); binsFd < 0) {
        open->error = errno;
        open->problem = drive.mountPoint + "/" + drive.binFolder + ": " + std::strerror(errno);
    } else {
        open->fd = OpenFolderOnDevice(binsFd, bin.sid.c_str(), drive.device);
        open->error = errno;
        close(binsFd);
        if (open->fd < 0) {
            open->problem = binPath + ": " + std::strerror(open->error);
        } else if (fstat(open->fd, &info) != 0 || info.st_ino != bin.inode) {
            open->error = ESTALE;
            open->problem = binPath + " is another folder than the one read";
            close(open->fd);
            open->fd = -1;
        }
    }
    if (mountFd >= 0)
        close(mountFd);
    return *(openBins_[binIndex] = std::move(open));
}

NWCCODE WindowsBinClient::PurgeItem(WindowsBinItem& item)
{
    lastFailure_ = {};
    const WindowsBin& bin = index_.bins[item.bin];
    const WindowsDrive& drive = index_.drives[bin.drive];
    const OpenBin& open = OpenedBin(item.bin);
    if (open.fd < 0)
        return Failed(TrashCodeOfErrno(open.error), "recycle bin " + ShownName(open.problem));
    const std::string itemName = "$R" + item.id, indexName = "$I" + item.id;
    const std::string shown = ShownName(drive.mountPoint + "/" + drive.binFolder + "/" + bin.sid + "/" + itemName);
    // Only the item that was listed: one deleted again under the same id
    // since, or an index rewritten, is left alone.
    const ItemCheck check = ItemAsRead(open.fd, itemName, item);
    if (check == ItemCheck::OtherSize)
        return Failed(TRASH_ERR_NO_SUCH_DELETED_FILE, shown + " (its size is not the one its index gives)");
    if (check == ItemCheck::Changed || !IndexAsRead(open.fd, indexName, item))
        return Failed(TRASH_ERR_NO_SUCH_DELETED_FILE, shown);
    // The index goes only after its item, so a failed purge stays listed.
    if (item.hasItem) {
        std::string refused;
        if (const int error = RemoveTrashedEntry(open.fd, itemName, drive.device, drive.owner.uid, refused))
            return Failed(TrashCodeOfErrno(error),
                          refused.empty() ? shown
                                          : ShownName(drive.mountPoint + "/" + drive.binFolder + "/" + bin.sid + "/" +
                                                      refused));
    }
    if (item.hasIndex && unlinkat(open.fd, indexName.c_str(), 0) != 0 && errno != ENOENT)
        return Failed(TrashCodeOfErrno(errno), ShownName(drive.mountPoint + "/" + drive.binFolder + "/" + bin.sid +
                                                         "/" + indexName));
    item.purged = true;
    return SUCCESSFUL;
}

// ---- names ------------------------------------------------------------------

NWCCODE WindowsBinClient::ObjectIdToNameByClient(NWDSContextHandle context, NWCONN_HANDLE conn, nuint32 objectID,
                                                 char* name)
{
    if (!contexts_.Find(context))
        return ERR_BAD_CONTEXT;
    if (!conns_.IsOpen(conn))
        return ERR_INVALID_CONNECTION;
    if (objectID == 0 || objectID > index_.users.size())
        return ERR_NO_SUCH_OBJECT;
    CopyText256(index_.users[objectID - 1], name);
    return SUCCESSFUL;
}
