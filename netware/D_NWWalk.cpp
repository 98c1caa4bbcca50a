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

void WalkDirectoryTree(NWCONN_HANDLE conn, const std::string& start, const std::string& pattern, nuint8 mode,
                       const WalkCallback& callback, void* userData, bool recursive)
{
    WalkDirectory(conn, start, pattern, mode, callback, userData, recursive, 0);
}

namespace {
// Runs one directory search and hands each entry path with its walk entry to
// the sink. A failing start or next simply ends the search: the client does not
// tell the end of the list from an error. Returns false when the search was
// cut short because the server started the listing over.
template <typename Sink>
bool SearchDirectory(NWCONN_HANDLE conn, const std::string& directory, nuint8 attributes, const std::string& pattern,
                     Sink&& sink)
{
    SearchLoopGuard guard;
    nuint8 volumeNumber = 0;
    nuint16 directoryID = 0;
    nuint16 sequence = 0xFFFF;
    NWSEARCH_ENTRY buffer{};
    NWCCODE code = DirSearchStart(conn, 0, directory.c_str(), volumeNumber, directoryID, sequence, buffer, 0);
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
        if (!first || sequence == 0xFFFF)
            return false;
    }
    return true;
}

void ReportSearchLoop(const std::string& directory)
{
    MessageBoxOK(MsgDlgType::Error, "The server listed " + directory +
                                        " over again from its start; the search of this directory was stopped.");
}
}  // namespace

void WalkDirectory(NWCONN_HANDLE conn, const std::string& directory, const std::string& pattern, nuint8 mode,
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
    bool sound = true;
    if (reportFiles)
        sound = SearchDirectory(conn, dir, SA_FILES, searchPattern, report) && sound;
    if (reportDirectories)
        sound = SearchDirectory(conn, dir, SA_DIRECTORIES, searchPattern, report) && sound;

    // Collected first and walked after the search has ended, so no search is
    // held open on the server across the recursion.
    static const std::string all = "*";
    std::vector<std::string> subdirectories;
    if (recursive)
        sound = SearchDirectory(conn, dir, SA_DIRECTORIES, all,
                                [&](const std::string& path, const WalkEntry&) { subdirectories.push_back(path); }) &&
                sound;
    // Once per directory, however many of its searches ran in a circle.
    if (!sound)
        ReportSearchLoop(dir);
    for (const std::string& sub : subdirectories)
        WalkDirectory(conn, sub, searchPattern, mode, callback, userData, recursive, depth);
}
