// SPDX-License-Identifier: GPL-3.0-or-later
// The path and name rules of the client back ends.
#include "netware/NetWarePath.h"

#include <algorithm>

#include "util/D_Util.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::vector<std::string> SplitComponents(std::string_view text)
{
    std::vector<std::string> parts;
    std::string current;
    for (char c : text) {
        if (IsSeparator(c)) {
            if (!current.empty())
                parts.push_back(std::move(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        parts.push_back(std::move(current));
    return parts;
}

}  // namespace

bool ParseUncPath(std::string_view path, NetWarePathParts& parts)
{
    if (path.size() < 3 || !IsSeparator(path[0]) || !IsSeparator(path[1]) || IsSeparator(path[2]))
        return false;
    if (path.find(':') != std::string_view::npos)
        return false;
    auto components = SplitComponents(path.substr(2));
    if (components.size() < 2)
        return false;
    parts.server = components[0];
    parts.volume = components[1];
    parts.directories.assign(components.begin() + 2, components.end());
    return true;
}

bool ParseVolumePath(std::string_view path, NetWarePathParts& parts)
{
    const auto colon = path.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return false;
    const std::string_view volume = path.substr(0, colon);
    const std::string_view rest = path.substr(colon + 1);
    if (std::any_of(volume.begin(), volume.end(), IsSeparator) || rest.find(':') != std::string_view::npos)
        return false;
    parts.server.clear();
    parts.volume = std::string(volume);
    parts.directories = SplitComponents(rest);
    return true;
}

bool ParseNetWarePath(const char* path, NetWarePathParts& parts)
{
    // A path that starts with a separator has no volume before a ":", so a
    // failed UNC path is no volume-form path either.
    return path && (ParseUncPath(path, parts) || ParseVolumePath(path, parts));
}

std::string JoinDirectories(const std::vector<std::string>& directories)
{
    std::string joined;
    for (const auto& d : directories) {
        if (!joined.empty())
            joined += '\\';
        joined += d;
    }
    return joined;
}

bool WildcardMatch(const char* pattern, const char* name)
{
    // Iterative match with one backtrack point: the last "*" seen.
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || (*pattern && UpperAscii(*pattern) == UpperAscii(*name))) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == '\0';
}
