// SPDX-License-Identifier: GPL-3.0-or-later
// The trash client's operations: the one connection, paths, searches,
// directory handles, the entry iteration and purge, contexts and names.
#include "netware/trash/TrashClient.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "netware/ClientText.h"
#include "netware/PackedDateTime.h"
#include "netware/trash/TrashInfo.h"
#include "netware/trash/TrashRemove.h"

namespace {

constexpr NWCONN_REF kTrashConnRef = 0x10001;  // the only connection the workstation holds
constexpr size_t kMaxOpenSearches = 256;
constexpr int kDirHandlePoolSize = 254;
constexpr nuint32 kDirectoryAttribute = 0x10;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::vector<std::string> SplitComponents(std::string_view text)
{
    std::vector<std::string> parts;
    std::string current;
    for (char c : text) {
        if (IsSeparator(c)) {
            if (!current.empty())
                parts.push_back(std::move(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        parts.push_back(std::move(current));
    return parts;
}

bool SameAscii(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto up = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
               return up(x) == up(y);
           });
}

struct PathParts {
    std::string server;  // empty for the volume form
    std::string volume;
    std::vector<std::string> directories;
};

// "\\SERVER\VOLUME\DIR\SUB" (either separator) or "VOLUME:DIR\SUB".
bool ParsePath(const char* text, PathParts& parts)
{
    if (!text)
        return false;
    std::string_view path(text);
    if (path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2])) {
        auto components = SplitComponents(path.substr(2));
        if (components.size() < 2)
            return false;
        parts.server = components[0];
        parts.volume = components[1];
        parts.directories.assign(components.begin() + 2, components.end());
        return true;
    }
    size_t colon = path.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return false;
    parts.server.clear();
    parts.volume = std::string(path.substr(0, colon));
    if (std::any_of(parts.volume.begin(), parts.volume.end(), IsSeparator))
        return false;
    parts.directories = SplitComponents(path.substr(colon + 1));
    return true;
}

class TrashErrorTexts : public NWErrorTextLibrary {
public:
    bool HasStrerror() const override { return true; }
    std::string NWstrerror(nuint32 code) const override
    {
        switch (code) {
        case TRASH_ERR_NO_PURGE_PRIVILEGE:
            return "No permission to delete the trashed item";
        case TRASH_ERR_IO_FAILURE:
            return "The trashed item could not be deleted";
        case ERR_INVALID_PATH:
            return "Invalid path";
        case ERR_VOLUME_DOES_NOT_EXIST:
            return "Volume does not exist";
        case ERR_NO_MORE_DIR_HANDLES:
            return "No more directory handles";
        case ERR_INVALID_CONNECTION:
            return "Invalid connection";
        case ERR_NO_CONNECTION_TO_SERVER:
            return "No connection to server";
        case ERR_VOLUME_SPACE_UNKNOWN:
            return "Free space of the volume unknown";
        default:
            return "Unknown error";
        }
    }
};

}  // namespace

TrashClient::TrashClient(TrashEnvironment environment, Clock clock)
    : environment_(std::move(environment)), clock_(std::move(clock))
{
}

TrashClient::~TrashClient()
{
    RemovePurgedFoldersSizes();
    CloseCans();
}

void TrashClient::CloseCans()
{
    for (auto& [can, open] : openCans_) {
        if (open.files >= 0)
            close(open.files);
        if (open.info >= 0)
            close(open.info);
    }
    openCans_.clear();
}

const TrashClient::OpenCan& TrashClient::OpenedCan(size_t can)
{
    auto found = openCans_.find(can);
    if (found != openCans_.end())
        return found->second;
    // Opened without following links, and used for every step after, so a
    // can or folder swapped for a link since the trash was read is refused
    // instead of followed.
    OpenCan open;
    int canFd = ::open(index_.cans[can].path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (canFd < 0) {
        open.error = errno;
    } else {
        open.files = openat(canFd, "files", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        open.info = openat(canFd, "info", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat files;
        if (open.files >= 0 && fstat(open.files, &files) == 0)
            open.device = files.st_dev;
        close(canFd);
    }
    return openCans_[can] = open;
}

std::unique_ptr<NWErrorTextLibrary> TrashClient::LoadErrorTextLibrary()
{
    return std::make_unique<TrashErrorTexts>();
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
    if (!dirHandles_.empty() || (indexValid_ && now - indexUsed_ < std::chrono::seconds(2)))
        return;
    RemovePurgedFoldersSizes();
    CloseCans();
    index_ = TrashIndex::Read(environment_);
    indexUsed_ = clock_();
    indexValid_ = true;
}

// ---- the connection ---------------------------------------------------------

NWCCODE TrashClient::ClientStartup(nuint32, nuint32) { return SUCCESSFUL; }

NWCCODE TrashClient::NextConnRef(nuint32& iterator, NWCONN_REF& connRef)
{
    if (iterator >= 1)
        return ERR_CONNECTION_NOT_FOUND;
    connRef = kTrashConnRef;
    ++iterator;
    return SUCCESSFUL;
}

NWCCODE TrashClient::PrimaryConnRef(NWCONN_REF& connRef)
{
    connRef = kTrashConnRef;
    return SUCCESSFUL;
}

NWCCODE TrashClient::NWCCOpenConnByRef(NWCONN_REF connRef, nuint32, nuint32, NWCONN_HANDLE& conn)
{
    if (connRef != kTrashConnRef)
        return ERR_INVALID_CONNECTION;
    // 999 and 0xFFFF mean "no connection" to the program; never hand them out.
    while (nextConnHandle_ == 0 || nextConnHandle_ == 999 || nextConnHandle_ == 0xFFFF ||
           openConns_.count(nextConnHandle_))
        ++nextConnHandle_;
    conn = nextConnHandle_++;
    openConns_[conn] = true;
    Refresh();
    return SUCCESSFUL;
}

NWCCODE TrashClient::CloseConn(NWCONN_HANDLE conn)
{
    if (!openConns_.erase(conn))
        return ERR_INVALID_CONNECTION;
    std::erase_if(dirHandles_, [conn](const auto& handle) { return handle.second.conn == conn; });
    RemovePurgedFoldersSizes();
    return SUCCESSFUL;
}

namespace {

NWCCODE ServerInfoText(nuint32 infoType, nuint32 length, char* buffer)
{
    if (infoType == NWCC_INFO_TREE_NAME) {
        CopyTreeName(TrashServerName, buffer, length);
    } else if (infoType == NWCC_INFO_SERVER_NAME) {
        CopyText(TrashServerName, buffer, length);
    } else {
        return ERR_INVALID_PARAMETER;
    }
    return SUCCESSFUL;
}

}  // namespace

NWCCODE TrashClient::ConnInfo(NWCONN_HANDLE conn, nuint32 infoType, nuint32 length, char* buffer)
{
    return IsOpen(conn) ? ServerInfoText(infoType, length, buffer) : ERR_INVALID_CONNECTION;
}

NWCCODE TrashClient::ConnRefInfo(NWCONN_REF connRef, nuint32 infoType, nuint32 length, char* buffer)
{
    return connRef == kTrashConnRef ? ServerInfoText(infoType, length, buffer) : ERR_INVALID_CONNECTION;
}

// ---- paths and searches -----------------------------------------------------

NWCCODE TrashClient::SplitPathByClient(const char* path, char* server, NWCONN_HANDLE& conn, char* volume,
                                       char* directory)
{
    PathParts parts;
    if (!ParsePath(path, parts) || parts.server.empty())
        return ERR_INVALID_PATH;
    if (!SameAscii(parts.server, TrashServerName))
        return ERR_NO_CONNECTION_TO_SERVER;
    if (openConns_.empty()) {
        NWCONN_HANDLE opened = 0;
        NWCCOpenConnByRef(kTrashConnRef, 1, 0, opened);
    } else {
        Refresh();
    }
    size_t volumeIndex = 0;
    if (!index_.FindVolume(parts.volume, volumeIndex))
        return ERR_VOLUME_DOES_NOT_EXIST;
    conn = openConns_.begin()->first;
    std::string joined;
    for (const std::string& d : parts.directories)
        joined += (joined.empty() ? "" : "\\") + d;
    CopyText256(TrashServerName, server);
    CopyText256(index_.volumes[volumeIndex].name, volume);
    CopyText256(joined, directory);
    return SUCCESSFUL;
}

NWCCODE TrashClient::ResolveDirectory(NWCONN_HANDLE conn, const char* path, size_t& volume, size_t& directory) const
{
    if (!IsOpen(conn))
        return ERR_INVALID_CONNECTION;
    PathParts parts;
    if (!ParsePath(path, parts) || (!parts.server.empty() && !SameAscii(parts.server, TrashServerName)))
        return ERR_INVALID_PATH;
    if (!index_.FindVolume(parts.volume, volume))
        return ERR_VOLUME_DOES_NOT_EXIST;
    if (!index_.FindDirectory(volume, parts.directories, directory))
        return ERR_INVALID_PATH;
    return SUCCESSFUL;
}

NWCCODE TrashClient::DirectoryInfo(NWCONN_HANDLE conn, nuint8, const char* path, const nuint8*, char* name,
                                   nuint32& attributes, nuint32& creationDateTime, nuint32& ownerID, nuint32)
{
    size_t volume = 0, directory = 0;
    if (NWCCODE code = ResolveDirectory(conn, path, volume, directory))
        return code;
    CopyText256(index_.directories[directory].name, name);
    attributes = kDirectoryAttribute;
    creationDateTime = 0;
    ownerID = 0;
    return SUCCESSFUL;
}

NWCCODE TrashClient::DirSearchStart(NWCONN_HANDLE conn, nuint8, const char* path, nuint8& volumeNumber,
                                    nuint16& directoryID, nuint16&, NWSEARCH_ENTRY&, nuint32)
{
    size_t volume = 0, directory = 0;
    if (NWCCODE code = ResolveDirectory(conn, path, volume, directory))
        return code;
    SearchState search;
    search.conn = conn;
    search.volumeNumber = static_cast<nuint8>(volume);
    for (size_t child : index_.directories[directory].children)
        search.names.push_back(index_.directories[child].name);

    // Searches are never closed by the caller; keep the most recent ones.
    if (nextSearchId_ == 0)
        nextSearchId_ = 1;
    const nuint16 id = nextSearchId_++;
    searches_[id] = std::move(search);
    searches_.erase(static_cast<nuint16>(id - kMaxOpenSearches));
    volumeNumber = static_cast<nuint8>(volume);
    directoryID = id;
    return SUCCESSFUL;
}

NWCCODE TrashClient::DirSearchNext(NWCONN_HANDLE conn, nuint8 volumeNumber, nuint16 directoryID, nuint16 sequence,
                                   nuint8 searchAttributes, const char* pattern, NWSEARCH_ENTRY& entry, nuint32)
{
    auto it = searches_.find(directoryID);
    if (it == searches_.end() || it->second.conn != conn || it->second.volumeNumber != volumeNumber)
        return ERR_INVALID_PATH;
    // The volumes hold folders only: what lies in them are trash entries.
    if (!(searchAttributes & kDirectoryAttribute))
        return ERR_NO_FILES_FOUND;
    const auto& names = it->second.names;
    const char* wanted = (pattern && *pattern) ? pattern : "*";
    for (size_t i = sequence == 0xFFFF ? 0 : sequence; i < names.size(); ++i) {
        if (fnmatch(wanted, names[i].c_str(), FNM_CASEFOLD | FNM_NOESCAPE) != 0)
            continue;
        entry.nextSequence = static_cast<nuint16>(i + 1);
        entry.reserved = 0;
        CopyText256(names[i], entry.name);
        return SUCCESSFUL;
    }
    return ERR_NO_FILES_FOUND;
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

NWCCODE TrashClient::NWAllocTemporaryDirectoryHandle(NWCONN_HANDLE conn, NWDIR_HANDLE, const char* path,
                                                     NWDIR_HANDLE& newDirHandle, nuint8* rightsMask)
{
    size_t volume = 0, directory = 0;
    if (NWCCODE code = ResolveDirectory(conn, path, volume, directory))
        return code;
    int free = 0;
    for (int h = 1; h <= kDirHandlePoolSize && !free; ++h)
        if (!dirHandles_.count(static_cast<NWDIR_HANDLE>(h)))
            free = h;
    if (!free)
        return ERR_NO_MORE_DIR_HANDLES;
    dirHandles_[static_cast<NWDIR_HANDLE>(free)] = {conn, directory, static_cast<nuint8>(volume)};
    newDirHandle = static_cast<NWDIR_HANDLE>(free);
    if (rightsMask)
        *rightsMask = 0xFF;
    return SUCCESSFUL;
}

NWCCODE TrashClient::ReleaseDirHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle)
{
    auto it = dirHandles_.find(dirHandle);
    if (it == dirHandles_.end() || it->second.conn != conn)
        return ERR_BAD_DIRECTORY_HANDLE;
    dirHandles_.erase(it);
    RemovePurgedFoldersSizes();
    indexUsed_ = clock_();
    return SUCCESSFUL;
}

NWCCODE TrashClient::NextDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32& iterHandle,
                                     nuint8& volumeNumber, nuint32& directoryBase, NWDELETED_INFO& entryInfo)
{
    auto it = dirHandles_.find(dirHandle);
    if (it == dirHandles_.end() || it->second.conn != conn)
        return ERR_BAD_DIRECTORY_HANDLE;
    const DirHandleState& state = it->second;
    const auto& list = index_.directories[state.directory].entries;

    // The iteration handle is the number of the entry returned last (its index
    // + 1); the next one is the first unpurged entry with a greater number,
    // which stays right when that entry has been purged meanwhile.
    auto next = iterHandle == 0xFFFFFFFFu ? list.begin() : std::upper_bound(list.begin(), list.end(), iterHandle - 1);
    while (next != list.end() && index_.entries[*next].purged)
        ++next;
    if (next == list.end())
        return ERR_NO_FILES_FOUND;

    const TrashEntry& entry = index_.entries[*next];
    std::memset(&entryInfo, 0, sizeof entryInfo);
    entryInfo.sequence = static_cast<nuint32>(*next + 1);
    entryInfo.parent = static_cast<nuint32>(state.directory);
    entryInfo.attributes = entry.isDirectory ? kDirectoryAttribute : 0;
    entryInfo.nameLength = static_cast<nuint8>(std::min<size_t>(entry.name.size(), 255));
    CopyText256(entry.name, entryInfo.name);
    entryInfo.fileSize = static_cast<nuint32>(entry.size);
    entryInfo.fileSizeHigh = static_cast<nuint32>(entry.size >> 32);
    entryInfo.deletedDateAndTime = entry.deleted;
    entryInfo.deletorID = static_cast<nuint32>(index_.cans[entry.can].owner);
    iterHandle = static_cast<nuint32>(*next + 1);
    volumeNumber = state.volumeNumber;
    directoryBase = static_cast<nuint32>(state.directory);
    return SUCCESSFUL;
}

NWCCODE TrashClient::NWPurgeDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32 iterHandle,
                                        nuint8 volumeNumber, nuint32 directoryBase, const char* fileName)
{
    auto it = dirHandles_.find(dirHandle);
    if (it == dirHandles_.end() || it->second.conn != conn)
        return ERR_BAD_DIRECTORY_HANDLE;
    const DirHandleState& state = it->second;
    if (volumeNumber != state.volumeNumber || directoryBase != state.directory)
        return TRASH_ERR_NO_SUCH_DELETED_FILE;
    // Purge only exactly the entry the caller names: place and name agree.
    const auto& list = index_.directories[state.directory].entries;
    const size_t wanted = static_cast<size_t>(iterHandle) - 1;
    if (iterHandle == 0 || !std::binary_search(list.begin(), list.end(), wanted) || !fileName)
        return TRASH_ERR_NO_SUCH_DELETED_FILE;
    TrashEntry& entry = index_.entries[wanted];
    if (entry.purged || entry.name != fileName)
        return TRASH_ERR_NO_SUCH_DELETED_FILE;
    return PurgeEntry(entry);
}

NWCCODE TrashClient::PurgeEntry(TrashEntry& entry)
{
    const OpenCan& can = OpenedCan(entry.can);
    if (can.error)
        return TrashCodeOfErrno(can.error);
    // Only the item that was listed is purged: one restored and trashed again
    // since, or another one trashed under the same name, is left alone.
    if (!StillAsRead(can.files, entry))
        return TRASH_ERR_NO_SUCH_DELETED_FILE;
    int error = 0;
    if (entry.hasFile)
        error = can.files < 0 ? ENOENT : RemoveTrashedEntry(can.files, entry.trashName, can.device);
    // The .trashinfo goes only after its item, so a failed purge stays listed.
    if (!error && entry.hasInfo) {
        if (can.info < 0)
            error = ENOENT;
        else if (unlinkat(can.info, (entry.trashName + ".trashinfo").c_str(), 0) != 0 && errno != ENOENT)
            error = errno;
    }
    if (error)
        return TrashCodeOfErrno(error);
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
    for (const auto& [can, names] : purgedFolders_)
        RemoveDirectorySizesLines(index_.cans[can].path, names);
    purgedFolders_.clear();
}

NWCCODE TrashClient::UnpackDateTime(nuint32 packed, NW_DATE& date, NW_TIME& time)
{
    UnpackDeletedDateTime(packed, date, time);
    return SUCCESSFUL;
}

// ---- contexts and names -----------------------------------------------------

NWCCODE TrashClient::ContextCreate(NWDSContextHandle& context) { return contexts_.Create(context); }

NWCCODE TrashClient::ContextFree(NWDSContextHandle context) { return contexts_.Free(context); }

NWCCODE TrashClient::ContextGet(NWDSContextHandle context, nuint32 key, nuint32& value)
{
    return contexts_.Get(context, key, value);
}

NWCCODE TrashClient::ContextGet(NWDSContextHandle context, nuint32 key, char* text)
{
    return contexts_.Get(context, key, text);
}

NWCCODE TrashClient::ContextSet(NWDSContextHandle context, nuint32 key, nuint32 value)
{
    return contexts_.Set(context, key, value);
}

NWCCODE TrashClient::ContextSet(NWDSContextHandle context, nuint32 key, const char* text)
{
    return contexts_.Set(context, key, text);
}

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
