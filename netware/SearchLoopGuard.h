// SPDX-License-Identifier: GPL-3.0-or-later
// Tells a server whose directory search runs in a circle from one that lists
// a huge directory. The search sequence is 16 bits wide, so in a directory of
// more than 65,535 entries a sequence comes back; what never comes back from a
// sound server is the same entry with the same next sequence. Seeing that pair
// a second time means the listing has started over and would never end.
#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_set>

#include "netware/ntypes.h"

class SearchLoopGuard {
public:
    // False when this entry came with this next sequence before in the search.
    bool FirstTime(nuint16 nextSequence, std::string_view name)
    {
        const std::uint64_t key = (std::hash<std::string_view>{}(name) << 16) ^ nextSequence;
        return seen_.insert(key).second;
    }

private:
    std::unordered_set<std::uint64_t> seen_;
};
