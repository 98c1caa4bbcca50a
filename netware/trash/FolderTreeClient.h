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

    // ---- directory handles and purges
    int DirHandlesInUse() const { return dirHandles_.InUse(); }
    NWCCODE ReleaseDirHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle) override;
    // A folder mixes the items of several users: one that cannot be purged
    // must not keep the others from being purged.
    bool FailedPurgeEndsScan() const override { return false; }
    // Names are file names: letter case tells them apart.
    NameCase NameRule() const override { return NameCase::Kept; }

protected:
    struct DirHandleState {
        size_t directory = 0;
        nuint8 volumeNumber = 0;
    };

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

    // Reads the stores again, unless a scan is under way or the reading was
    // made or used by a scan a moment ago.
    void Refresh();
    NWCCODE Failed(NWCCODE code, std::string subject);
    bool IsOpen(NWCONN_HANDLE conn) const { return conns_.IsOpen(conn); }

    // The next unpurged item of a held directory after iterHandle: the
    // directory's state and the item's index in the back end's list.
    template <typename IsPurged>
    NWCCODE NextListedItem(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32 iterHandle, IsPurged isPurged,
                           const DirHandleState*& held, size_t& item)
    {
        held = dirHandles_.Find(conn, dirHandle);
        if (!held)
            return ERR_BAD_DIRECTORY_HANDLE;
        const auto next = NextUnpurged(Tree().directories[held->directory].entries, iterHandle, isPurged);
        if (!next)
            return ERR_NO_FILES_FOUND;
        item = *next;
        return SUCCESSFUL;
    }
    // The item a purge names by its place: listed in the held directory that
    // volumeNumber and directoryBase name. Its name and state are the back
    // end's to check.
    NWCCODE ListedItemToPurge(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32 iterHandle, nuint8 volumeNumber,
                              nuint32 directoryBase, const char* fileName, size_t& item);

    DirHandlePool<DirHandleState> dirHandles_;
    LastFailure lastFailure_;  // the last failed call and the item or store it concerned

private:
    // One server; opening a connection reads the stores.
    std::vector<Server> Servers() override;
    Server PrimaryServer() override;
    bool ServerNames(Server server, std::string& name, std::string& tree) override;
    void ConnectionOpened(NWCONN_HANDLE conn) override;
    void ConnectionClosed(NWCONN_HANDLE conn) override;

    NWCCODE ResolveDirectory(NWCONN_HANDLE conn, const char* path, size_t& volume, size_t& directory);
    // Over ResolveDirectory: a folder of the tree.
    NWCCODE DirectoryName(NWCONN_HANDLE conn, const char* path, std::string& name) override;
    NWCCODE StartSearch(NWCONN_HANDLE conn, const char* path, nuint8& volumeNumber, nuint16& searchId) override;
    NWCCODE AllocateDirHandle(NWCONN_HANDLE conn, const char* path, NWDIR_HANDLE& handle) override;

    const char* serverName_;
    Clock clock_;
    std::chrono::steady_clock::time_point treeUsed_{};  // read, or a scan's directory released
    bool treeValid_ = false;
    DirSearches<FolderNameSearch> searches_;
    FolderPathCache paths_;  // of the tree
};
