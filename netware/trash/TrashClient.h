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
    ~TrashClient() override;

    const TrashIndex& Index() const { return index_; }
    int DirHandlesInUse() const { return dirHandles_.InUse(); }

    // calwin32
    NWCCODE SplitPathByClient(const char* path, char* server, NWCONN_HANDLE& conn, char* volume,
                              char* directory) override;
    NWCCODE DirectoryInfo(NWCONN_HANDLE conn, nuint8 dirHandle, const char* path, const nuint8* searchSequence,
                          char* name, nuint32& attributes, nuint32& creationDateTime, nuint32& ownerID,
                          nuint32 reserved) override;
    NWCCODE DirSearchStart(NWCONN_HANDLE conn, nuint8 dirHandle, const char* path, nuint8& volumeNumber,
                           nuint16& directoryID, nuint16& sequence, NWSEARCH_ENTRY& buffer,
                           nuint32 reserved) override;
    NWCCODE DirSearchNext(NWCONN_HANDLE conn, nuint8 volumeNumber, nuint16 directoryID, nuint16 sequence,
                          nuint8 searchAttributes, const char* pattern, NWSEARCH_ENTRY& entry,
                          nuint32 reserved) override;
    NWCCODE NWAllocTemporaryDirectoryHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, const char* path,
                                            NWDIR_HANDLE& newDirHandle, nuint8* rightsMask) override;
    NWCCODE NextDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32& iterHandle, nuint8& volumeNumber,
                            nuint32& directoryBase, NWDELETED_INFO& entryInfo) override;
    NWCCODE NWPurgeDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32 iterHandle, nuint8 volumeNumber,
                               nuint32 directoryBase, const char* fileName) override;
    NWCCODE ReleaseDirHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle) override;
    NWCCODE NWGetVolumeName(NWCONN_HANDLE conn, nuint16 volumeNumber, char* volumeName) override;

    // netwin32
    NWCCODE ObjectIdToNameByClient(NWDSContextHandle context, NWCONN_HANDLE conn, nuint32 objectID,
                                   char* name) override;

    // The shared texts of the codes, in its own words for a failed delete.
    std::unique_ptr<NWErrorTextLibrary> LoadErrorTextLibrary() override;

protected:
    // One server, TRASH; opening a connection reads the trash cans.
    std::vector<Server> Servers() override;
    Server PrimaryServer() override;
    bool ServerNames(Server server, std::string& name, std::string& tree) override;
    void ConnectionOpened(NWCONN_HANDLE conn) override;
    void ConnectionClosed(NWCONN_HANDLE conn) override;

private:
    struct DirHandleState {
        size_t directory = 0;
        nuint8 volumeNumber = 0;
    };
    struct SearchState {
        std::vector<std::string> names;  // the directory's subdirectories
    };

    // The files/ and info/ folders of a trash can, opened at its first purge
    // and kept for the purges after it.
    struct OpenCan {
        int files = -1;
        int info = -1;
        dev_t device = 0;
        int error = 0;  // of the failed open, when one failed
    };

    // Reads the trash cans again, unless a scan is under way or the reading
    // was made or used by a scan a moment ago.
    void Refresh();
    const OpenCan& OpenedCan(size_t can);
    void CloseCans();
    bool IsOpen(NWCONN_HANDLE conn) const { return conns_.IsOpen(conn); }
    NWCCODE ResolveDirectory(NWCONN_HANDLE conn, const char* path, size_t& volume, size_t& directory) const;
    NWCCODE PurgeEntry(TrashEntry& entry);
    // Takes the purged folders' lines out of their cans' directorysizes.
    void RemovePurgedFoldersSizes();

    TrashEnvironment environment_;
    Clock clock_;
    TrashIndex index_;
    std::chrono::steady_clock::time_point indexUsed_{};  // read, or a scan's directory released
    bool indexValid_ = false;
    DirHandlePool<DirHandleState> dirHandles_;
    DirSearches<SearchState> searches_;
    std::map<size_t, OpenCan> openCans_;
    std::map<size_t, std::set<std::string>> purgedFolders_;  // by can, their sizes' lines not yet removed
};
