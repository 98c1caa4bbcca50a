// SPDX-License-Identifier: GPL-3.0-or-later
// The path and name rules every client back end follows: UNC and volume-form
// paths, and the "*" / "?" wildcards of directory searches.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "netware/FolderNames.h"

// Where a path's directory part starts, after its server and volume.
struct NetWarePathHead {
    std::string server;  // empty for a volume-form path
    std::string volume;
    size_t directoryStart = 0;
};

struct NetWarePathParts {
    std::string server;                    // empty for a volume-form path
    std::string volume;
    std::vector<std::string> directories;  // components below the volume root
};

// "\\SERVER\VOLUME\DIR\SUB" (at least server and volume), with "\" or "/" as
// separators, or "VOLUME:DIR\SUB" (also "VOLUME:" and "VOLUME:\DIR"). Empty
// components are skipped; a ":" anywhere but after the volume of the volume
// form is refused. False for anything else, such as a local Linux path.
bool ParseUncPath(std::string_view path, NetWarePathParts& parts);
bool ParseVolumePath(std::string_view path, NetWarePathParts& parts);
// Either form; false for a null path.
bool ParseNetWarePath(const char* path, NetWarePathParts& parts);
// The server and volume of a path of either form, read under the same rules,
// and where its directories start; the directories are not split.
bool ParsePathHead(std::string_view path, NetWarePathHead& head);

// Components joined with "\".
std::string JoinDirectories(const std::vector<std::string>& directories);

// Name match: "*" any run of characters, "?" exactly one character,
// everything else itself (without regard to ASCII letter case unless the
// store keeps case). No DOS special cases: "*.*" asks for a dot, so callers
// wanting every name pass "*".
bool WildcardMatch(const char* pattern, const char* name, NameCase rule = NameCase::Ignored);
