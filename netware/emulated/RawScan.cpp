// SPDX-License-Identifier: GPL-3.0-or-later
// The raw deleted-file scan over the client operations.
#include "netware/emulated/RawScan.h"

#include <vector>

#include "netware/SearchLoopGuard.h"
#include "netware/calwin32.h"

namespace {

std::string Child(const std::string& directory, const char* name)
{
    std::string path = directory;
    if (!path.empty() && path.back() != ':' && path.back() != '\\')
        path += '\\';
    return path + name;
}

void ScanDirectory(NWCONN_HANDLE conn, const std::string& directory, bool recursive,
                   const std::function<void(const RawScanRecord&)>& onRecord, RawScanTotals& totals)
{
    ++totals.directories;
    NWDIR_HANDLE dirHandle = 0;
    NWCCODE code = NWAllocTemporaryDirectoryHandle(conn, 0, directory.c_str(), dirHandle, nullptr);
    if (code == 0) {
        nuint32 iteration = 0xFFFFFFFFu;
        nuint8 volumeNumber = 0;
        nuint32 directoryBase = 0;
        NWDELETED_INFO info;
        while ((code = NextDeletedFile(conn, dirHandle, iteration, volumeNumber, directoryBase, info)) == 0) {
            ++totals.records;
            if (onRecord)
                onRecord({directory, info});
        }
        ReleaseDirHandle(conn, dirHandle);
    }
    if (code != 0 && code != ERR_NO_FILES_FOUND)
        totals.lastError = code;
    if (!recursive)
        return;

    // Collect first, then descend: no search stays open across the recursion.
    std::vector<std::string> subdirectories;
    nuint8 volumeNumber = 0;
    nuint16 directoryId = 0;
    nuint16 sequence = 0xFFFF;
    NWSEARCH_ENTRY entry;
    SearchLoopGuard guard;
    code = DirSearchStart(conn, 0, directory.c_str(), volumeNumber, directoryId, sequence, entry, 0);
    while (code == 0) {
        code = DirSearchNext(conn, volumeNumber, directoryId, sequence, SA_DIRECTORIES, "*", entry, 0);
        if (code != 0)
            break;
        sequence = entry.nextSequence;
        entry.name[sizeof entry.name - 1] = '\0';
        const bool first = guard.FirstTime(sequence, entry.name);
        if (first)
            subdirectories.push_back(Child(directory, entry.name));
        if (!first || sequence == 0xFFFF) {
            totals.circularListing = directory;
            break;
        }
    }
    for (const auto& sub : subdirectories)
        ScanDirectory(conn, sub, true, onRecord, totals);
}

}  // namespace

RawScanTotals RawDeletedFileScan(NWCONN_HANDLE conn, const std::string& volumePath, bool recursive,
                                 const std::function<void(const RawScanRecord&)>& onRecord)
{
    RawScanTotals totals;
    ScanDirectory(conn, volumePath, recursive, onRecord, totals);
    return totals;
}
