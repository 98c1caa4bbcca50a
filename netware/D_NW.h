// SPDX-License-Identifier: GPL-3.0-or-later
// Unit D_NW: the NetWare access layer over the client operations. Client
// start-up and the connection list, tree and server names, the name context,
// user names by object id (with a cache), path splitting, the directory walk,
// error texts and the text of packed date-times.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <iterator>
#include <string>
#include <unordered_map>
#include <vector>

#include "netware/calwin32.h"
#include "netware/clxwin32.h"
#include "netware/netwin32.h"
#include "netware/PathKey.h"
#include "netware/ntypes.h"
#include "util/DateTime.h"

// ---- Client start-up and connections -------------------------------------

// Handle of the primary connection; 0xFFFF until it has been opened. Once
// opened it stays open for the life of the process.
constexpr NWCONN_HANDLE PrimaryNotOpened = 0xFFFF;
extern NWCONN_HANDLE PrimaryConnection;
// Tests start each case with an unopened primary connection.
void ResetPrimaryConnectionForTesting();

// Opens the primary connection once; failures are shown in the error box.
NWCCODE InitNetWare();
NWCCODE OpenPrimaryConnection();

// One item of the connection list: the server's name, with the connection
// reference attached.
struct ServerConnectionItem {
    std::string name;
    NWCONN_REF reference = 0;
};
// Appends one item per connection reference whose server name can be read, in
// the client's order. Pumps the message queue after each step.
void ListServerConnections(std::vector<ServerConnectionItem>& list);

// Text outputs are empty whenever the code is not 0.
NWCCODE ConnInfoText(NWCONN_HANDLE conn, nuint32 infoType, std::string& text);
NWCCODE ConnRefInfoText(NWCONN_REF connRef, nuint32 infoType, std::string& text);
// The tree name without the client's "_" padding.
NWCCODE ConnTreeName(NWCONN_HANDLE conn, std::string& tree);
NWCCODE ConnServerName(NWCONN_HANDLE conn, std::string& server);
NWCCODE ConnRefServerName(NWCONN_REF connRef, std::string& server);

// ---- Name context ----------------------------------------------------------

// The context's text value for a key, with every "CN=" removed.
NWCCODE ContextText(NWDSContextHandle context, nuint32 key, std::string& text);
NWCCODE ContextTreeName(NWDSContextHandle context, std::string& tree);
// op '+' sets the mask's bits in the context flags, '-' clears them; codes are ignored.
void ChangeContextFlags(NWDSContextHandle context, char op, nuint32 mask);
// "[Root]" stays as it is; ".ORG" becomes "ORG".
std::string StripLeadingDot(const std::string& nameContext);
NWCCODE SetContextTreeAndName(NWDSContextHandle context, const std::string& tree, const std::string& nameContext);
// Points the context at the connection's tree, name context "[Root]".
NWCCODE AlignContextWithConn(NWDSContextHandle context, NWCONN_HANDLE conn);

// ---- User names by object id ----------------------------------------------

NWCCODE ObjectIdToName(NWDSContextHandle context, NWCONN_HANDLE conn, nuint32 objectID, std::string& name);
// Looks the name up in a context of its own, created and freed for the call.
NWCCODE LookupObjectName(NWCONN_HANDLE conn, nuint32 objectID, std::string& name);

struct NameCacheEntry {
    std::string name;
    nuint32 objectID = 0;
};

// Cached names in the order of their last use. Finding an id and marking it
// used take constant time and copy no name: a scan asks for a name with every
// file. Each entry carries the time of its last use, so the order is kept
// without moving entries; dropping the least recently used one searches for
// it, which happens only when the cache is full and a new name comes in.
class NameCacheEntries {
public:
    std::size_t size() const { return slots_.size(); }
    bool empty() const { return slots_.empty(); }
    // The most and the least recently used entry.
    const NameCacheEntry& front() const;
    const NameCacheEntry& back() const;
    // The index-th most recently used entry (sorts the entries).
    const NameCacheEntry& operator[](std::size_t index) const;
    void clear();

    // The entry of objectID, made the most recently used; nullptr when absent.
    // Inline: the scan asks for the same few deleting users over and over, and
    // the entry used last or a recently found one answers without the index.
    const NameCacheEntry* Use(nuint32 objectID)
    {
        if (slots_.empty())
            return nullptr;
        std::size_t slot = mostRecent_;
        if (slots_[slot].entry.objectID != objectID) {
            const Recent& recent = RecentOf(objectID);
            if (recent.slotPlusOne == 0 || recent.objectID != objectID)
                return UseFromIndex(objectID);
            slot = recent.slotPlusOne - 1;
        }
        return UseSlot(slot);
    }
    // Adds the entry as the most recently used, after dropping the least
    // recently used ones while there are maxEntries or more.
    const NameCacheEntry& Add(NameCacheEntry entry, std::size_t maxEntries);

private:
    struct Slot {
        NameCacheEntry entry;
        std::uint64_t lastUse;
    };
    std::size_t LeastRecent() const;
    const NameCacheEntry* UseFromIndex(nuint32 objectID);
    const NameCacheEntry* UseSlot(std::size_t slot)
    {
        slots_[slot].lastUse = ++clock_;
        mostRecent_ = slot;
        return &slots_[slot].entry;
    }

    // A small table in front of the index: the slot of an id found lately,
    // by the id's low bits (slot + 1; 0 is empty).
    struct Recent {
        nuint32 objectID = 0;
        std::uint32_t slotPlusOne = 0;
    };
    static constexpr std::size_t RecentSize = 256;
    Recent& RecentOf(nuint32 objectID) { return recent_[objectID & (RecentSize - 1)]; }

    std::vector<Slot> slots_;
    std::unordered_map<nuint32, std::size_t> index_;  // id -> slot
    std::array<Recent, RecentSize> recent_{};
    std::uint64_t clock_ = 0;
    std::size_t mostRecent_ = 0;  // the slot used last, when there are slots
};

// User names of one connection, most recently used first. A change of
// connection empties it.
struct NameCache {
    static constexpr std::size_t MaxEntries = 1001;
    static constexpr NWCONN_HANDLE NoConnection = 0xFFFFFFFF;

    NWCONN_HANDLE Connection = NoConnection;
    NameCacheEntries Entries;
};

NWCCODE CachedObjectName(NWCONN_HANDLE conn, nuint32 objectID, NameCache& cache, std::string& name);
// The same without copying the name: the cached name, valid until the cache is
// next used, or nullptr with the lookup's code in code. Inline for a name the
// cache holds.
const std::string* CachedObjectNameLookup(NWCONN_HANDLE conn, nuint32 objectID, NameCache& cache, NWCCODE& code);
inline const std::string* CachedObjectNameRef(NWCONN_HANDLE conn, nuint32 objectID, NameCache& cache, NWCCODE& code)
{
    if (cache.Connection == conn)
        if (const NameCacheEntry* entry = cache.Entries.Use(objectID)) {
            code = 0;
            return &entry->name;
        }
    return CachedObjectNameLookup(conn, objectID, cache, code);
}

// ---- Paths and the directory walk ------------------------------------------

// Splits a workstation path into connection, server, volume and directory. The
// three texts are written only on success; conn is what the client wrote.
NWCCODE SplitNetWarePath(const std::string& path, NWCONN_HANDLE& conn, std::string& server, std::string& volume,
                         std::string& directory);
// 0 when the directory of the volume path ("VOL:DIR") exists.
NWCCODE QueryDirectory(NWCONN_HANDLE conn, const std::string& volumePath);

// What the walk hands its callback with each entry path. For the start
// directory only searchAttributes is filled (SA_DIRECTORIES).
struct WalkEntry {
    nuint8 searchAttributes = 0;
    nuint8 volumeNumber = 0;
    NWCONN_HANDLE conn = 0;
    // A handle the walk holds, while the callback runs, for the directory
    // whose search found the entry; 0 where the walk goes by full paths.
    NWDIR_HANDLE dirHandle = 0;
    // The key of the entry's path under the back end's rule for names, made
    // from its directory's key: a job tells the directories it scanned apart
    // without reading their paths.
    PathKey key;
    NWSEARCH_ENTRY entry{};
};

// A temporary directory handle for a directory the walk handed its callback:
// by its name below the directory the walk searched, where the walk holds a
// handle for that, else by its full path (volumePath). A deep directory then
// costs its name, not its path.
NWCCODE AllocWalkedDirectoryHandle(NWCONN_HANDLE conn, const std::string& volumePath, const WalkEntry& entry,
                                   NWDIR_HANDLE& dirHandle);

// Walk modes: report each visited directory's files, its directories, or both
// (files first).
constexpr nuint8 WalkFiles = 0;
constexpr nuint8 WalkDirectories = 1;
constexpr nuint8 WalkFilesAndDirectories = 2;

using WalkCallback = std::function<void(const std::string& path, const WalkEntry& entry, void* userData)>;

// Both return how many directories the walk reported it could not search, or
// whose listing it stopped because the server started it over.
int WalkDirectoryTree(NWCONN_HANDLE conn, const std::string& start, const std::string& pattern, nuint8 mode,
                      const WalkCallback& callback, void* userData, bool recursive);
int WalkDirectory(NWCONN_HANDLE conn, const std::string& directory, const std::string& pattern, nuint8 mode,
                  const WalkCallback& callback, void* userData, bool recursive, int depth);

// ---- Error texts and date-times --------------------------------------------

// "0x8801 (client text)", or "0x8801" alone when the error-text library is missing.
std::string NWErrorText(nuint32 code);
// Shows "<operation> returned error <NWErrorText>" in an error box; code 0 shows nothing.
void ReportNWError(nuint32 code, const std::string& operation);
// The same with " for <place>" after it: the folder or file (as shown) it concerned.
void ReportNWError(nuint32 code, const std::string& operation, const std::string& place);
// Work a client back end leaves undone on its own (a trash can it may not use,
// a server that did not answer, a folder it may not read): shown in an error
// box, as ReportNWError does, and noted as NoteSkippedWork notes it.
void ReportSkippedWork(const std::string& text);
void ReportSkippedWork(nuint32 code, const std::string& operation);
// The same without a box (one the back end showed already, or one box for
// many): counted, so that an automatic run's exit status tells of it however
// it is worded, and kept as a line for the job's result list and log.
void NoteSkippedWork(const std::string& text);
// How many reports of skipped work the back ends made since the program started.
std::int32_t SkippedWorkReports();
// The lines noted since they were last taken, in the order noted; a text
// noted again in the same job gives no second line.
std::vector<std::string> TakeSkippedWorkLines();
// A job starts: what is noted from now on gets its line again.
void StartSkippedWorkLines();
// A line a back end adds to the results of the running job that tells of no
// failure (a file it put back): handed to the installed sink, which the job
// installs for its duration; without one it goes nowhere. Returns the
// previous sink. AddResultNote tells whether a sink took the line.
using ResultNoteSink = std::function<void(const std::string& line)>;
ResultNoteSink SetResultNoteSink(ResultNoteSink sink);
bool AddResultNote(const std::string& line);
// "yyyy-mm-dd hh:mm:ss" of the unpacked parts, valid or not.
std::string PackedDateTimeText(nuint32 packed);
// The same text written at out, which has room for PackedDateTimeTextMaxLength
// characters; returns the end.
inline constexpr std::size_t PackedDateTimeTextMaxLength = 32;
char* PutPackedDateTimeText(char* out, nuint32 packed);
// The client's unpacking of a packed date-time; parts it leaves out are 0.
void UnpackPackedDateTime(nuint32 packed, NW_DATE& date, NW_TIME& time);
// The text of unpacked parts, written at out as PutPackedDateTimeText does.
char* PutDateTimeText(char* out, const NW_DATE& date, const NW_TIME& time);
// Raises DateTimeError when the parts form no valid date and time.
TDateTime PackedToDateTime(nuint32 packed);
// The same for parts already unpacked.
TDateTime DateTimeOfParts(const NW_DATE& date, const NW_TIME& time);
