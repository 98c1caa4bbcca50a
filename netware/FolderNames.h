// SPDX-License-Identifier: GPL-3.0-or-later
// How the stores behind the client back ends tell folders apart by name, and
// the one folder lookup they share: NetWare ignores letter case; the trash and
// SMB shares keep it, so a folder is found by its exact name, and a name typed
// in another case finds a folder only when exactly one matches it without case.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

enum class NameCase { Ignored, Kept };

// Whether two names name the same thing under the rule (ASCII letters only
// are folded).
bool SameName(std::string_view a, std::string_view b, NameCase rule);
// The text a name is told apart by under the rule: itself where case is kept,
// in upper case where it is ignored.
std::string NameKey(std::string_view name, NameCase rule);

enum class NameLookup { Found, Missing, Ambiguous };

// The subfolders of a store's folders by name, for lookups that cost the same
// however many siblings a folder has.
class FolderNames {
public:
    explicit FolderNames(NameCase rule = NameCase::Kept) : rule_(rule) {}

    // Enters child as parent's subfolder of that exact name.
    void Add(std::size_t parent, std::string_view name, std::size_t child);
    // The subfolder of exactly that name.
    bool Exact(std::size_t parent, std::string_view name, std::size_t& child) const;
    // The exact name first; else, without case, the one subfolder that
    // matches (Ambiguous when several do).
    NameLookup Find(std::size_t parent, std::string_view name, std::size_t& child) const;
    void Clear();

private:
    struct Key {
        std::size_t parent;
        std::string name;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const
        {
            return std::hash<std::string_view>{}(key.name) * 31 + key.parent;
        }
    };
    struct Folded {
        std::size_t child = 0;
        std::size_t count = 0;
    };
    NameCase rule_;
    std::unordered_map<Key, std::size_t, KeyHash> exact_;
    std::unordered_map<Key, Folded, KeyHash> folded_;
};

// The path from a tree's root down to a folder, each folder's name as
// shownOf gives it, joined with "\"; parentOf(folder) names a folder's parent
// and isRoot(folder) the root, which the path leaves out.
template <typename IsRoot, typename ParentOf, typename ShownOf>
std::string ShownFolderPath(std::size_t folder, IsRoot isRoot, ParentOf parentOf, ShownOf shownOf)
{
    std::vector<std::size_t> chain;
    for (std::size_t f = folder; !isRoot(f); f = parentOf(f))
        chain.push_back(f);
    std::string path;
    for (std::size_t i = chain.size(); i-- > 0;) {
        if (!path.empty())
            path += '\\';
        path += shownOf(chain[i]);
    }
    return path;
}

// Resolves the directory part of full paths to folders one component at a
// time, remembering the last path: a walk asks for paths that differ from the
// one before in their last component or two and pays only for what differs,
// so that finding a folder costs in proportion to its depth at most.
class FolderPathCache {
public:
    // One step down: the subfolder of parent that a component of the path
    // (as shown) names.
    using Step = std::function<NameLookup(std::size_t parent, std::string_view component, std::size_t& child)>;

    // The folder that the components of path after directoryStart name,
    // starting from root (the folder that the part before names).
    NameLookup Resolve(std::string_view path, std::size_t directoryStart, std::size_t root, const Step& step,
                       std::size_t& folder);
    // Forgets everything: the folders were read again.
    void Clear();

private:
    struct Point {
        std::size_t end;  // in text_, just after the component
        std::size_t folder;
    };
    std::string text_;
    std::vector<Point> chain_;  // [0]: the root, at directoryStart
};
