// SPDX-License-Identifier: GPL-3.0-or-later
// The recycle bins of the drives mounted here as a NetWare client: one server,
// WINDOWS, whose volumes are the drives, whose directories are the folders
// deleted items came from, and whose deleted files are the items. Purging an
// item deletes its $R and then its $I for good.
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
#include "netware/FolderNames.h"
#include "netware/windows/WindowsBins.h"

inline constexpr const char* WindowsServerName = "WINDOWS";

class WindowsBinClient : public ClientBase {
public:
    // The environment is asked for at every reading of the bins (the system's
    // reads the mount table afresh, so a drive plugged in meanwhile is seen).
    // A reading serves a job: it is made again once it has gone unused for a
    // moment by the clock (tests give one of their own).
    using EnvironmentSource = std::function<WindowsBinEnvironment()>;
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    explicit WindowsBinClient(EnvironmentSource source, Clock clock = std::chrono::steady_clock::now);
    ~WindowsBinClient() override;

    const WindowsBinIndex& Index() const { return index_; }

    NWCCODE SplitPathByClient(const char* path, char* server, NWCONN_HANDLE& conn, char* volume,
                              char* directory) override;
    NWCCODE NWGetVolumeName(NWCONN_HANDLE conn, nuint16 volumeNumber, char* volumeName) override;
    // The drive's file system (statvfs).
    NWCCODE NWGetVolumeSpace(NWCONN_HANDLE conn, const char* volumeName, std::uint64_t& totalBytes,
                             std::uint64_t& freeBytes) override;
    // Subfolders only: what lies in a folder are deleted items.
    NWCCODE DirSearchNext(NWCONN_HANDLE conn, nuint8 volumeNumber, nuint16 directoryID, nuint16 sequence,
                          nuint8 searchAttributes, const char* pattern, NWSEARCH_ENTRY& entry,
                          nuint32 reserved) override;

    NWCCODE NextDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32& iterHandle, nuint8& volumeNumber,
                            nuint32& directoryBase, NWDELETED_INFO& entryInfo) override;
    NWCCODE NWPurgeDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32 iterHandle, nuint8 volumeNumber,
                               nuint32 directoryBase, const char* fileName) override;
    NWCCODE ReleaseDirHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle) override;
    // Called between a scan's listing of an item and its purge (tests make
    // races happen there).
    void SetBeforePurgeHook(std::function<void()> hook) { beforePurge_ = std::move(hook); }
    // A folder mixes the items of several users and drives' owners.
    bool FailedPurgeEndsScan() const override { return false; }

    // The deleting users: their security ids, or names from a user mapping.
    NWCCODE ObjectIdToNameByClient(NWDSContextHandle context, NWCONN_HANDLE conn, nuint32 objectID,
                                   char* name) override;
    std::unique_ptr<NWErrorTextLibrary> LoadErrorTextLibrary() override;

    // Folders are the original paths as the index files hold them.
    NameCase NameRule() const override { return NameCase::Kept; }

private:
    struct DirHandleState {
        size_t directory = 0;
        nuint8 volumeNumber = 0;
    };
    // A user's bin folder as opened for purges: from the root down, on the
    // drive's device, the very folder that was read.
    struct OpenBin {
        int fd = -1;
        int error = 0;
        std::string problem;
        ~OpenBin();
    };

    std::vector<Server> Servers() override;
    Server PrimaryServer() override;
    bool ServerNames(Server server, std::string& name, std::string& tree) override;
    void ConnectionOpened(NWCONN_HANDLE conn) override;
    void ConnectionClosed(NWCONN_HANDLE conn) override;
    void Refresh();
    void ReportProblems();
    NWCCODE ResolveDirectory(NWCONN_HANDLE conn, const char* path, size_t& volume, size_t& directory);
    NWCCODE DirectoryName(NWCONN_HANDLE conn, const char* path, std::string& name) override;
    NWCCODE StartSearch(NWCONN_HANDLE conn, const char* path, nuint8& volumeNumber, nuint16& searchId) override;
    NWCCODE AllocateDirHandle(NWCONN_HANDLE conn, const char* path, NWDIR_HANDLE& handle) override;
    const OpenBin& OpenedBin(size_t bin);
    NWCCODE PurgeItem(WindowsBinItem& item);
    NWCCODE Failed(NWCCODE code, std::string subject);

    EnvironmentSource source_;
    Clock clock_;
    WindowsBinIndex index_;
    std::chrono::steady_clock::time_point indexUsed_{};
    bool indexValid_ = false;
    DirHandlePool<DirHandleState> dirHandles_;
    DirSearches<FolderNameSearch> searches_;
    FolderPathCache paths_;  // of index_.folders
    std::map<size_t, std::unique_ptr<OpenBin>> openBins_;
    std::set<std::string> reportedProblems_;
    std::function<void()> beforePurge_;
    LastFailure lastFailure_;
};
