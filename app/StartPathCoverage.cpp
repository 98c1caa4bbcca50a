// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartPathCoverage.h"

#include "netware/NetWarePath.h"
#include "util/D_Util.h"

#include <algorithm>
#include <cstddef>

namespace {

StartPathPlace PlaceOfParts(NetWarePathParts parts, bool recursive, NameCase rule)
{
    StartPathPlace place;
    place.recursive = recursive;
    if (parts.server.empty() || parts.volume.empty())
        return place;
    place.parts = {AsciiUpper(parts.server), AsciiUpper(parts.volume)};
    for (const std::string& directory : parts.directories)
        place.parts.push_back(NameKey(directory, rule));
    return place;
}

bool OnAVolume(const StartPathPlace& place)
{
    return place.parts.size() >= 2;
}

// Whether the walk of coverer visits every directory that of covered does.
bool Covers(const std::vector<StartPathPlace>& places, std::size_t coverer, std::size_t covered)
{
    const StartPathPlace& outer = places[coverer];
    const StartPathPlace& inner = places[covered];
    if (coverer == covered || !OnAVolume(outer) || !OnAVolume(inner) || outer.parts.size() > inner.parts.size())
        return false;
    if (!std::equal(outer.parts.begin(), outer.parts.end(), inner.parts.begin()))
        return false;
    if (outer.parts.size() < inner.parts.size())
        return outer.recursive;
    if (outer.recursive != inner.recursive)
        return outer.recursive;
    return coverer < covered;
}

}  // namespace

StartPathPlace PlaceOfResolvedPath(const std::string& server, const std::string& volume,
                                   const std::string& directory, bool recursive, NameCase rule)
{
    NetWarePathParts parts;
    if (!ParseVolumePath(volume + ":" + directory, parts))
        return StartPathPlace{{}, recursive};
    parts.server = server;
    return PlaceOfParts(std::move(parts), recursive, rule);
}

StartPathPlace PlaceOfPathText(const std::string& path, bool recursive, NameCase rule)
{
    // Only a server path names a volume; a local folder is no place the job walks.
    NetWarePathParts parts;
    if (!ParseUncPath(path, parts))
        return StartPathPlace{{}, recursive};
    return PlaceOfParts(std::move(parts), recursive, rule);
}

std::vector<int> CoveringStartPaths(const std::vector<StartPathPlace>& places)
{
    const std::size_t n = places.size();
    std::vector<bool> covered(n, false);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n && !covered[i]; ++j)
            covered[i] = Covers(places, j, i);
    // Covering is transitive, so a covered path always has a coverer that is
    // walked itself; naming that one tells where its files are listed.
    std::vector<int> coverers(n, -1);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n && covered[i] && coverers[i] < 0; ++j)
            if (!covered[j] && Covers(places, j, i))
                coverers[i] = static_cast<int>(j);
    return coverers;
}
