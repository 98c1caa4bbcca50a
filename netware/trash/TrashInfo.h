// SPDX-License-Identifier: GPL-3.0-or-later
// The files of a trash can: ".trashinfo" files ([Trash Info] with Path= and
// DeletionDate=), percent-encoded paths, and the "directorysizes" cache.
#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "util/PercentEncoding.h"

struct TrashInfo {
    std::optional<std::string> path;  // decoded Path=, when present and well-formed
    // DeletionDate= in local time, when present and a valid date and time.
    std::optional<std::tm> deletionDate;
};

// Reads the text of a .trashinfo file. Keys count only inside the [Trash Info]
// group; the first of each wins. A file without that group yields neither key.
TrashInfo ParseTrashInfo(std::string_view text);
// "YYYY-MM-DDThh:mm:ss", anything after the seconds ignored; nullopt for
// anything that is not a real date and time.
std::optional<std::tm> ParseDeletionDate(std::string_view text);

// The directorysizes cache of a trash can: decoded entry name -> (size, the
// mtime its .trashinfo had when the size was counted).
struct DirectorySize {
    std::uint64_t size = 0;
    std::int64_t infoMtime = 0;
};
using DirectorySizes = std::map<std::string, DirectorySize>;
DirectorySizes ParseDirectorySizes(std::string_view text);

// The text of directorysizes without the lines of the given entries; false
// when it holds none of them (nothing to rewrite).
bool WithoutDirectorySizesLines(std::string_view text, const std::set<std::string>& entryNames, std::string& kept);
