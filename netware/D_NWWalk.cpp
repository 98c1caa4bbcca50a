// SPDX-License-Identifier: GPL-3.0-or-later
// Splitting a workstation path into connection, server, volume and directory,
// and the walk over a server directory tree.
#include <cstring>

#include "netware/D_NW.h"
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
    char directoryBuf[257] = {};
    const NWCCODE code = SplitPathByClient(path.c_str(), serverBuf, conn, volumeBuf, directoryBuf);
    if (code == 0) {
        server = serverBuf;
        volume = volumeBuf;
        directory = directoryBuf;
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

// Runs one directory search and hands each entry path with its walk entry to
// the sink. A failing next simply ends the search: the client does not tell
// the end of the list from an error. A failing start, and a search cut short
// because the server started the listing over, are noted in trouble.
template <typename Sink>
void SearchDirectory(NWCONN_HANDLE conn, const std::string& directory, nuint8 attributes, const std::string& pattern,
                     Sink&& sink, SearchTrouble& trouble)
{
    SearchLoopGuard guard;
    nuint8 volumeNumber = 0;
    nuint16 directoryID = 0;
    nuint16 sequence = 0xFFFF;
    NWSEARCH_ENTRY buffer{};
    NWCCODE code = DirSearchStart(conn, 0, directory.c_str(), volumeNumber, directoryID, sequence, buffer, 0);
    if (code != 0)
        trouble.startCode = code;
    // One path buffer for the whole search: each entry only replaces the name
    // after the directory's prefix.
    std::string path = AddSlash(directory);
    const size_t prefixLength = path.size();
    while (code == 0) {
        WalkEntry walkEntry;
        code = DirSearchNext(conn, volumeNumber, directoryID, sequence, attributes, pattern.c_str(), walkEntry.entry,
                             0);
        if (code != 0)
            break;
        walkEntry.entry.name[sizeof walkEntry.entry.name - 1] = '\0';
        walkEntry.searchAttributes = attributes;
        walkEntry.volumeNumber = volumeNumber;
        walkEntry.conn = conn;
        PumpMessages();
        sequence = walkEntry.entry.nextSequence;
        path.resize(prefixLength);
        path += walkEntry.entry.name;
        const bool first = guard.FirstTime(sequence, walkEntry.entry.name);
        if (first)
            sink(path, walkEntry);
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
}  // namespace

int WalkDirectory(NWCONN_HANDLE conn, const std::string& directory, const std::string& pattern, nuint8 mode,
                   const WalkCallback& callback, void* userData, bool recursive, int depth)
{
    ++depth;
    const std::string dir = DelSlash(directory);
    const std::string searchPattern = ReplaceText(pattern.empty() ? std::string("*") : pattern, "*.*", "*", true, true);

    const bool reportDirectories = mode == WalkDirectories || mode == WalkFilesAndDirectories;
    const bool reportFiles = mode == WalkFiles || mode == WalkFilesAndDirectories;

    if (depth == 1 && reportDirectories && QueryDirectory(conn, dir) == 0) {
        WalkEntry startEntry;
        startEntry.searchAttributes = SA_DIRECTORIES;
        callback(dir, startEntry, userData);
    }

    const auto report = [&](const std::string& path, const WalkEntry& entry) { callback(path, entry, userData); };
    SearchTrouble trouble;
    if (reportFiles)
        SearchDirectory(conn, dir, SA_FILES, searchPattern, report, trouble);
    if (reportDirectories)
        SearchDirectory(conn, dir, SA_DIRECTORIES, searchPattern, report, trouble);

    // Collected first and walked after the search has ended, so no search is
    // held open on the server across the recursion.
    static const std::string all = "*";
    std::vector<std::string> subdirectories;
    if (recursive)
        SearchDirectory(
            conn, dir, SA_DIRECTORIES, all,
            [&](const std::string& path, const WalkEntry&) { subdirectories.push_back(path); }, trouble);
    // Once per directory, however many of its searches failed.
    int skipped = 0;
    if (trouble.startCode != 0) {
        ReportNWError(trouble.startCode, "DirSearchStart");
        ++skipped;
    } else if (trouble.repeated) {
        ReportSearchLoop(dir);
        ++skipped;
    }
    for (const std::string& sub : subdirectories)
        skipped += WalkDirectory(conn, sub, searchPattern, mode, callback, userData, recursive, depth);
    return skipped;
}
