// SPDX-License-Identifier: GPL-3.0-or-later
// The scanned directories of a job by their keys.
#include "app/ScannedDirectories.h"

int ScannedDirectories::EarlierListing(std::string_view server, const PathKey& directory, int startPath)
{
    // Servers are named without regard to case on every back end.
    const auto [listed, first] = seen_.emplace(Key{PathKey::OfName(server), directory}, startPath);
    return first ? -1 : listed->second;
}

bool ScannedDirectories::Contains(std::string_view server, const PathKey& directory) const
{
    return seen_.count(Key{PathKey::OfName(server), directory}) > 0;
}
