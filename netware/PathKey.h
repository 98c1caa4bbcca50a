// SPDX-License-Identifier: GPL-3.0-or-later
// A directory's identity as a job tells directories apart: two independent
// 64-bit hashes of its volume's name (without letter case) and of each
// directory name below it under the store's rule, so that "VOL:\DIR" and
// "VOL:DIR" are one directory, and two directories share a key with a chance
// far below that of a disk error. A key grows a name at a time: a walk keys
// each directory from its parent's key, whatever its depth.
#pragma once

#include <cstdint>
#include <string_view>

#include "netware/FolderNames.h"

struct PathKey {
    std::uint64_t a = 0xcbf29ce484222325ULL;
    std::uint64_t b = 0x84222325cbf29ce4ULL;

    bool operator==(const PathKey&) const = default;

    // The key of a name alone: a volume or a server (names without case).
    static PathKey OfName(std::string_view name);
    // The key of a volume path ("VOL:DIR\SUB", "\" or "/" between names).
    static PathKey Of(std::string_view volumePath, NameCase rule);
    // The key of the directory of that name below this one.
    PathKey Below(std::string_view name, NameCase rule) const;
};
