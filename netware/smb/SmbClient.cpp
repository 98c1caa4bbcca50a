// SPDX-License-Identifier: GPL-3.0-or-later
// The SMB client's operations: connections, paths, searches, directory
// handles, the deleted-file iteration and purge, contexts and names.
#include "netware/smb/SmbClient.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

#include "netware/ClientText.h"
#include "netware/CompletionCodes.h"
#include "netware/D_NW.h"
#include "netware/DeletedFileRecords.h"
#include "netware/NetWarePath.h"
#include "netware/ShownName.h"
#include "netware/smb/SmbErrors.h"
#include "netware/smb/SmbSetAside.h"
#include "util/D_Util.h"
#include "util/MessageBox.h"

namespace {

constexpr nuint32 kDirectoryAttribute = 0x10;
constexpr size_t kMaxVolumes = 255;

std::string ParentOf(const std::string& path) { return path.substr(0, path.rfind('/')); }

bool SameFile(const SmbFileInfo& now, const SmbDeletedFile& listed)
{
    return !now.isDirectory && now.size == listed.size && now.writeTime == listed.writeTime &&
           now.writeTimeNanoseconds == listed.writeTimeNanoseconds &&
           (listed.fileId == 0 || now.fileId == 0 || now.fileId == listed.fileId);
}

}  // namespace

SmbClient::SmbClient(std::vector<SmbServerSettings> servers, SmbLoginPrompt prompt, Clock clock)
    : clock_(std::move(clock))
{
    for (SmbServerSettings& settings : servers) {
        SmbServer server;
        server.session = std::make_unique<SmbSession>(std::move(settings), prompt);
        servers_.push_back(std::move(server));
        serverNumbers_.push_back(static_cast<ClientBase::Server>(servers_.size()));
    }
}

SmbClient::~SmbClient()
{
    for (SmbServer& server : servers_)
        RemoveLeftEmpty(server, true);
}

std::unique_ptr<NWErrorTextLibrary> SmbClient::LoadErrorTextLibrary()
{
    return MakeErrorTextLibrary(SmbCodeTexts(), true, lastFailure_);
}

void SmbClient::Touch()
{
    const auto now = clock_();
    // Nothing a job still uses is dropped: not while it holds a directory
    // handle, nor while a read is in progress (a window message handled
    // during the read may open a connection).
    if (busy_ == 0 && dirHandles_.InUse() == 0 && (jobOver_ || now - lastCall_ >= kJobPause)) {
        jobOver_ = false;
        missingReported_.clear();
        for (SmbServer& server : servers_) {
            RemoveLeftEmpty(server, true);
            server.sharesRead = false;
            server.failureReported = false;
            server.notDone = 0;
            server.shares.clear();
            server.checkedFolder.clear();
            server.row = {};
            server.folderAside.reset();  // the server failed: the next read puts it back
            server.asideRefused.clear();
            server.session->Revive();
        }
    }
    lastCall_ = now;
}

std::string SmbClient::ShownPath(const SmbServer& server, const std::string& path) const
{
    std::string shown = "\\\\" + ShownName(server.session->Settings().name);
    for (size_t start = 0; start < path.size();) {
        const size_t end = std::min(path.find('/', start), path.size());
        shown += "\\" + ShownName(std::string_view(path).substr(start, end - start));
        start = end + 1;
    }
    return shown;
}

bool SmbClient::ReportsFailureItself(NWCCODE code) const
{
    return IsServerFailure(code) || code == SMB_ERR_NO_SUCH_FOLDER;
}

void SmbClient::JobStarting(bool purges)
{
    writes_ = {true, purges};
    // Bins read before, with less allowed, are read again.
    for (SmbServer& server : servers_)
        for (Share& share : server.shares)
            if (!share.reading)
                share.read = false;
}

void SmbClient::JobFinished()
{
    writes_ = {};
    for (SmbServer& server : servers_) {
        RemoveLeftEmpty(server, true);
        if (server.notDone == 0 && !server.folderAside)
            continue;
        std::string line = ShownPath(server) + ": " + NWErrorText(server.session->Failure());
        if (server.notDone)
            line += "; " + std::to_string(server.notDone) + " selected file" + (server.notDone == 1 ? "" : "s") +
                    " not purged in this job";
        if (server.folderAside)
            line += "; the rest of " + ShownPath(server, server.folderAside->original) + " lies at " +
                    ShownPath(server, server.folderAside->aside) + " until the next job puts it back";
        server.folderAside.reset();
        // One box for the server; a line in the results in any case.
        if (!server.failureReported)
            ReportSkippedWork(line);
        else
            NoteSkippedWork(line);
        server.failureReported = true;
        server.notDone = 0;
    }
    jobOver_ = true;
}

SmbClient::SmbServer* SmbClient::ServerOfConn(NWCONN_HANDLE conn)
{
    const auto number = conns_.ServerOf(conn);
    return number > 0 ? &servers_[static_cast<size_t>(number - 1)] : nullptr;
}

NWCCODE SmbClient::Reported(SmbServer& server, NWCCODE code)
{
    // Whatever the server failed with was waited for once; the moment after
    // it counts as the same job, however long the wait was.
    lastCall_ = clock_();
    if (!IsServerFailure(code) || server.failureReported)
        return code;
    server.failureReported = true;
    const SmbServerSettings& settings = server.session->Settings();
    const std::string text =
        server.session->FailureDetail().empty()
            ? "Connecting to " + ShownPath(server) + " (" + ShownName(settings.host) + " port " +
                  std::to_string(settings.port) + ") returned error " + NWErrorText(code)
            : ShownPath(server) + ": " + server.session->FailureDetail();
    ReportSkippedWork(text);
    return code;
}

NWCCODE SmbClient::ReadShares(SmbServer& server, bool report)
{
    if (server.sharesRead)
        return SUCCESSFUL;
    std::vector<std::string> names;
    if (NWCCODE code = server.session->ListShares(names)) {
        lastCall_ = clock_();  // the wait for the server belongs to this job
        return report ? Reported(server, code) : code;
    }
    server.shares.clear();
    const SmbServerSettings& settings = server.session->Settings();
    for (const std::string& name : names) {
        // Hidden shares (C$, ADMIN$) only when the servers file names them.
        if (!name.empty() && name.back() == '$' && !settings.shares.count(AsciiUpper(name)))
            continue;
        if (server.shares.size() < kMaxVolumes)
            server.shares.emplace_back().name = name;
    }
    server.sharesRead = true;
    return SUCCESSFUL;
}

NWCCODE SmbClient::FindShare(SmbServer& server, const std::string& name, size_t& share)
{
    if (NWCCODE code = ReadShares(server))
        return code;
    for (size_t i = 0; i < server.shares.size(); ++i)
        if (SameTextAscii(server.shares[i].name, name)) {
            share = i;
            return SUCCESSFUL;
        }
    return ERR_VOLUME_DOES_NOT_EXIST;
}

NWCCODE SmbClient::ReadIndex(SmbServer& server, Share& share)
{
    if (share.read)
        return SUCCESSFUL;
    // Asked again by a window message handled while this very share is read:
    // the half-read index is not started over under the first read's feet.
    if (share.reading)
        return SMB_ERR_IO_FAILURE;
    struct Reading {
        Share& share;
        int& busy;
        Reading(Share& s, int& b) : share(s), busy(b) { share.reading = true, ++busy; }
        ~Reading() { share.reading = false, --busy; }
    } reading(share, busy_);
    const SmbServerSettings& settings = server.session->Settings();
    // A folder the account may not read is skipped, and said once.
    auto unreadable = [this, &server](const std::string& path, NWCCODE code) {
        ReportSkippedWork(code, "Reading " + ShownPath(server, path));
    };
    share.paths.Clear();
    const NWCCODE code = share.index.Read(*server.session, share.name, settings.ShareSettings(share.name), writes_,
                                          UserNumber(server), unreadable, PutBackNote(server));
    if (code)
        return Reported(server, code);
    share.read = true;
    return SUCCESSFUL;
}

SmbUserNumber SmbClient::UserNumber(SmbServer& server)
{
    return [&server](const std::string& user) {
        for (size_t i = 0; i < server.users.size(); ++i)
            if (server.users[i] == user)
                return static_cast<std::uint32_t>(i + 1);
        server.users.push_back(user);
        return static_cast<std::uint32_t>(server.users.size());
    };
}

NWCCODE SmbClient::Resolve(NWCONN_HANDLE conn, const char* path, Place& place)
{
    const CallStamp stamp{*this};
    SmbServer* server = ServerOfConn(conn);
    if (!server)
        return ERR_INVALID_CONNECTION;
    NetWarePathHead head;
    if (!path || !ParsePathHead(path, head) ||
        (!head.server.empty() && !SameTextAscii(head.server, server->session->Settings().name)))
        return ERR_INVALID_PATH;
    size_t share = 0;
    if (NWCCODE code = FindShare(*server, head.volume, share))
        return code;
    Share& found = server->shares[share];
    if (NWCCODE code = ReadIndex(*server, found))
        return code;
    const auto step = [&found](size_t parent, std::string_view name, size_t& child) {
        return found.index.FindChild(parent, name, child);
    };
    size_t folder = 0;
    switch (found.paths.Resolve(path, head.directoryStart, 0, step, folder)) {
    case NameLookup::Found:
        place = {ServerNumber(*server), share, folder};
        return SUCCESSFUL;
    case NameLookup::Ambiguous:
        return ERR_AMBIGUOUS_PATH;
    case NameLookup::Missing:
        break;
    }
    return MissingFolder(*server, share, std::string_view(path).substr(head.directoryStart), place);
}

NWCCODE SmbClient::MissingFolder(SmbServer& server, size_t share, std::string_view directory, Place& place)
{
    // A folder of the share from which nothing is in the bin holds no
    // deleted files; one the share does not have is said so, by name.
    std::vector<std::string> parts;
    std::string onShare = server.shares[share].name;
    for (size_t start = 0; start < directory.size();) {
        const size_t end = std::min(directory.find_first_of("\\/", start), directory.size());
        if (end > start) {
            parts.emplace_back(directory.substr(start, end - start));
            onShare += "/" + parts.back();
        }
        start = end + 1;
    }
    SmbFileInfo info;
    if (server.session->Stat(onShare, info) == SUCCESSFUL && info.isDirectory) {
        place = {ServerNumber(server), share, server.shares[share].index.AddFolder(parts)};
        server.shares[share].paths.Clear();
        return SUCCESSFUL;
    }
    if (server.session->Failure())
        return Reported(server, server.session->Failure());
    // The code's text names the folder: the job's line for the start path,
    // under its heading, says it. The box comes once per job, however often
    // the path is resolved (the job resolves every start path up front too).
    const std::string shown = ShownPath(server, onShare);
    lastFailure_ = {SMB_ERR_NO_SUCH_FOLDER, shown};
    if (missingReported_.insert(onShare).second)
        MessageBoxOK(MsgDlgType::Error, "No such folder: " + shown);
    return SMB_ERR_NO_SUCH_FOLDER;
}

// ---- connections ------------------------------------------------------------

bool SmbClient::ServerNames(ClientBase::Server server, std::string& name, std::string& tree)
{
    if (server < 1 || static_cast<size_t>(server) > servers_.size())
        return false;
    name = tree = servers_[static_cast<size_t>(server - 1)].session->Settings().name;
    return true;
}

void SmbClient::ConnectionOpened(NWCONN_HANDLE conn)
{
    // Opening asks nothing of the server yet: one that does not answer is
    // found, and reported, when its shares or folders are first asked for.
    Touch();
    currentConn_ = conn;
}

void SmbClient::ConnectionClosed(NWCONN_HANDLE conn)
{
    dirHandles_.ReleaseAll(conn);
    for (SmbServer& server : servers_)
        RemoveLeftEmpty(server, true);
    if (currentConn_ == conn)
        currentConn_ = 0;
}

// ---- paths, volumes and searches --------------------------------------------

NWCCODE SmbClient::SplitPathByClient(const char* path, char* server, NWCONN_HANDLE& conn, char* volume,
                                     char* directory)
{
    Touch();
    const CallStamp stamp{*this};
    NetWarePathHead head;
    if (!path || !ParsePathHead(path, head))
        return ERR_INVALID_PATH;
    size_t number = servers_.size();
    if (head.server.empty()) {
        // The volume form names a share of the server in use.
        if (SmbServer* current = ServerOfConn(currentConn_))
            number = ServerNumber(*current);
    } else {
        for (size_t i = 0; i < servers_.size() && number == servers_.size(); ++i)
            if (SameTextAscii(servers_[i].session->Settings().name, head.server))
                number = i;
    }
    if (number == servers_.size())
        return ERR_NO_CONNECTION_TO_SERVER;
    SmbServer& found = servers_[number];
    size_t share = 0;
    if (NWCCODE code = FindShare(found, head.volume, share))
        return code;
    // A handle already open to the server, else a new one.
    const auto serverNumber = static_cast<ClientBase::Server>(number + 1);
    NWCONN_HANDLE opened = conns_.OpenOn(serverNumber);
    if (!opened)
        opened = conns_.Open(serverNumber);
    // The folder is looked up now: the walk is then given its names as they
    // are, and a path that is ambiguous or names no folder goes no further.
    Place place;
    if (NWCCODE code = Resolve(opened, path, place))
        return code;
    const std::string shownPath = found.shares[share].index.ShownPath(place.folder);
    if (shownPath.size() >= kSplitDirectorySize)
        return ERR_INVALID_PATH;
    conn = opened;
    CopyText256(found.session->Settings().name, server);
    CopyText256(found.shares[share].name, volume);
    CopyText(shownPath, directory, kSplitDirectorySize);
    return SUCCESSFUL;
}

NWCCODE SmbClient::DirectoryName(NWCONN_HANDLE conn, const char* path, std::string& name)
{
    Place place;
    if (NWCCODE code = Resolve(conn, path, place))
        return code;
    name = ShownName(servers_[place.server].shares[place.share].index.folders[place.folder].name);
    return SUCCESSFUL;
}

NWCCODE SmbClient::StartSearch(NWCONN_HANDLE conn, const char* path, nuint8& volumeNumber, nuint16& searchId)
{
    Place place;
    if (NWCCODE code = Resolve(conn, path, place))
        return code;
    const SmbShareIndex& index = servers_[place.server].shares[place.share].index;
    FolderNameSearch search;
    for (size_t child : index.folders[place.folder].children)
        search.names.push_back(ShownName(index.folders[child].name));
    volumeNumber = static_cast<nuint8>(place.share);
    searchId = searches_.Add(conn, volumeNumber, std::move(search));
    return SUCCESSFUL;
}

NWCCODE SmbClient::DirSearchNext(NWCONN_HANDLE conn, nuint8 volumeNumber, nuint16 directoryID, nuint16 sequence,
                                 nuint8 searchAttributes, const char* pattern, NWSEARCH_ENTRY& entry, nuint32)
{
    FolderNameSearch* search = searches_.Find(conn, volumeNumber, directoryID);
    if (!search)
        return ERR_INVALID_PATH;
    // The tree holds folders only: what lies in them are deleted files.
    return NextFolderName(*search, sequence, searchAttributes, pattern, NameRule(), entry);
}

NWCCODE SmbClient::NWGetVolumeName(NWCONN_HANDLE conn, nuint16 volumeNumber, char* volumeName)
{
    const CallStamp stamp{*this};
    SmbServer* server = ServerOfConn(conn);
    if (!server)
        return ERR_INVALID_CONNECTION;
    // The folder tree asks this before any job: a server that fails is
    // reported by the job that needs it, not here.
    if (NWCCODE code = ReadShares(*server, false))
        return code;
    if (volumeNumber >= server->shares.size())
        return ERR_VOLUME_DOES_NOT_EXIST;
    CopyText256(server->shares[volumeNumber].name, volumeName);
    return SUCCESSFUL;
}

NWCCODE SmbClient::NWGetVolumeSpace(NWCONN_HANDLE conn, const char* volumeName, std::uint64_t& totalBytes,
                                    std::uint64_t& freeBytes)
{
    const CallStamp stamp{*this};
    SmbServer* server = ServerOfConn(conn);
    if (!server)
        return ERR_INVALID_CONNECTION;
    size_t share = 0;
    if (NWCCODE code = FindShare(*server, volumeName ? volumeName : "", share))
        return code;
    if (NWCCODE code = server->session->Space(server->shares[share].name, totalBytes, freeBytes))
        return Reported(*server, code);
    return SUCCESSFUL;
}

// ---- directory handles, deleted files, purge --------------------------------

NWCCODE SmbClient::AllocateDirHandle(NWCONN_HANDLE conn, const char* path, NWDIR_HANDLE& handle)
{
    Place place;
    if (NWCCODE code = Resolve(conn, path, place))
        return code;
    return dirHandles_.Allocate(conn, place, handle);
}

NWCCODE SmbClient::ReleaseDirHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle)
{
    const Place* place = dirHandles_.Find(conn, dirHandle);
    if (!place)
        return ERR_BAD_DIRECTORY_HANDLE;
    const CallStamp stamp{*this};
    SmbServer& server = servers_[place->server];
    dirHandles_.Release(conn, dirHandle);
    RemoveLeftEmpty(server);
    return SUCCESSFUL;
}

NWCCODE SmbClient::NextDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32& iterHandle,
                                   nuint8& volumeNumber, nuint32& directoryBase, NWDELETED_INFO& entryInfo)
{
    const Place* place = dirHandles_.Find(conn, dirHandle);
    if (!place)
        return ERR_BAD_DIRECTORY_HANDLE;
    SmbServer& server = servers_[place->server];
    SmbShareIndex& index = server.shares[place->share].index;
    const auto& list = index.folders[place->folder].files;

    const auto next = NextUnpurged(list, iterHandle, [&index](size_t file) { return index.files[file].purged; });
    if (!next)
        return ERR_NO_FILES_FOUND;
    SmbDeletedFile& file = index.files[*next];
    // A server lost meanwhile is said once; the listing goes on from what was
    // read, the user unknown.
    if (file.ownerPending) {
        const CallStamp stamp{*this};
        if (NWCCODE code = index.ResolveOwner(*server.session, file, UserNumber(server)))
            Reported(server, code);
    }
    FillDeletedRecord({*next, static_cast<nuint32>(place->folder), 0, file.name, file.size, file.deleted, file.user},
                      entryInfo, iterHandle);
    volumeNumber = static_cast<nuint8>(place->share);
    directoryBase = static_cast<nuint32>(place->folder);
    return SUCCESSFUL;
}

NWCCODE SmbClient::NWPurgeDeletedFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32 iterHandle,
                                      nuint8 volumeNumber, nuint32 directoryBase, const char* fileName)
{
    const Place* place = dirHandles_.Find(conn, dirHandle);
    if (!place)
        return ERR_BAD_DIRECTORY_HANDLE;
    if (volumeNumber != place->share || directoryBase != place->folder)
        return SMB_ERR_NO_SUCH_DELETED_FILE;
    SmbServer& server = servers_[place->server];
    SmbShareIndex& index = server.shares[place->share].index;
    const auto& list = index.folders[place->folder].files;
    const auto listed = ListedInFolder(list, iterHandle, fileName);
    if (!listed)
        return SMB_ERR_NO_SUCH_DELETED_FILE;
    const size_t wanted = *listed;
    SmbDeletedFile& file = index.files[wanted];
    if (file.purged || !IsListedName(file.name, fileName))
        return SMB_ERR_NO_SUCH_DELETED_FILE;

    const CallStamp stamp{*this};
    lastFailure_ = {};
    // After the server failed the job asks nothing more of it: the files are
    // counted, and told once when the job is over.
    if (server.session->Failure()) {
        ++server.notDone;
        return SMB_ERR_SERVER_SKIPPED;
    }
    const auto position = static_cast<size_t>(std::lower_bound(list.begin(), list.end(), wanted) - list.begin());
    const NWCCODE code = Purge(server, *place, position, file);
    if (IsServerFailure(code))
        ++server.notDone;
    return code;
}

NWCCODE SmbClient::Purge(SmbServer& server, const Place& place, size_t position, SmbDeletedFile& file)
{
    // Only the file that was listed goes: one put in its place since, or one
    // that was changed, is left alone; a folder is never deleted here.
    Share& share = server.shares[place.share];
    // The listing judged the bin's layout without writing to the server; the
    // first purge makes sure of it.
    if (!share.index.LayoutKnown())
        if (NWCCODE code = share.index.ProbeLayout(*server.session, PutBackNote(server)))
            return code;
    // A delete is final only inside the account's own bin: a file elsewhere
    // is first set aside there, under a path that says where it came from.
    const std::string& own = share.index.OwnBin();
    const bool elsewhere = !own.empty() && file.path.compare(0, own.size() + 1, own + "/") != 0;
    std::string target = file.path;
    NWCCODE code = SUCCESSFUL;
    const bool folderAside = elsewhere && SetAsideFolder(server, place, position, file);
    if (!elsewhere)
        code = DeleteIfUnchanged(server, target, file);
    else if (folderAside)
        code = PurgeInFolderAside(server, file, target);
    else
        code = PurgeSetAside(server, share, file, target);
    if (code == SUCCESSFUL)
        code = ConfirmGone(server, share, file, target);

    // The row of purges goes on from a purged file only.
    SmbServer::PurgeRow& row = server.row;
    const bool continues = row.share == place.share && row.folder == place.folder && row.next == position;
    row = {place.share, place.folder, code == SUCCESSFUL && (position == 0 || continues) ? position + 1 : SIZE_MAX,
           clock_()};
    if (code)
        return code;
    file.purged = true;
    if (ParentOf(target) == server.checkedFolder)
        server.checkedFiles.erase(target.substr(target.rfind('/') + 1));
    if (!folderAside)  // that folder is removed when it is put back empty
        server.purgedFrom.emplace_back(ParentOf(file.path), file.floor);
    return SUCCESSFUL;
}

NWCCODE SmbClient::DeleteIfUnchanged(SmbServer& server, const std::string& path, const SmbDeletedFile& file)
{
    SmbFileInfo* now = nullptr;
    if (NWCCODE code = CurrentFile(server, path, now))
        return code;
    if (!SameFile(*now, file))
        return SMB_ERR_NO_SUCH_DELETED_FILE;
    return server.session->Unlink(path);
}

NWCCODE SmbClient::PurgeSetAside(SmbServer& server, const Share& share, const SmbDeletedFile& file,
                                 std::string& target)
{
    SmbSession& session = *server.session;
    const SmbShareIndex& index = share.index;
    const std::string& own = index.OwnBin();
    target = SetAsidePath(own, index.Base(), file.path);
    // The own bin, or the folders in it, are made when needed.
    NWCCODE code = RenameMakingParents(session, file.path, target, index.Base());
    if (code)
        return code;
    server.setAsideIn.emplace_back(ParentOf(target), own);
    if (afterSetAside_)
        afterSetAside_();
    // Checked again where nobody else moves it, right before the delete.
    SmbFileInfo aside;
    code = session.Stat(target, aside);
    if (code == SUCCESSFUL && !SameFile(aside, file))
        code = SMB_ERR_NO_SUCH_DELETED_FILE;
    if (code == SUCCESSFUL)
        code = session.Unlink(target);
    if (code == SUCCESSFUL)
        return SUCCESSFUL;
    // Back where it was listed; failing that, the message says where it lies.
    std::string placed;
    if (!session.Failure() && PutBack(session, target, file.path, placed) == SUCCESSFUL)
        return code;
    if (session.Failure())
        return LostMidPurge(server, target);
    lastFailure_ = {code, "it lies at " + ShownPath(server, target) + " until the next job puts it back"};
    return code;
}

NWCCODE SmbClient::LostMidPurge(SmbServer& server, const std::string& target)
{
    lastFailure_ = {SMB_ERR_LOST_MID_PURGE, "if the server did not delete it, it lies at " +
                                                ShownPath(server, target) + " until the next job puts it back"};
    return SMB_ERR_LOST_MID_PURGE;
}

bool SmbClient::SetAsideFolder(SmbServer& server, const Place& place, size_t position, const SmbDeletedFile& file)
{
    const std::string folder = ParentOf(file.path);
    if (server.folderAside && server.folderAside->original == folder)
        return true;
    // Moving a folder whole takes one request where moving its files takes
    // one each, but it moves the files not yet asked for too (they come back
    // when the folder is done). So only after an unbroken row of purges from
    // its first file, each asked at once after the last (nobody was asked in
    // between); never for a folder with subfolders in the listing (the walk
    // finds them by their paths) nor for a user's own folder, which the
    // recycle module makes again at the owner's next delete.
    const SmbServer::PurgeRow& row = server.row;
    const SmbShareIndex& index = server.shares[place.share].index;
    if (position == 0 || row.share != place.share || row.folder != place.folder || row.next != position ||
        clock_() - row.lastEnd > kQuickSuccession || !index.folders[place.folder].children.empty() ||
        folder == file.floor || folder == server.asideRefused)
        return false;
    PutBackFolderAside(server);  // another folder's
    SmbSession& session = *server.session;
    const std::string aside = SetAsidePath(index.OwnBin(), index.Base(), folder);
    // Its place in the own bin must be free: the empty folder an earlier file
    // of it was set aside in goes; anything else there is left alone, and the
    // files are set aside one by one.
    session.RemoveFolder(aside);
    SmbFileInfo there;
    NWCCODE code = session.Stat(aside, there);
    if (code == SMB_ERR_NO_SUCH_DELETED_FILE) {
        code = RenameMakingParents(session, folder, aside, index.Base());
    } else if (code == SUCCESSFUL) {
        code = SMB_ERR_IO_FAILURE;  // taken
    }
    if (code) {
        server.asideRefused = folder;
        return false;
    }
    server.folderAside = SmbServer::FolderAside{folder, aside, file.floor, index.OwnBin(), index.Base()};
    server.setAsideIn.emplace_back(ParentOf(aside), index.OwnBin());
    if (afterSetAside_)
        afterSetAside_();
    return true;
}

NWCCODE SmbClient::PurgeInFolderAside(SmbServer& server, const SmbDeletedFile& file, std::string& target)
{
    const SmbServer::FolderAside& folder = *server.folderAside;
    target = folder.aside + file.path.substr(folder.original.size());
    // The folder's listing, taken once it lies in the own bin, is the check.
    const NWCCODE code = DeleteIfUnchanged(server, target, file);
    if (code && server.session->Failure())
        return LostMidPurge(server, target);
    return code;  // a file not deleted goes back with the folder
}

void SmbClient::PutBackFolderAside(SmbServer& server)
{
    // A lost server's is put back by the next job.
    if (!server.folderAside || server.session->Failure())
        return;
    const SmbServer::FolderAside folder = std::move(*server.folderAside);
    server.folderAside.reset();
    server.checkedFolder.clear();
    // Emptied by the purges, it goes, and the folders it lay in may follow.
    if (server.session->RemoveFolder(folder.aside) == SUCCESSFUL) {
        server.purgedFrom.emplace_back(ParentOf(folder.original), folder.floor);
        return;
    }
    PutBackFolder(
        *server.session, folder.aside, folder.ownBin, folder.base, [](const std::string&) {},
        [this, &server](const std::string& path, NWCCODE code) { PutBackFailed(server, path, code); });
}

void SmbClient::PutBackFailed(SmbServer& server, const std::string& path, NWCCODE code)
{
    ReportSkippedWork("Putting back " + ShownPath(server, path) + " returned error " + NWErrorText(code));
}

SmbPutBackNote SmbClient::PutBackNote(SmbServer& server)
{
    // Files a lost connection left set aside are back where they were.
    return [this, &server](const std::string& path, NWCCODE code) {
        if (code == SUCCESSFUL)
            AddResultNote("Put back: " + ShownPath(server, path) +
                          " (set aside by an earlier purge that lost the connection)");
        else
            PutBackFailed(server, path, code);
    };
}

NWCCODE SmbClient::ConfirmGone(SmbServer& server, Share& share, const SmbDeletedFile& file,
                               const std::string& target)
{
    // The recycle module may have moved the file instead of deleting it: into
    // the account's own bin, with its folders or without. Where a delete in
    // the own bin has proved final once, it is final for the rest of the
    // job: the module decides by the path alone.
    if (share.deleteConfirmed)
        return SUCCESSFUL;
    const std::string& own = share.index.OwnBin();
    std::vector<std::string> places{target};
    if (!own.empty()) {
        places.push_back(own + "/" + target.substr(target.find('/') + 1));
        places.push_back(own + "/" + target.substr(target.rfind('/') + 1));
    }
    for (const std::string& place : places) {
        SmbFileInfo info;
        const NWCCODE code = server.session->Stat(place, info);
        if (code == SMB_ERR_NO_SUCH_DELETED_FILE)
            continue;
        if (code != SUCCESSFUL)
            return code;
        if (!SameFile(info, file))
            continue;  // another file that has the name
        lastFailure_ = {SMB_ERR_COPY_REMAINS, "it now lies at " + ShownPath(server, place)};
        return SMB_ERR_COPY_REMAINS;
    }
    share.deleteConfirmed = true;
    return SUCCESSFUL;
}

NWCCODE SmbClient::CurrentFile(SmbServer& server, const std::string& path, SmbFileInfo*& info)
{
    // One listing of the folder serves the purges in it for a moment: a
    // request per folder instead of one per file, with the check no older than
    // kFreshListing.
    const std::string folder = path.substr(0, path.rfind('/'));
    const auto now = clock_();
    if (server.checkedFolder != folder || now - server.checkedAt >= kFreshListing) {
        server.checkedFolder.clear();
        server.checkedFiles.clear();
        std::vector<SmbFileInfo> entries;
        if (NWCCODE code = server.session->ListFolder(folder, entries))
            return code;
        for (SmbFileInfo& entry : entries)
            server.checkedFiles.emplace(entry.name, std::move(entry));
        server.checkedFolder = folder;
        server.checkedAt = now;
    }
    const auto found = server.checkedFiles.find(path.substr(path.rfind('/') + 1));
    if (found == server.checkedFiles.end())
        return SMB_ERR_NO_SUCH_DELETED_FILE;
    info = &found->second;
    return SUCCESSFUL;
}

void SmbClient::RemoveLeftEmpty(SmbServer& server, bool jobDone)
{
    PutBackFolderAside(server);
    if (jobDone) {
        server.purgedFrom.insert(server.purgedFrom.end(), server.setAsideIn.begin(), server.setAsideIn.end());
        server.setAsideIn.clear();
    }
    // Deepest first, each folder once; a folder that still holds anything is
    // refused by the server and ends the climb from it.
    auto& folders = server.purgedFrom;
    std::sort(folders.begin(), folders.end(), [](const auto& a, const auto& b) {
        return a.first.size() != b.first.size() ? a.first.size() > b.first.size() : a.first < b.first;
    });
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    for (const auto& [start, floor] : folders) {
        if (server.session->Failure())
            break;
        std::string folder = start;
        while (folder.size() > floor.size() && folder.compare(0, floor.size(), floor) == 0 &&
               server.session->RemoveFolder(folder) == SUCCESSFUL)
            folder.erase(folder.rfind('/'));
    }
    folders.clear();
}

// ---- names ------------------------------------------------------------------

NWCCODE SmbClient::ObjectIdToNameByClient(NWDSContextHandle context, NWCONN_HANDLE conn, nuint32 objectID,
                                          char* name)
{
    if (!contexts_.Find(context))
        return ERR_BAD_CONTEXT;
    SmbServer* server = ServerOfConn(conn);
    if (!server)
        return ERR_INVALID_CONNECTION;
    // The users of per-user repositories, by the folders they deleted into.
    if (objectID == 0 || objectID > server->users.size())
        return ERR_NO_SUCH_OBJECT;
    CopyText256(ShownName(server->users[objectID - 1]), name);
    return SUCCESSFUL;
}
