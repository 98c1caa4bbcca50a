// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop trash cans of this machine as a NetWare client: one server,
// TRASH, whose volumes are the mounted file systems, whose directories are
// the folders trashed items came from, and whose deleted files are the trash
// entries. Purging an entry deletes it from its trash can for good.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "netware/ClientBase.h"
#include "netware/DirHandlePool.h"
#include "netware/DirSearches.h"
#include "netware/trash/TrashCans.h"
#include "netware/trash/TrashErrors.h"
#include "netware/trash/TrashIndex.h"

inline constexpr const char* TrashServerName = "TRASH";

class TrashClient : public ClientBase {
public:
    // The trash cans of the given environment (SystemTrashEnvironment() for
    // the machine's own); they are read when a connection opens or a path is
    // resolved, so that every job sees the trash as it is.
    // The clock says when a reading has gone unused long enough to be made
    // again (tests give one of their own).
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    explicit TrashClient(TrashEnvironment environment, Clock clock = std::chrono::steady_clock::now);
    // The environment is asked for at every reading (SystemTrashEnvironment
    // reads the mount table afresh, so a disk mounted meanwhile is seen).
    using EnvironmentSource = std::function<TrashEnvironment()>;
    explicit TrashClient(EnvironmentSource source, Clock clock = std::chrono::steady_clock::now);
    ~TrashClient() override;

    const TrashIndex& Index() const { return index_; }

    // ---- paths, volumes, folders
    // Paths on TRASH only; resolving one reads the trash cans again.
    NWCCODE SplitPathByClient(const char* path, char* server, NWCONN_HANDLE& conn, char* volume,
                              char* directory) override;
    // A volume is a mounted file system that holds a trash can.
    NWCCODE NWGetVolumeName(NWCONN_HANDLE conn, nuint16 volumeNumber, char* volumeName) override;
    // The file system of the volume's mount point (statvfs).
    NWCCODE NWGetVolumeSpace(NWCONN_HANDLE conn, const char* volumeName, std::uint64_t& totalBytes,
                             std::uint64_t& freeBytes) override;
    // Subfolders only: what lies in a folder are trash entries, not files.
    NWCCODE DirSearchNext(NWCONN_HANDLE conn, nuint8 volumeNumber, nuint16 directoryID, nuint16 sequence,
                          nuint8 searchAttributes, const char* pattern, NWSEARCH_ENTRY& entry,
                          nuint32 reserved) override;

    // ---- trash entries and their purge
    int DirHandlesInUse() const { return dirHandles_.InUse(); }
    // The folder's trash entries, of every can; a purge deletes one for good.
    NWCCODE NextDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32& iterHandle, nuint8& volumeNumber,
                            nuint32& directoryBase, NWDELETED_INFO& entryInfo) override;
    NWCCODE NWPurgeDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32 iterHandle, nuint8 volumeNumber,
                               nuint32 directoryBase, const char* fileName) override;
    // Done with a folder: the purged folders' sizes leave the cans' caches.
    NWCCODE ReleaseDirHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle) override;
    // Called between a scan's listing of an entry and its purge (tests make
    // races happen there).
    void SetBeforePurgeHook(std::function<void()> hook) { beforePurge_ = std::move(hook); }
    // A folder mixes the items of several users: one that cannot be purged
    // must not keep the others from being purged.
    bool FailedPurgeEndsScan() const override { return false; }
    // Names are file names: letter case tells them apart.
    NameCase NameRule() const override { return NameCase::Kept; }

    // ---- owners and texts
    // A can's owner is a user id, named by the password database.
    NWCCODE ObjectIdToNameByClient(NWDSContextHandle context, NWCONN_HANDLE conn, nuint32 objectID,
                                   char* name) override;
    // A text for every code the client returns; the last failed purge's text
    // names its item or trash can.
    std::unique_ptr<NWErrorTextLibrary> LoadErrorTextLibrary() override;

private:
    struct DirHandleState {
        size_t directory = 0;
        nuint8 volumeNumber = 0;
    };

    // One server, TRASH; opening a connection reads the trash cans.
    std::vector<Server> Servers() override;
    Server PrimaryServer() override;
    bool ServerNames(Server server, std::string& name, std::string& tree) override;
    void ConnectionOpened(NWCONN_HANDLE conn) override;
    void ConnectionClosed(NWCONN_HANDLE conn) override;
    // Reads the trash cans again, unless a scan is under way or the reading
    // was made or used by a scan a moment ago.
    void Refresh();
    // The folders of a trash can, opened (as its owner) at its first purge and
    // kept for the purges after it.
    const OpenTrashCan& OpenedCan(size_t can);
    void CloseCans();
    // Notes each problem of the reading as skipped work, for the job's list
    // and log, and shows the ones not shown before in one error box.
    void ReportProblems();
    NWCCODE Failed(NWCCODE code, std::string subject);
    bool IsOpen(NWCONN_HANDLE conn) const { return conns_.IsOpen(conn); }
    NWCCODE ResolveDirectory(NWCONN_HANDLE conn, const char* path, size_t& volume, size_t& directory);
    // Over ResolveDirectory: a folder of the trash index.
    NWCCODE DirectoryName(NWCONN_HANDLE conn, const char* path, std::string& name) override;
    NWCCODE StartSearch(NWCONN_HANDLE conn, const char* path, nuint8& volumeNumber, nuint16& searchId) override;
    NWCCODE AllocateDirHandle(NWCONN_HANDLE conn, const char* path, NWDIR_HANDLE& handle) override;
    NWCCODE PurgeEntry(TrashEntry& entry);
    // Takes the purged folders' lines out of their cans' directorysizes.
    void RemovePurgedFoldersSizes();

    EnvironmentSource source_;
    TrashEnvironment environment_;
    Clock clock_;
    TrashIndex index_;
    std::chrono::steady_clock::time_point indexUsed_{};  // read, or a scan's directory released
    bool indexValid_ = false;
    DirHandlePool<DirHandleState> dirHandles_;
    DirSearches<FolderNameSearch> searches_;
    FolderPathCache paths_;  // of index_
    std::map<size_t, std::unique_ptr<OpenTrashCan>> openCans_;
    std::set<std::string> reportedProblems_;
    std::function<void()> beforePurge_;
    LastFailure lastFailure_;  // the last failed call and the item or can it concerned
    std::map<size_t, std::set<std::string>> purgedFolders_;  // by can, their sizes' lines not yet removed
};
