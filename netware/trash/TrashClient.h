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

    // A text for every code the client returns; the last failed purge's text
    // names its item or trash can.
    std::unique_ptr<NWErrorTextLibrary> LoadErrorTextLibrary() override;

private:
    const TrashIndex& Tree() const override { return index_; }
    void ReadStores() override;
    // Done with a folder: the purged folders' sizes leave the cans' caches.
    void DirectoryDone() override { RemovePurgedFoldersSizes(); }
    // The items are the trash entries, of every can, purged as their can's owner.
    bool IsPurged(size_t entry) const override { return index_.entries[entry].purged; }
    const std::string& ListedName(size_t entry) const override { return index_.entries[entry].name; }
    DeletedRecordValues RecordOf(size_t entry, nuint32 folder) const override;
    const OwnerIdentity& PurgerOf(size_t entry) const override { return index_.cans[index_.entries[entry].can].owner; }
    NWCCODE PurgeItem(size_t entry) override;
    // A can's owner is a user id, named by the password database.
    bool UserName(nuint32 id, std::string& name) const override;
    // The folders of a trash can, opened (as its owner) at its first purge and
    // kept for the purges after it.
    const OpenTrashCan& OpenedCan(size_t can);
    void CloseCans();
    // Notes each problem of the reading as skipped work, for the job's list
    // and log, and shows the ones not shown before in one error box.
    void ReportProblems() override;
    // Takes the purged folders' lines out of their cans' directorysizes.
    void RemovePurgedFoldersSizes();

    EnvironmentSource source_;
    TrashEnvironment environment_;
    TrashIndex index_;
    std::map<size_t, std::unique_ptr<OpenTrashCan>> openCans_;
    std::set<std::string> reportedProblems_;
    std::map<size_t, std::set<std::string>> purgedFolders_;  // by can, their sizes' lines not yet removed
};
