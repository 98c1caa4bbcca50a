// SPDX-License-Identifier: GPL-3.0-or-later
// The search of a folder's subfolders by name.
#include "netware/DirSearches.h"

#include "netware/ClientText.h"
#include "netware/NetWarePath.h"

NWCCODE NextFolderName(FolderNameSearch& search, nuint16 sequence, nuint8 searchAttributes, const char* pattern,
                       NameCase rule, NWSEARCH_ENTRY& entry)
{
    // The attribute of a directory in searches.
    constexpr nuint8 directoryAttribute = 0x10;
    if (!(searchAttributes & directoryAttribute))
        return ERR_NO_FILES_FOUND;
    const char* wanted = (pattern && *pattern) ? pattern : "*";
    const auto& names = search.names;
    for (size_t i = search.cursor.PositionOf(sequence); i < names.size(); ++i) {
        if (!WildcardMatch(wanted, names[i].c_str(), rule))
            continue;
        search.cursor.next = i + 1;
        entry.nextSequence = SearchCursor::SequenceOf(search.cursor.next);
        entry.reserved = 0;
        CopyText(names[i], entry.name, sizeof entry.name);
        return SUCCESSFUL;
    }
    return ERR_NO_FILES_FOUND;
}
