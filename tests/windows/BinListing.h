// SPDX-License-Identifier: GPL-3.0-or-later
// What a test compares: a user's bin as rifiuti-vista lists it, and as the
// client lists it (index, deletion time, size, original path, tab-separated);
// and a folder of the client scanned as the purge job scans it.
#pragma once

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "MountedDrive.h"
#include "netware/PackedDateTime.h"
#include "netware/windows/WindowsBinClient.h"

namespace recyclebin {

// "yyyy-mm-dd hh:mm:ss" of a packed date-time, as rifiuti-vista writes times.
inline std::string DateTimeText(nuint32 packed)
{
    NW_DATE date{};
    NW_TIME time{};
    UnpackDeletedDateTime(packed, date, time);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", date.year, date.month, date.day, time.hours,
                  time.minutes, time.seconds);
    return text;
}

// rifiuti-vista's lines for a bin folder, deletion times in local time, sorted.
inline std::vector<std::string> RifiutiLines(const std::filesystem::path& bin)
{
    std::string out;
    RunCommand("LC_ALL=C.UTF-8 rifiuti-vista -z -n " + Quoted(bin), &out);
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        if (line.find('\t') != std::string::npos)  // not its word on an empty bin
            lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// The client's lines for the bin of a SID (paths on drive letter D:), sorted.
inline std::vector<std::string> ClientLines(const WindowsBinIndex& index, const std::string& sid)
{
    std::vector<std::string> lines;
    std::function<void(size_t, const std::string&)> visit = [&](size_t directory, const std::string& path) {
        const TrashDirectory& folder = index.folders.directories[directory];
        for (size_t i : folder.entries) {
            const WindowsBinItem& item = index.items[i];
            if (index.bins[item.bin].sid == sid && !item.purged)
                lines.push_back("$I" + item.id + "\t" + DateTimeText(item.deleted) + "\t" +
                                std::to_string(item.size) + "\t" + path + "\\" + item.name);
        }
        for (size_t child : folder.children)
            visit(child, path + "\\" + index.folders.directories[child].name);
    };
    for (const TrashVolume& volume : index.folders.volumes)
        visit(volume.root, "D:");
    std::sort(lines.begin(), lines.end());
    return lines;
}

inline NWCONN_HANDLE OpenWindowsConnection(WindowsBinClient& client)
{
    NWCONN_REF ref = 0;
    NWCONN_HANDLE conn = 0;
    client.PrimaryConnRef(ref);
    client.NWCCOpenConnByRef(ref, 1, 0, conn);
    return conn;
}

// Scans a folder ("VOLUME:DIR\SUB"): visit(record, purge) for each item, where
// purge() purges it and returns the code. False when it cannot be scanned.
template <class Visit>
bool ScanBinFolder(WindowsBinClient& client, NWCONN_HANDLE conn, const std::string& volumePath, const Visit& visit)
{
    NWDIR_HANDLE handle = 0;
    if (client.NWAllocTemporaryDirectoryHandle(conn, 0, volumePath.c_str(), handle, nullptr) != 0)
        return false;
    nuint32 iteration = 0xFFFFFFFF, dirBase = 0;
    nuint8 number = 0;
    NWDELETED_INFO record{};
    while (client.NextDeletedFile(conn, handle, iteration, number, dirBase, record) == 0)
        visit(record, [&] { return client.NWPurgeDeletedFile(conn, handle, iteration, number, dirBase, record.name); });
    client.ReleaseDirHandle(conn, handle);
    return true;
}

}  // namespace recyclebin
