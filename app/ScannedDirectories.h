// SPDX-License-Identifier: GPL-3.0-or-later
// The directories a job has scanned, so that none is scanned twice. A
// directory is known by its server and its key (PathKey: volume and
// directories, compared as the back end compares names, NetWare without
// letter case, the trash and SMB shares exactly). A walk hands each directory
// with its key, made from its parent's: a deep directory costs its name, not
// its path.
#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>

#include "netware/FolderNames.h"
#include "netware/PathKey.h"

class ScannedDirectories {
public:
    explicit ScannedDirectories(NameCase rule) : rule_(rule) {}
    // -1 the first time a directory is given, which is then recorded as
    // scanned for the start path of that index; after that, that index.
    int EarlierListing(std::string_view server, const PathKey& directory, int startPath);
    int EarlierListing(std::string_view server, std::string_view volumePath, int startPath)
    {
        return EarlierListing(server, PathKey::Of(volumePath, rule_), startPath);
    }
    // Whether the directory was given before, without recording it.
    bool Contains(std::string_view server, const PathKey& directory) const;
    bool Contains(std::string_view server, std::string_view volumePath) const
    {
        return Contains(server, PathKey::Of(volumePath, rule_));
    }

private:
    struct Key {
        PathKey server, directory;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const
        {
            return static_cast<std::size_t>(key.directory.a ^ (key.directory.b >> 1) ^ key.server.a);
        }
    };

    NameCase rule_;
    std::unordered_map<Key, int, KeyHash> seen_;
};
