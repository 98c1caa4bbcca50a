// SPDX-License-Identifier: GPL-3.0-or-later
// What a test compares: a user's bin as rifiuti-vista lists it, and as the
// client lists it (index, deletion time, size, original path, tab-separated).
#pragma once

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "MountedDrive.h"
#include "../netware/TrashConnection.h"
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

}  // namespace recyclebin
