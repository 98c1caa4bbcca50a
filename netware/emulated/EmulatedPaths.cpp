// SPDX-License-Identifier: GPL-3.0-or-later
// Path and wildcard rules of the emulated client.
#include "netware/emulated/EmulatedPaths.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::vector<std::string> SplitComponents(const std::string& text)
{
    std::vector<std::string> parts;
    std::string current;
    for (char c : text) {
        if (IsSeparator(c)) {
            if (!current.empty())
                parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        parts.push_back(current);
    return parts;
}

}  // namespace

bool ParseUncPath(const std::string& path, NetWarePathParts& parts)
{
    if (path.size() < 3 || !IsSeparator(path[0]) || !IsSeparator(path[1]) || IsSeparator(path[2]))
        return false;
    auto components = SplitComponents(path.substr(2));
    if (components.size() < 2)
        return false;
    for (const auto& c : components)
        if (c.find(':') != std::string::npos)
            return false;
    parts.server = components[0];
    parts.volume = components[1];
    parts.directories.assign(components.begin() + 2, components.end());
    return true;
}

bool ParseVolumePath(const std::string& path, NetWarePathParts& parts)
{
    auto colon = path.find(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    std::string volume = path.substr(0, colon);
    for (char c : volume)
        if (IsSeparator(c))
            return false;
    auto rest = path.substr(colon + 1);
    if (rest.find(':') != std::string::npos)
        return false;
    parts.server.clear();
    parts.volume = volume;
    parts.directories = SplitComponents(rest);
    return true;
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
        } else if (*pattern == '?' || (*pattern && Upper(*pattern) == Upper(*name))) {
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

bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    if (a == b)
        return true;  // names are mostly given in the case they are stored in
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i]))
            return false;
    return true;
}

std::string UpperCase(std::string text)
{
    for (char& c : text)
        c = Upper(c);
    return text;
}
