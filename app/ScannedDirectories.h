// SPDX-License-Identifier: GPL-3.0-or-later
// The directories a job has scanned, so that none is scanned twice. A
// directory is known by its server, volume and directories, compared as the
// back end compares names (NetWare without letter case; the trash and SMB
// shares exactly), "VOL:\DIR" and "VOL:DIR" being one directory. A deep
// directory costs a pass over its path, not a copy of it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "netware/FolderNames.h"

class ScannedDirectories {
public:
    explicit ScannedDirectories(NameCase rule) : rule_(rule) {}
    // -1 the first time a directory is given, which is then recorded as
    // scanned for the start path of that index; after that, that index.
    int EarlierListing(std::string_view server, std::string_view volumePath, int startPath);
    // Whether the directory was given before, without recording it.
    bool Contains(std::string_view server, std::string_view volumePath) const;

private:
    struct Key {
        std::uint64_t a = 0, b = 0;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const { return static_cast<std::size_t>(key.a ^ (key.b >> 1)); }
    };
    Key KeyOf(std::string_view server, std::string_view volumePath) const;

    NameCase rule_;
    std::unordered_map<Key, int, KeyHash> seen_;
};
