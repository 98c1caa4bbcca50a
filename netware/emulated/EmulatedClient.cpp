// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated client's operations: its servers, paths, searches, directory
// handles, the deleted-file iteration and purge, and names.
#include "netware/emulated/EmulatedClient.h"

#include <algorithm>
#include <cstring>

#include "netware/ClientText.h"
#include "netware/NetWarePath.h"
#include "netware/emulated/EmulatedDatabase.h"
#include "netware/emulated/NetworkStore.h"
#include "util/D_Util.h"

struct EmulatedClient::DirHandleState {
    long long dirId = 0;
    nuint8 volumeNumber = 0;
    std::vector<StoredDeletedFile> records;  // by id, the iteration order
    size_t position = 0;                     // index of the record last returned
    long long returned = 0;                  // records returned since the iteration started
    std::vector<StoredFault> purgeFaults;
    bool hasScanFault = false;
    StoredFault scanFault;
};

// A directory search: its entries and where it stands.
struct EmulatedClient::SearchState {
    std::vector<StoredEntry> entries;
    SearchCursor cursor;
};

EmulatedClient::EmulatedClient(std::unique_ptr<EmulatedDatabase> db)
    : db_(std::move(db)), store_(std::make_unique<NetworkStore>(*db_))
{
}

EmulatedClient::~EmulatedClient() = default;

std::unique_ptr<EmulatedClient> EmulatedClient::OpenInMemory()
{
    return std::unique_ptr<EmulatedClient>(new EmulatedClient(std::make_unique<EmulatedDatabase>(":memory:")));
}

std::unique_ptr<EmulatedClient> EmulatedClient::Open(const std::string& dbPath)
{
    return std::unique_ptr<EmulatedClient>(new EmulatedClient(std::make_unique<EmulatedDatabase>(dbPath)));
}

std::unique_ptr<NWErrorTextLibrary> EmulatedClient::LoadErrorTextLibrary()
{
    if (errorTextMode_ == ErrorTextLibraryMode::Absent)
        return nullptr;
    return MakeErrorTextLibrary({{ERR_NO_SUCH_ENTRY, "No such entry"}}, errorTextMode_ == ErrorTextLibraryMode::Full);
}

// ---- servers ------------------------------------------------------------

std::vector<ConnectionTable::Server> EmulatedClient::Servers()
{
    std::vector<long long> servers;
    for (const auto& [serverId, primary] : store_->Connections())
        servers.push_back(serverId);
    for (long long serverId : addedConnections_)
        if (std::find(servers.begin(), servers.end(), serverId) == servers.end())
            servers.push_back(serverId);
    return servers;
}

NWCCODE EmulatedClient::ClientStartup(nuint32, nuint32) { return startupCode_; }

ConnectionTable::Server EmulatedClient::PrimaryServer()
{
    for (const auto& [serverId, primary] : store_->Connections())
        if (primary)
            return serverId;
    return 0;
}

bool EmulatedClient::ServerNames(Server server, std::string& name, std::string& tree)
{
    const StoredServer* stored = store_->ServerRecord(server);
    if (!stored)
        return false;
    name = stored->name;
    tree = stored->tree;
    return true;
}

void EmulatedClient::ConnectionClosed(NWCONN_HANDLE conn) { dirHandles_.ReleaseAll(conn); }

// ---- paths and searches -------------------------------------------------------

NWCCODE EmulatedClient::SplitPathByClient(const char* path, char* server, NWCONN_HANDLE& conn, char* volume,
                                          char* directory)
{
    return Guarded([&]() -> NWCCODE {
        NetWarePathParts parts;
        if (!path || !ParseUncPath(path, parts))
            return ERR_INVALID_PATH;
        StoredServer storedServer;
        if (!store_->FindServer(parts.server, storedServer))
            return ERR_NO_CONNECTION_TO_SERVER;
        StoredVolume storedVolume;
        if (!store_->FindVolume(storedServer.id, parts.volume, storedVolume))
            return ERR_VOLUME_DOES_NOT_EXIST;

        // Reuse a handle already open to the server; otherwise attach to it, as
        // the client does for a server the workstation isn't connected to yet.
        NWCONN_HANDLE handle = conns_.OpenOn(storedServer.id);
        if (!handle) {
            auto servers = Servers();
            if (std::find(servers.begin(), servers.end(), storedServer.id) == servers.end())
                addedConnections_.push_back(storedServer.id);
            handle = conns_.Open(storedServer.id);
        }
        conn = handle;
        CopyText256(storedServer.name, server);
        CopyText256(storedVolume.name, volume);
        CopyText256(JoinDirectories(parts.directories), directory);
        return SUCCESSFUL;
    });
}

NWCCODE EmulatedClient::ResolveDirectory(NWCONN_HANDLE conn, const char* path, ResolvedDir& out)
{
    long long serverId = conns_.ServerOf(conn);
    if (!serverId)
        return ERR_INVALID_CONNECTION;
    NetWarePathParts parts;
    if (!ParseNetWarePath(path, parts))
        return ERR_INVALID_PATH;
    if (!parts.server.empty()) {
        StoredServer server;
        if (!store_->ServerById(serverId, server) || !SameTextAscii(server.name, parts.server))
            return ERR_INVALID_PATH;
    }
    StoredVolume volume;
    if (!store_->FindVolume(serverId, parts.volume, volume))
        return ERR_VOLUME_DOES_NOT_EXIST;
    long long dirId = store_->FindDirectory(volume.id, parts.directories);
    if (!dirId)
        return ERR_INVALID_PATH;
    out = {serverId, volume.id, volume.number, dirId};
    return SUCCESSFUL;
}

NWCCODE EmulatedClient::DirectoryName(NWCONN_HANDLE conn, const char* path, std::string& name)
{
    return Guarded([&]() -> NWCCODE {
        ResolvedDir dir;
        if (NWCCODE code = ResolveDirectory(conn, path, dir))
            return code;
        NetWarePathParts parts;
        ParseNetWarePath(path, parts);
        name = parts.directories.empty() ? parts.volume : parts.directories.back();
        return SUCCESSFUL;
    });
}

NWCCODE EmulatedClient::StartSearch(NWCONN_HANDLE conn, const char* path, nuint8& volumeNumber, nuint16& searchId)
{
    return Guarded([&]() -> NWCCODE {
        ResolvedDir dir;
        if (NWCCODE code = ResolveDirectory(conn, path, dir))
            return code;
        auto search = std::make_unique<SearchState>();
        search->entries = store_->Children(dir.dirId);
        volumeNumber = static_cast<nuint8>(dir.volumeNumber);
        searchId = searches_.Add(conn, volumeNumber, std::move(search));
        return SUCCESSFUL;
    });
}

NWCCODE EmulatedClient::DirSearchNext(NWCONN_HANDLE conn, nuint8 volumeNumber, nuint16 directoryID,
                                      nuint16 sequence, nuint8 searchAttributes, const char* pattern,
                                      NWSEARCH_ENTRY& entry, nuint32)
{
    auto found = searches_.Find(conn, volumeNumber, directoryID);
    if (!found)
        return ERR_INVALID_PATH;
    SearchState& search = **found;
    const auto& entries = search.entries;
    const bool directories = (searchAttributes & kDirectoryAttribute) != 0;
    const char* wanted = (pattern && *pattern) ? pattern : "*";
    for (size_t i = search.cursor.PositionOf(sequence); i < entries.size(); ++i) {
        if (entries[i].isDirectory != directories || !WildcardMatch(wanted, entries[i].name.c_str()))
            continue;
        search.cursor.next = i + 1;
        entry.nextSequence = SearchCursor::SequenceOf(search.cursor.next);
        entry.reserved = 0;
        CopyText256(entries[i].name, entry.name);
        return SUCCESSFUL;
    }
    return ERR_NO_FILES_FOUND;
}

NWCCODE EmulatedClient::NWGetVolumeName(NWCONN_HANDLE conn, nuint16 volumeNumber, char* volumeName)
{
    return Guarded([&]() -> NWCCODE {
        long long serverId = conns_.ServerOf(conn);
        if (!serverId)
            return ERR_INVALID_CONNECTION;
        StoredVolume volume;
        if (!store_->VolumeByNumber(serverId, volumeNumber, volume))
            return ERR_VOLUME_DOES_NOT_EXIST;
        CopyText256(volume.name, volumeName);
        return SUCCESSFUL;
    });
}

NWCCODE EmulatedClient::NWGetVolumeSpace(NWCONN_HANDLE conn, const char* volumeName, std::uint64_t& totalBytes,
                                         std::uint64_t& freeBytes)
{
    totalBytes = 0;
    freeBytes = 0;
    return Guarded([&]() -> NWCCODE {
        long long serverId = conns_.ServerOf(conn);
        if (!serverId)
            return ERR_INVALID_CONNECTION;
        StoredVolume volume;
        if (!volumeName || !store_->FindVolume(serverId, volumeName, volume))
            return ERR_VOLUME_DOES_NOT_EXIST;
        std::uint64_t size = 0, used = 0;
        if (!store_->VolumeSpace(volume.id, size, used))
            return ERR_VOLUME_SPACE_UNKNOWN;
        totalBytes = size;
        freeBytes = used >= size ? 0 : size - used;
        return SUCCESSFUL;
    });
}

// ---- directory handles, deleted files, purge ------------------------------

NWCCODE EmulatedClient::AllocateDirHandle(NWCONN_HANDLE conn, const char* path, NWDIR_HANDLE& handle)
{
    return Guarded([&]() -> NWCCODE {
        ResolvedDir dir;
        if (NWCCODE code = ResolveDirectory(conn, path, dir))
            return code;
        auto allocFaults = store_->Faults("alloc", dir.dirId);
        if (!allocFaults.empty())
            return allocFaults.front().code;

        if (dirHandles_.Full())
            return ERR_NO_MORE_DIR_HANDLES;

        // The directory's deleted records are read once here; the iteration and
        // purges then work on this list.
        auto state = std::make_unique<DirHandleState>();
        state->dirId = dir.dirId;
        state->volumeNumber = static_cast<nuint8>(dir.volumeNumber);
        state->records = store_->DeletedFiles(dir.dirId);
        state->purgeFaults = store_->Faults("purge", dir.dirId);
        auto scanFaults = store_->Faults("scan", dir.dirId);
        if (!scanFaults.empty()) {
            state->hasScanFault = true;
            state->scanFault = scanFaults.front();
        }
        return dirHandles_.Allocate(conn, std::move(state), handle);
    });
}

NWCCODE EmulatedClient::ReleaseDirHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle)
{
    return dirHandles_.Release(conn, dirHandle);
}

NWCCODE EmulatedClient::NextDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32& iterHandle,
                                        nuint8& volumeNumber, nuint32& directoryBase, NWDELETED_INFO& entryInfo)
{
    auto held = dirHandles_.Find(conn, dirHandle);
    if (!held)
        return ERR_BAD_DIRECTORY_HANDLE;
    DirHandleState& state = **held;
    const auto& records = state.records;

    // The iteration handle is the id of the record returned last; the next one
    // is the first with a greater id, which stays right when that record has
    // been purged meanwhile.
    size_t next;
    if (iterHandle == 0xFFFFFFFFu) {
        next = 0;
        state.returned = 0;
    } else if (state.position < records.size() && records[state.position].id == iterHandle) {
        next = state.position + 1;
    } else {
        next = std::upper_bound(records.begin(), records.end(), iterHandle,
                                [](nuint32 id, const StoredDeletedFile& r) { return id < r.id; }) -
               records.begin();
    }
    if (state.hasScanFault && state.returned >= state.scanFault.after)
        return state.scanFault.code;
    if (next >= records.size())
        return ERR_NO_FILES_FOUND;

    const StoredDeletedFile& record = records[next];
    ClearDeletedRecord(entryInfo);
    entryInfo.sequence = record.id;
    entryInfo.parent = static_cast<nuint32>(state.dirId);
    entryInfo.nameLength = static_cast<nuint8>(std::min<size_t>(record.name.size(), 255));
    CopyText256(record.name, entryInfo.name);
    entryInfo.fileSize = record.size;
    entryInfo.deletedDateAndTime = record.deletedAt;
    entryInfo.deletorID = record.deletor;
    iterHandle = record.id;
    volumeNumber = state.volumeNumber;
    directoryBase = static_cast<nuint32>(state.dirId);
    state.position = next;
    ++state.returned;
    return SUCCESSFUL;
}

NWCCODE EmulatedClient::NWPurgeDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32 iterHandle,
                                           nuint8 volumeNumber, nuint32 directoryBase, const char* fileName)
{
    auto held = dirHandles_.Find(conn, dirHandle);
    if (!held)
        return ERR_BAD_DIRECTORY_HANDLE;
    DirHandleState& state = **held;
    if (volumeNumber != state.volumeNumber || directoryBase != static_cast<nuint32>(state.dirId))
        return ERR_NO_SUCH_DELETED_FILE;
    auto& records = state.records;
    auto record = std::lower_bound(records.begin(), records.end(), iterHandle,
                                   [](const StoredDeletedFile& r, nuint32 id) { return r.id < id; });
    // Purge only exactly the record the caller names: position and name agree.
    if (record == records.end() || record->id != iterHandle || !fileName || !SameTextAscii(record->name, fileName))
        return ERR_NO_SUCH_DELETED_FILE;
    for (const auto& fault : state.purgeFaults)
        if (fault.fileName.empty() || SameTextAscii(fault.fileName, record->name))
            return fault.code;

    return Guarded([&]() -> NWCCODE {
        // Auto-committed with synchronous=FULL: on disk before this returns.
        bool existed = store_->PurgeDeleted(iterHandle);
        records.erase(record);
        return existed ? SUCCESSFUL : ERR_NO_SUCH_DELETED_FILE;
    });
}

// ---- names --------------------------------------------------------------

namespace {

std::string_view WithoutPadding(std::string_view tree)
{
    while (!tree.empty() && tree.back() == '_')
        tree.remove_suffix(1);
    return tree;
}

bool SameTree(std::string_view a, std::string_view b)
{
    return SameTextAscii(WithoutPadding(a), WithoutPadding(b));
}

}  // namespace

NWCCODE EmulatedClient::ObjectIdToNameByClient(NWDSContextHandle context, NWCONN_HANDLE conn, nuint32 objectID,
                                               char* name)
{
    return Guarded([&]() -> NWCCODE {
        const NameContexts::Context* found = contexts_.Find(context);
        if (!found)
            return ERR_BAD_CONTEXT;
        const long long serverId = conns_.ServerOf(conn);
        const StoredServer* server = serverId ? store_->ServerRecord(serverId) : nullptr;
        if (!server)
            return ERR_INVALID_CONNECTION;
        // A context pointed at another tree cannot see this server's objects.
        if (!found->tree.empty() && !SameTree(found->tree, server->tree))
            return ERR_NO_SUCH_ENTRY;
        NWCCODE fault = 0;
        if (store_->UserFault(objectID, fault))
            return fault;
        std::string stored;
        if (!store_->UserName(objectID, stored))
            return ERR_NO_SUCH_OBJECT;
        CopyText256(stored, name);
        return SUCCESSFUL;
    });
}
