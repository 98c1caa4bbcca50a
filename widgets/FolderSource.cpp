// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing the folder source for a root, and the order of folders.
#include "widgets/FolderSource.h"

#include "util/D_Util.h"

#include <algorithm>

bool IsServerRoot(const std::string& root, std::string* server)
{
    if (root.size() < 3 || root[0] != '\\' || root[1] != '\\')
        return false;
    std::string name = root.substr(2);
    if (!name.empty() && name.back() == '\\')
        name.pop_back();
    if (name.empty() || name.find_first_of("\\/:") != std::string::npos)
        return false;
    if (server)
        *server = name;
    return true;
}

std::unique_ptr<FolderSource> OpenFolderSource(const std::string& root)
{
    if (root.size() >= 2 && root[0] == '\\' && root[1] == '\\')
        return OpenServerFolderSource(root);
    return OpenLocalFolderSource(root);
}

void SortFolderEntries(std::vector<FolderEntry>& entries)
{
    std::stable_sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        const std::string ua = AsciiUpper(a.name);
        const std::string ub = AsciiUpper(b.name);
        return ua != ub ? ua < ub : a.name < b.name;
    });
}
