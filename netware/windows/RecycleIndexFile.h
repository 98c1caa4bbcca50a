// SPDX-License-Identifier: GPL-3.0-or-later
// The index file Windows writes beside every item of a recycle bin ($I<id>):
// a version (1 before Windows 10, 2 since), the original size, the deletion
// time as a FILETIME and the original path in UTF-16LE, fixed 260 characters
// in version 1, counted in version 2. Drives are written by anyone: every
// byte is checked before it is believed.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The most an index file can be: a version 2 header and 32,767 characters.
inline constexpr std::size_t RecycleIndexSizeLimit = 28 + 2 * 32768;

struct RecycleIndex {
    int version = 0;
    std::uint64_t size = 0;  // the original size Windows recorded
    std::int64_t deleted = 0;  // FILETIME: 100 ns since 1601-01-01 UTC
    std::string path;          // UTF-8
};

// The index in the bytes of an $I file; nullopt when the file is truncated,
// longer than its version says, names a length beyond itself or no NUL at
// its end, or holds a path that is not valid UTF-16 (lone surrogates).
std::optional<RecycleIndex> ParseRecycleIndex(std::string_view bytes);

// Seconds since 1970 of a FILETIME, rounded down (as Windows shows it).
std::time_t UnixTimeOfFileTime(std::int64_t fileTime);

// The folders and the name of an original path "D:\Dir\Sub\name" ("/" counts
// as "\" too) below its drive letter; false for a path without a drive
// letter (drive-less, relative, UNC), with an empty or "." or ".."
// component, with a NUL, or naming the drive itself.
bool SplitOriginalPath(std::string_view path, std::vector<std::string>& folders, std::string& name);

// Whether a name in a bin folder is one Windows gives: "$I" or "$R", six
// characters, then an extension or nothing. The id is what follows the two
// letters.
bool IsRecycleName(std::string_view name, char kind, std::string_view& id);
