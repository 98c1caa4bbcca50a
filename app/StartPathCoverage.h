// SPDX-License-Identifier: GPL-3.0-or-later
// Which start paths of a job another one already covers: a path below a
// recursive start path on the same server and volume, or the same directory
// listed again. A covered path is not walked, so that a job visits each
// deleted file once.
#pragma once

#include <string>
#include <vector>

#include "netware/FolderNames.h"

// Where a start path leads: the server, the volume and the directories below
// it, as the back end tells names apart (server and volume names in upper
// case; directories too on NetWare, exactly on stores that keep case). Fewer
// than two parts: not a place on a volume; such a path neither covers nor is
// covered.
struct StartPathPlace {
    std::vector<std::string> parts;
    bool recursive = false;
};

// The place of a resolved start path; directory is the path within the volume.
StartPathPlace PlaceOfResolvedPath(const std::string& server, const std::string& volume,
                                   const std::string& directory, bool recursive, NameCase rule);
// The place a start path's text names, \\SERVER\VOLUME\DIR, read by the
// client's path rules without asking a server.
StartPathPlace PlaceOfPathText(const std::string& path, bool recursive, NameCase rule);

// For each start path, the index of the start path that covers it and is
// itself walked, or -1 when it is walked itself. Of two entries naming the
// same directory the recursive one covers the other, else the earlier one.
std::vector<int> CoveringStartPaths(const std::vector<StartPathPlace>& places);
