// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartPathCoverage.h"

#include "util/D_Util.h"

#include <algorithm>
#include <cstddef>

namespace {

void AppendParts(std::vector<std::string>& parts, const std::string& text)
{
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\\/", start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            parts.push_back(AsciiUpper(text.substr(start, end - start)));
        start = end + 1;
    }
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
                                   const std::string& directory, bool recursive)
{
    StartPathPlace place;
    place.recursive = recursive;
    if (server.empty() || volume.empty())
        return place;
    place.parts = {AsciiUpper(server), AsciiUpper(volume)};
    AppendParts(place.parts, directory);
    return place;
}

StartPathPlace PlaceOfPathText(const std::string& path, bool recursive)
{
    StartPathPlace place;
    place.recursive = recursive;
    // Only a server path names a volume; a local folder is no place the job walks.
    if (path.size() > 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/'))
        AppendParts(place.parts, path);
    return place;
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
