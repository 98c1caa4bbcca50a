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

#include "netware/trash/FolderTreeClient.h"
#include "netware/trash/TrashCans.h"
#include "netware/trash/TrashErrors.h"
#include "netware/trash/TrashIndex.h"

inline constexpr const char* TrashServerName = "TRASH";

class TrashClient : public FolderTreeClient {
public:
    // The trash cans of the given environment (SystemTrashEnvironment() for
    // the machine's own); they are read when a connection opens or a path is
    // resolved, so that every job sees the trash as it is.
    explicit TrashClient(TrashEnvironment environment, Clock clock = std::chrono::steady_clock::now);
    // The environment is asked for at every reading (SystemTrashEnvironment
    // reads the mount table afresh, so a disk mounted meanwhile is seen).
    using EnvironmentSource = std::function<TrashEnvironment()>;
    explicit TrashClient(EnvironmentSource source, Clock clock = std::chrono::steady_clock::now);
    ~TrashClient() override;

    const TrashIndex& Index() const { return index_; }

    // ---- trash entries and their purge
    // The folder's trash entries, of every can; a purge deletes one for good.
    NWCCODE NextDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32& iterHandle, nuint8& volumeNumber,
                            nuint32& directoryBase, NWDELETED_INFO& entryInfo) override;
    NWCCODE NWPurgeDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32 iterHandle, nuint8 volumeNumber,
                               nuint32 directoryBase, const char* fileName) override;
    // Called between a scan's listing of an entry and its purge (tests make
    // races happen there).
    void SetBeforePurgeHook(std::function<void()> hook) { beforePurge_ = std::move(hook); }

    // ---- owners and texts
    // A can's owner is a user id, named by the password database.
    NWCCODE ObjectIdToNameByClient(NWDSContextHandle context, NWCONN_HANDLE conn, nuint32 objectID,
                                   char* name) override;
    // A text for every code the client returns; the last failed purge's text
    // names its item or trash can.
    std::unique_ptr<NWErrorTextLibrary> LoadErrorTextLibrary() override;

private:
    const TrashIndex& Tree() const override { return index_; }
    void ReadStores() override;
    // Done with a folder: the purged folders' sizes leave the cans' caches.
    void DirectoryDone() override { RemovePurgedFoldersSizes(); }
    // The folders of a trash can, opened (as its owner) at its first purge and
    // kept for the purges after it.
    const OpenTrashCan& OpenedCan(size_t can);
    void CloseCans();
    // Notes each problem of the reading as skipped work, for the job's list
    // and log, and shows the ones not shown before in one error box.
    void ReportProblems() override;
    NWCCODE PurgeEntry(TrashEntry& entry);
    // Takes the purged folders' lines out of their cans' directorysizes.
    void RemovePurgedFoldersSizes();

    EnvironmentSource source_;
    TrashEnvironment environment_;
    TrashIndex index_;
    std::map<size_t, std::unique_ptr<OpenTrashCan>> openCans_;
    std::set<std::string> reportedProblems_;
    std::function<void()> beforePurge_;
    std::map<size_t, std::set<std::string>> purgedFolders_;  // by can, their sizes' lines not yet removed
};
