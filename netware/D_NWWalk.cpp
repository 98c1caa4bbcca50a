// SPDX-License-Identifier: GPL-3.0-or-later
// Splitting a workstation path into connection, server, volume and directory,
// and the walk over a server directory tree.
#include <algorithm>
#include <cstring>
#include <vector>

#include "netware/D_NW.h"
#include "netware/NWClientBackend.h"
#include "netware/SearchLoopGuard.h"
#include "util/D_Util.h"
#include "util/MessageBox.h"
#include "util/MessagePump.h"

NWCCODE SplitNetWarePath(const std::string& path, NWCONN_HANDLE& conn, std::string& server, std::string& volume,
                         std::string& directory)
{
    // One spare byte each keeps the texts terminated whatever the client wrote.
    char serverBuf[257] = {};
    char volumeBuf[257] = {};
    std::vector<char> directoryBuf(kSplitDirectorySize + 1, '\0');
    const NWCCODE code = SplitPathByClient(path.c_str(), serverBuf, conn, volumeBuf, directoryBuf.data());
    if (code == 0) {
        server = serverBuf;
        volume = volumeBuf;
        directory = directoryBuf.data();
    }
    return code;
}

NWCCODE QueryDirectory(NWCONN_HANDLE conn, const std::string& volumePath)
{
    const std::string path = ShortPathName(volumePath);
    static constexpr nuint8 searchSequence[9] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    char name[257] = {};
    nuint32 attributes = 0, creationDateTime = 0, ownerID = 0;
    return DirectoryInfo(conn, 0, path.c_str(), searchSequence, name, attributes, creationDateTime, ownerID, 0);
}

NWCCODE AllocWalkedDirectoryHandle(NWCONN_HANDLE conn, const std::string& volumePath, const WalkEntry& entry,
                                   NWDIR_HANDLE& dirHandle)
{
    if (entry.dirHandle != 0)
        return NWAllocTemporaryDirectoryHandle(conn, entry.dirHandle, entry.entry.name, dirHandle, nullptr);
    return NWAllocTemporaryDirectoryHandle(conn, 0, volumePath.c_str(), dirHandle, nullptr);
}

int WalkDirectoryTree(NWCONN_HANDLE conn, const std::string& start, const std::string& pattern, nuint8 mode,
                      const WalkCallback& callback, void* userData, bool recursive)
{
    return WalkDirectory(conn, start, pattern, mode, callback, userData, recursive, 0);
}

namespace {
// What went wrong in the searches of one directory.
struct SearchTrouble {
    NWCCODE startCode = 0;  // the directory could not be searched at all
    bool repeated = false;  // the server started the listing over
};

// Appends an entry's name to its directory's path ("\" between them, unless
// the path already ends in a separator).
void AppendEntry(std::string& path, std::string_view name)
{
    if (path.empty() || (path.back() != '\\' && path.back() != '/'))
        path += '\\';
    path += name;
}

// Runs one directory search of the directory at path and hands each entry
// path with its walk entry to the sink; path is as it was afterwards. A
// failing next simply ends the search: the client does not tell the end of
// the list from an error. A failing start, and a search cut short because the
// server started the listing over, are noted in trouble.
//
// The directory is the one that handle holds, where it is not 0; key is its
// key, rule the back end's rule for names.
template <typename Sink>
void SearchDirectory(NWCONN_HANDLE conn, NWDIR_HANDLE handle, const PathKey& key, NameCase rule, std::string& path,
                     nuint8 attributes, const std::string& pattern, Sink&& sink, SearchTrouble& trouble)
{
    SearchLoopGuard guard;
    nuint8 volumeNumber = 0;
    nuint16 directoryID = 0;
    nuint16 sequence = 0xFFFF;
    NWSEARCH_ENTRY buffer{};
    NWCCODE code = DirSearchStart(conn, handle, handle ? "" : path.c_str(), volumeNumber, directoryID, sequence,
                                  buffer, 0);
    if (code != 0)
        trouble.startCode = code;
    const size_t directoryLength = path.size();
    WalkEntry walkEntry;
    while (code == 0) {
        code = DirSearchNext(conn, volumeNumber, directoryID, sequence, attributes, pattern.c_str(), walkEntry.entry,
                             0);
        if (code != 0)
            break;
        walkEntry.entry.name[sizeof walkEntry.entry.name - 1] = '\0';
        walkEntry.searchAttributes = attributes;
        walkEntry.volumeNumber = volumeNumber;
        walkEntry.conn = conn;
        walkEntry.dirHandle = handle;
        PumpMessages();
        sequence = walkEntry.entry.nextSequence;
        const bool first = guard.FirstTime(sequence, walkEntry.entry.name);
        if (first) {
            walkEntry.key = key.Below(walkEntry.entry.name, rule);
            AppendEntry(path, walkEntry.entry.name);
            sink(path, walkEntry);
            path.resize(directoryLength);
        }
        // 0xFFFF asks for the start of the listing: handing it back would list
        // the same entries again, forever.
        if (!first || sequence == 0xFFFF) {
            trouble.repeated = true;
            return;
        }
    }
}

void ReportSearchLoop(const std::string& directory)
{
    MessageBoxOK(MsgDlgType::Error, "The server listed " + directory +
                                        " over again from its start; the search of this directory was stopped.");
}

// A directory of the walk whose subdirectories are still to be walked.
struct PendingLevel {
    std::vector<std::string> names;  // its subdirectories, in the order found
    size_t next = 0;
    size_t parentLength = 0;  // the length of its parent's path
    NWDIR_HANDLE handle = 0;  // held for it while subdirectories are left; 0: reached by its path
    PathKey key;
};

// The directory handles a walk holds where the client takes paths below a
// handle: a directory is reached from its parent by its name, so that a
// deep one costs its name rather than its path. A handle is kept while its
// directory has subdirectories left to walk, at most kHeld at once (the
// client's handles are few; the scan of each directory needs one more), and
// all of them are given back however the walk ends.
class WalkHandles {
public:
    static constexpr size_t kHeld = 64;

    explicit WalkHandles(NWCONN_HANDLE conn) : conn_(conn), used_(ClientTakesRelativePaths()) {}
    ~WalkHandles()
    {
        for (NWDIR_HANDLE handle : held_)
            ReleaseDirHandle(conn_, handle);
    }
    WalkHandles(const WalkHandles&) = delete;
    WalkHandles& operator=(const WalkHandles&) = delete;

    // A handle for the directory at path below base's (a full path when base
    // is 0); 0 when the walk is to go by the directory's full path: the
    // client takes none, all are held, or the client refused (the search by
    // path then meets the same failure and reports it).
    NWDIR_HANDLE Take(NWDIR_HANDLE base, const char* path)
    {
        NWDIR_HANDLE handle = 0;
        if (!used_ || held_.size() >= kHeld || NWAllocTemporaryDirectoryHandle(conn_, base, path, handle, nullptr) != 0)
            return 0;
        held_.push_back(handle);
        return handle;
    }
    void Give(NWDIR_HANDLE handle)
    {
        const auto it = std::find(held_.begin(), held_.end(), handle);
        if (handle == 0 || it == held_.end())
            return;
        held_.erase(it);
        ReleaseDirHandle(conn_, handle);  // its code tells the walk nothing
    }

private:
    NWCONN_HANDLE conn_;
    bool used_;
    std::vector<NWDIR_HANDLE> held_;
};
}  // namespace

int WalkDirectory(NWCONN_HANDLE conn, const std::string& directory, const std::string& pattern, nuint8 mode,
                  const WalkCallback& callback, void* userData, bool recursive, int depth)
{
    std::string path = DelSlash(directory);
    const std::string searchPattern = ReplaceText(pattern.empty() ? std::string("*") : pattern, "*.*", "*", true, true);

    const bool reportDirectories = mode == WalkDirectories || mode == WalkFilesAndDirectories;
    const bool reportFiles = mode == WalkFiles || mode == WalkFilesAndDirectories;

    const NameCase rule = NameRule();
    const PathKey startKey = PathKey::Of(path, rule);
    if (depth == 0 && reportDirectories && QueryDirectory(conn, path) == 0) {
        WalkEntry startEntry;
        startEntry.searchAttributes = SA_DIRECTORIES;
        startEntry.key = startKey;
        callback(path, startEntry, userData);
    }

    const auto report = [&](const std::string& entryPath, const WalkEntry& entry) {
        callback(entryPath, entry, userData);
    };
    int skipped = 0;
    WalkHandles handles(conn);
    // Reports what the directory at path (held by handle, unless 0) holds and
    // returns its subdirectories to walk. They are collected first and
    // walked after the search has ended, so no search is held open on the
    // server across the walk below.
    const auto visit = [&](size_t parentLength, NWDIR_HANDLE handle, const PathKey& key) {
        SearchTrouble trouble;
        if (reportFiles)
            SearchDirectory(conn, handle, key, rule, path, SA_FILES, searchPattern, report, trouble);
        if (reportDirectories)
            SearchDirectory(conn, handle, key, rule, path, SA_DIRECTORIES, searchPattern, report, trouble);
        static const std::string all = "*";
        PendingLevel level;
        level.parentLength = parentLength;
        level.handle = handle;
        level.key = key;
        if (recursive)
            SearchDirectory(
                conn, handle, key, rule, path, SA_DIRECTORIES, all,
                [&](const std::string&, const WalkEntry& entry) { level.names.emplace_back(entry.entry.name); },
                trouble);
        if (level.names.empty()) {
            handles.Give(handle);
            level.handle = 0;
        }
        // Once per directory, however many of its searches failed.
        if (trouble.startCode != 0) {
            ReportNWError(trouble.startCode, "DirSearchStart", path);
            ++skipped;
        } else if (trouble.repeated) {
            ReportSearchLoop(path);
            ++skipped;
        }
        return level;
    };

    // Depth first, each subtree finished before the next sibling's, with the
    // pending subdirectories of every level on a list of its own rather than
    // on the call stack: a tree of any depth is walked.
    std::vector<PendingLevel> pending;
    pending.push_back(visit(path.size(), handles.Take(0, path.c_str()), startKey));
    while (!pending.empty()) {
        PendingLevel& level = pending.back();
        if (level.next == level.names.size()) {
            path.resize(level.parentLength);
            pending.pop_back();
            continue;
        }
        const size_t parentLength = path.size();
        const std::string& name = level.names[level.next++];
        AppendEntry(path, name);
        const NWDIR_HANDLE handle = level.handle ? handles.Take(level.handle, name.c_str()) : handles.Take(0, path.c_str());
        const PathKey key = level.key.Below(name, rule);
        if (level.next == level.names.size()) {
            // Its last subdirectory: it is not searched or reached again.
            handles.Give(level.handle);
            level.handle = 0;
        }
        pending.push_back(visit(parentLength, handle, key));
    }
    return skipped;
}
