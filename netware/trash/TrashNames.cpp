// SPDX-License-Identifier: GPL-3.0-or-later
// Item names and plain original paths.
#include "netware/trash/TrashNames.h"

#include "netware/ShownName.h"
#include "netware/trash/TrashIndex.h"

bool IsItemName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

bool HasDotComponents(std::string_view path)
{
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (part == "." || part == "..")
            return true;
        start = end + 1;
    }
    return false;
}

std::string ShownFolderName(std::string_view name)
{
    if (name.empty())
        return UnknownOriginDirectory;
    if (name == UnknownOriginDirectory)
        return "%28" + std::string(name.substr(1));
    return ShownName(name);
}

std::string FolderNameOfShown(std::string_view shown)
{
    return shown == UnknownOriginDirectory ? std::string() : NameOfShown(shown);
}
