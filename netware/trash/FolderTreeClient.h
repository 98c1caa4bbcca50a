// SPDX-License-Identifier: GPL-3.0-or-later
// A client back end that shows a folder tree read from local stores (a
// TrashIndex: volumes, the folders deleted items came from, and the items in
// them) as one server. It answers the paths, volumes, folder searches and
// directory handles over the tree; the back end reads its stores into the
// tree, lists the items of a folder and purges them.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "netware/ClientBase.h"
#include "netware/DeletedFileRecords.h"
#include "netware/DirHandlePool.h"
#include "netware/DirSearches.h"
#include "netware/FolderNames.h"
#include "netware/trash/OwnerIdentity.h"
#include "netware/trash/TrashIndex.h"

class FolderTreeClient : public ClientBase {
public:
    // Says when a reading has gone unused long enough to be made again (tests
    // give one of their own).
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // ---- paths, volumes, folders
    // Paths on this server only; resolving one reads the stores again.
    NWCCODE SplitPathByClient(const char* path, char* server, NWCONN_HANDLE& conn, char* volume,
                              char* directory) override;
    // A volume is a mounted file system that holds a store.
    NWCCODE NWGetVolumeName(NWCONN_HANDLE conn, nuint16 volumeNumber, char* volumeName) override;
    // The file system of the volume's mount point (statvfs).
    NWCCODE NWGetVolumeSpace(NWCONN_HANDLE conn, const char* volumeName, std::uint64_t& totalBytes,
                             std::uint64_t& freeBytes) override;
    // Subfolders only: what lies in a folder are deleted items, not files.
    NWCCODE DirSearchNext(NWCONN_HANDLE conn, nuint8 volumeNumber, nuint16 directoryID, nuint16 sequence,
                          nuint8 searchAttributes, const char* pattern, NWSEARCH_ENTRY& entry,
                          nuint32 reserved) override;

    // ---- directory handles, deleted items and their purge
    int DirHandlesInUse() const { return dirHandles_.InUse(); }
    NWCCODE ReleaseDirHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle) override;
    // The folder's deleted items, of every store; a purge deletes one for good.
    NWCCODE NextDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32& iterHandle, nuint8& volumeNumber,
                            nuint32& directoryBase, NWDELETED_INFO& entryInfo) override;
    // Purges only exactly the item the caller names: place and name agree.
    NWCCODE NWPurgeDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32 iterHandle, nuint8 volumeNumber,
                               nuint32 directoryBase, const char* fileName) override;
    // Called between a scan's listing of an item and its purge (tests make
    // races happen there).
    void SetBeforePurgeHook(std::function<void()> hook) { beforePurge_ = std::move(hook); }

    // ---- names
    // The deleting users and owners the records name (UserName).
    NWCCODE ObjectIdToNameByClient(NWDSContextHandle context, NWCONN_HANDLE conn, nuint32 objectID,
                                   char* name) override;
    // A folder mixes the items of several users: one that cannot be purged
    // must not keep the others from being purged.
    bool FailedPurgeEndsScan() const override { return false; }
    // Names are file names: letter case tells them apart.
    NameCase NameRule() const override { return NameCase::Kept; }
    // A folder is reached from its parent's handle by its name: a walk pays
    // for each folder once, however deep it lies.
    bool RelativePaths() const override { return true; }

protected:
    FolderTreeClient(const char* serverName, Clock clock);

    // The folder tree of the last reading.
    virtual const TrashIndex& Tree() const = 0;
    // Reads the stores into the tree, dropping what was kept of the reading
    // before.
    virtual void ReadStores() = 0;
    // Makes the problems of the reading known, as skipped work.
    virtual void ReportProblems() = 0;
    // A scan is done with a directory, or a connection closed.
    virtual void DirectoryDone() {}

    // The items of the tree's folders (TrashDirectory::entries index them).
    virtual bool IsPurged(size_t item) const = 0;
    virtual const std::string& ListedName(size_t item) const = 0;
    // The record an item is listed with, in its folder.
    virtual DeletedRecordValues RecordOf(size_t item, nuint32 folder) const = 0;
    // As whom an item is purged.
    virtual const OwnerIdentity& PurgerOf(size_t item) const = 0;
    // Deletes the item for good, as its purger; marks it purged.
    virtual NWCCODE PurgeItem(size_t item) = 0;
    // The name of a user id that records give; false for an unknown one.
    virtual bool UserName(nuint32 id, std::string& name) const = 0;

    // Reads the stores again, unless a scan is under way or the reading was
    // made or used by a scan a moment ago.
    void Refresh();
    NWCCODE Failed(NWCCODE code, std::string subject);
    bool IsOpen(NWCONN_HANDLE conn) const { return conns_.IsOpen(conn); }

    LastFailure lastFailure_;  // the last failed call and the item or store it concerned

private:
    struct DirHandleState {
        size_t directory = 0;
        nuint8 volumeNumber = 0;
    };

    // One server; opening a connection reads the stores.
    std::vector<Server> Servers() override;
    Server PrimaryServer() override;
    bool ServerNames(Server server, std::string& name, std::string& tree) override;
    void ConnectionOpened(NWCONN_HANDLE conn) override;
    void ConnectionClosed(NWCONN_HANDLE conn) override;

    NWCCODE ResolveDirectory(NWCONN_HANDLE conn, const char* path, size_t& volume, size_t& directory);
    // The folder that the components of path name below the folder of base.
    NWCCODE ResolveBelow(NWCONN_HANDLE conn, NWDIR_HANDLE base, const char* path, size_t& volume, size_t& directory);
    NWCCODE NameFolderSearch(NWCONN_HANDLE conn, size_t volume, size_t directory, nuint8& volumeNumber,
                             nuint16& searchId);
    // Over ResolveDirectory: a folder of the tree.
    NWCCODE DirectoryName(NWCONN_HANDLE conn, const char* path, std::string& name) override;
    NWCCODE StartSearch(NWCONN_HANDLE conn, const char* path, nuint8& volumeNumber, nuint16& searchId) override;
    NWCCODE AllocateDirHandle(NWCONN_HANDLE conn, const char* path, NWDIR_HANDLE& handle) override;
    NWCCODE StartSearchBelow(NWCONN_HANDLE conn, NWDIR_HANDLE base, const char* path, nuint8& volumeNumber,
                             nuint16& searchId) override;
    NWCCODE AllocateDirHandleBelow(NWCONN_HANDLE conn, NWDIR_HANDLE base, const char* path,
                                   NWDIR_HANDLE& handle) override;

    const char* serverName_;
    DirHandlePool<DirHandleState> dirHandles_;
    std::function<void()> beforePurge_;
    Clock clock_;
    std::chrono::steady_clock::time_point treeUsed_{};  // read, or a scan's directory released
    bool treeValid_ = false;
    DirSearches<FolderNameSearch> searches_;
    FolderPathCache paths_;  // of the tree
};
