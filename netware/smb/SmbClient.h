// SPDX-License-Identifier: GPL-3.0-or-later
// SMB servers as a NetWare client: the servers of the servers file and of the
// cifs mounts are the connections, their disk shares the volumes, the original
// folders of the deleted files the directories, and the files in the shares'
// recycle bins the deleted files. Purging one deletes it on the server.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "netware/ClientBase.h"
#include "netware/DirHandlePool.h"
#include "netware/DirSearches.h"
#include "netware/NWClientBackend.h"
#include "netware/smb/SmbServers.h"
#include "netware/smb/SmbSession.h"
#include "netware/smb/SmbShareIndex.h"

class SmbClient : public ClientBase {
public:
    // A job is what the client is asked without a pause of this length: the
    // shares are read again and a server that failed is tried again after it.
    static constexpr std::chrono::seconds kJobPause{2};
    // A purge checks the file against a listing of its folder at most this old.
    static constexpr std::chrono::seconds kFreshListing{1};
    // Purges of one folder's files in an unbroken row, each asked within this
    // time of the last (nobody was asked in between), move the rest of another
    // account's folder aside whole.
    static constexpr std::chrono::milliseconds kQuickSuccession{500};
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // prompt: the login box for a server that refuses the logon and has no
    // credentials file; empty in an automatic run, which never asks.
    SmbClient(std::vector<SmbServerSettings> servers, SmbLoginPrompt prompt,
              Clock clock = std::chrono::steady_clock::now);
    ~SmbClient() override;

    // ---- paths, volumes, folders
    // Paths on the servers of the list; resolving one reads the share's
    // recycle bin when the job has not read it yet.
    NWCCODE SplitPathByClient(const char* path, char* server, NWCONN_HANDLE& conn, char* volume,
                              char* directory) override;
    // A volume is a disk share of the server.
    NWCCODE NWGetVolumeName(NWCONN_HANDLE conn, nuint16 volumeNumber, char* volumeName) override;
    // The file system of the share, as the server tells it.
    NWCCODE NWGetVolumeSpace(NWCONN_HANDLE conn, const char* volumeName, std::uint64_t& totalBytes,
                             std::uint64_t& freeBytes) override;
    // Folders only: the original folders of the deleted files.
    NWCCODE DirSearchNext(NWCONN_HANDLE conn, nuint8 volumeNumber, nuint16 directoryID, nuint16 sequence,
                          nuint8 searchAttributes, const char* pattern, NWSEARCH_ENTRY& entry,
                          nuint32 reserved) override;

    // ---- deleted files and their purge
    int DirHandlesInUse() const { return dirHandles_.InUse(); }
    // The files of the repository that were deleted from the folder, of every
    // user's repository folder.
    NWCCODE NextDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32& iterHandle, nuint8& volumeNumber,
                            nuint32& directoryBase, NWDELETED_INFO& entryInfo) override;
    // Deletes the file on the server while it is still the one listed.
    NWCCODE NWPurgeDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32 iterHandle, nuint8 volumeNumber,
                               nuint32 directoryBase, const char* fileName) override;
    // Done with a folder: the repository folders the purges left empty go.
    NWCCODE ReleaseDirHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle) override;
    // A folder merges the deleted files of several users' repository folders:
    // one that cannot be purged must not keep the others from being purged.
    bool FailedPurgeEndsScan() const override { return false; }
    // The shares' folders are told apart by letter case, as Samba's file
    // systems do.
    NameCase NameRule() const override { return NameCase::Kept; }

    // The server failures this client reports itself: once per server and
    // job, with how many files were not done.
    bool ReportsFailureItself(NWCCODE code) const override;
    // Outside a job nothing is written on a server; a job that only lists
    // puts back what a lost connection left set aside, and no more.
    void JobStarting(bool purges) override;
    void JobFinished() override;
    // For tests: called in a purge between setting a file (or its whole
    // folder) aside in the own bin and deleting it.
    void SetAsideHook(std::function<void()> hook) { afterSetAside_ = std::move(hook); }

    // ---- users and texts
    // The deleting users: the user folders of per-user repositories.
    NWCCODE ObjectIdToNameByClient(NWDSContextHandle context, NWCONN_HANDLE conn, nuint32 objectID,
                                   char* name) override;
    // The server answers as codes with their texts.
    std::unique_ptr<NWErrorTextLibrary> LoadErrorTextLibrary() override;

private:
    // The servers of the list, numbered from 1 in its order.
    std::vector<ClientBase::Server> Servers() override { return serverNumbers_; }
    ClientBase::Server PrimaryServer() override { return servers_.empty() ? 0 : 1; }
    bool ServerNames(ClientBase::Server server, std::string& name, std::string& tree) override;
    void ConnectionOpened(NWCONN_HANDLE conn) override;
    void ConnectionClosed(NWCONN_HANDLE conn) override;

    struct Share {
        std::string name;
        bool read = false;
        bool reading = false;  // a read is in progress (it handles window messages)
        // A delete in the own bin proved final in this job: the recycle
        // module kept no copy.
        bool deleteConfirmed = false;
        SmbShareIndex index;
        FolderPathCache paths;  // of index
    };
    struct SmbServer {
        std::unique_ptr<SmbSession> session;
        bool sharesRead = false;
        bool failureReported = false;
        unsigned long notDone = 0;  // selected files not purged in this job for the server's failure
        std::vector<Share> shares;
        std::vector<std::string> users;  // deleting users, numbered from 1
        // Folders files were purged from, with the folder each may be emptied
        // up to (not included).
        std::vector<std::pair<std::string, std::string>> purgedFrom;
        // The same for the folders files were set aside in: kept for the
        // job, which sets more files aside there.
        std::vector<std::pair<std::string, std::string>> setAsideIn;
        // What a folder of the repository holds now, read again for the
        // purges in it once it is older than kFreshListing.
        std::string checkedFolder;
        std::chrono::steady_clock::time_point checkedAt{};
        std::map<std::string, SmbFileInfo> checkedFiles;
        // The folder whose files are being purged: the position in its list
        // that continues the unbroken row of purges from its first file
        // (none: broken), and when the last purge ended.
        struct PurgeRow {
            size_t share = 0, folder = 0, next = SIZE_MAX;
            std::chrono::steady_clock::time_point lastEnd{};
        } row;
        // Another account's folder moved whole into the own bin while its
        // files are purged; what is left of it goes back when it is done.
        struct FolderAside {
            std::string original, aside, floor, ownBin, base;
        };
        std::optional<FolderAside> folderAside;
        std::string asideRefused;  // a folder the server would not move whole in this job
    };
    struct Place {
        size_t server = 0;
        size_t share = 0;
        size_t folder = 0;
    };

    // The first call after a pause, or after JobFinished, starts a new job.
    void Touch();
    // Marks the end of a call: the pause before the next one counts from here.
    struct CallStamp {
        SmbClient& client;
        ~CallStamp() { client.lastCall_ = client.clock_(); }
    };
    // The server's name and a path on it (SHARE/folder/name) as the user reads them.
    std::string ShownPath(const SmbServer& server, const std::string& path = {}) const;
    // The purge's steps: moving the file into the own bin when it lies
    // elsewhere, checking it again, deleting it and confirming it is gone.
    // position: the file's place in its folder's list.
    NWCCODE Purge(SmbServer& server, const Place& place, size_t position, SmbDeletedFile& file);
    // A file elsewhere than in the own bin, set aside there alone and deleted.
    NWCCODE PurgeSetAside(SmbServer& server, const Share& share, const SmbDeletedFile& file, std::string& target);
    // Moves the file's folder into the own bin whole, when the row of purges
    // in it says the whole folder is going; false: not moved.
    bool SetAsideFolder(SmbServer& server, const Place& place, size_t position, const SmbDeletedFile& file);
    // Deletes the file at path (the listed one, or where it was moved) when
    // a fresh listing of its folder shows it unchanged.
    NWCCODE DeleteIfUnchanged(SmbServer& server, const std::string& path, const SmbDeletedFile& file);
    // The server was lost with the file at target: the purge's text says so.
    NWCCODE LostMidPurge(SmbServer& server, const std::string& target);
    void PutBackFailed(SmbServer& server, const std::string& path, NWCCODE code);
    // Tells of a file put back (code 0) or not put back after an earlier
    // job lost the connection.
    SmbPutBackNote PutBackNote(SmbServer& server);
    // A file of the folder set aside whole, checked and deleted there.
    NWCCODE PurgeInFolderAside(SmbServer& server, const SmbDeletedFile& file, std::string& target);
    // What is left of the folder set aside whole goes back where it was.
    void PutBackFolderAside(SmbServer& server);
    NWCCODE ConfirmGone(SmbServer& server, Share& share, const SmbDeletedFile& file, const std::string& target);
    SmbServer* ServerOfConn(NWCONN_HANDLE conn);
    size_t ServerNumber(const SmbServer& server) const { return static_cast<size_t>(&server - servers_.data()); }
    // The server's failure, shown once per job.
    NWCCODE Reported(SmbServer& server, NWCCODE code);
    // report: show the server's failure (once per job).
    NWCCODE ReadShares(SmbServer& server, bool report = true);
    NWCCODE FindShare(SmbServer& server, const std::string& name, size_t& share);
    NWCCODE ReadIndex(SmbServer& server, Share& share);
    // The number of a server's user by name (1-based), given out on first sight.
    static SmbUserNumber UserNumber(SmbServer& server);
    NWCCODE Resolve(NWCONN_HANDLE conn, const char* path, Place& place);
    // A path the bin holds no folder for: an empty folder when the share has
    // it, else SMB_ERR_NO_SUCH_FOLDER, reported once per job by name.
    NWCCODE MissingFolder(SmbServer& server, size_t share, std::string_view directory, Place& place);
    // Over Resolve: a folder of the share's repository tree.
    NWCCODE DirectoryName(NWCONN_HANDLE conn, const char* path, std::string& name) override;
    NWCCODE StartSearch(NWCONN_HANDLE conn, const char* path, nuint8& volumeNumber, nuint16& searchId) override;
    NWCCODE AllocateDirHandle(NWCONN_HANDLE conn, const char* path, NWDIR_HANDLE& handle) override;
    // jobDone: the folders files were set aside in go too.
    void RemoveLeftEmpty(SmbServer& server, bool jobDone = false);
    // The file at a server path as it is now; SMB_ERR_NO_SUCH_DELETED_FILE
    // when it is gone.
    NWCCODE CurrentFile(SmbServer& server, const std::string& path, SmbFileInfo*& info);

    std::vector<SmbServer> servers_;
    std::vector<ClientBase::Server> serverNumbers_;  // 1..N
    Clock clock_;
    std::chrono::steady_clock::time_point lastCall_{};
    NWCONN_HANDLE currentConn_ = 0;  // opened last: the server of volume-form paths
    DirHandlePool<Place> dirHandles_;
    DirSearches<FolderNameSearch> searches_;
    int busy_ = 0;          // reads in progress, which handle window messages: no job starts meanwhile
    bool jobOver_ = false;  // JobFinished came: the next call starts a new job
    LastFailure lastFailure_;  // the place a failed purge left its file, for the code's text
    std::set<std::string> missingReported_;  // folders reported missing in this job
    std::function<void()> afterSetAside_;
    SmbShareIndex::Writes writes_;  // what the job in hand may write while reading bins
};
