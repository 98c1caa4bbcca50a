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

bool ParsePathHead(std::string_view path, NetWarePathHead& head)
{
    if (path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        if (IsSeparator(path[2]) || path.find(':') != std::string_view::npos)
            return false;
        // Server and volume: the first two runs between separators.
        std::string_view parts[2];
        size_t at = 2;
        for (std::string_view& part : parts) {
            while (at < path.size() && IsSeparator(path[at]))
                ++at;
            const size_t end = std::min(path.size(), path.find_first_of("\\/", at));
            part = path.substr(at, end - at);
            at = end;
        }
        if (parts[1].empty())
            return false;
        head = {std::string(parts[0]), std::string(parts[1]), at};
        return true;
    }
    const auto colon = path.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return false;
    const std::string_view volume = path.substr(0, colon);
    if (std::any_of(volume.begin(), volume.end(), IsSeparator) ||
        path.find(':', colon + 1) != std::string_view::npos)
        return false;
    head = {std::string(), std::string(volume), colon + 1};
    return true;
}

bool ParseUncPath(std::string_view path, NetWarePathParts& parts)
{
    NetWarePathHead head;
    if (path.size() < 3 || !IsSeparator(path[0]) || !ParsePathHead(path, head))
        return false;
    parts = {std::move(head.server), std::move(head.volume), SplitComponents(path.substr(head.directoryStart))};
    return true;
}

bool ParseVolumePath(std::string_view path, NetWarePathParts& parts)
{
    NetWarePathHead head;
    if (path.empty() || IsSeparator(path[0]) || !ParsePathHead(path, head))
        return false;
    parts = {std::string(), std::move(head.volume), SplitComponents(path.substr(head.directoryStart))};
    return true;
}

bool ParseNetWarePath(const char* path, NetWarePathParts& parts)
{
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

bool WildcardMatch(const char* pattern, const char* name, NameCase rule)
{
    // Iterative match with one backtrack point: the last "*" seen.
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || (*pattern && (rule == NameCase::Kept ? *pattern == *name : UpperAscii(*pattern) == UpperAscii(*name)))) {
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
