// SPDX-License-Identifier: GPL-3.0-or-later
// The directory searches of a client back end, by their 16-bit ids. The program
// never ends a search, so only the most recent ones are kept.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "netware/FolderNames.h"
#include "netware/ntypes.h"

// Where a search stands. Its 16-bit sequences name positions in the listing
// modulo 0xFFFF (0xFFFF itself asks for the start), so a caller that hands
// back the sequence it was given goes on where it left off, however long the
// list.
struct SearchCursor {
    std::size_t next = 0;  // the position the last sequence handed out names

    static constexpr std::size_t SequenceSpan = 0xFFFF;
    static nuint16 SequenceOf(std::size_t position) { return static_cast<nuint16>(position % SequenceSpan); }

    // The position a sequence names: of all positions it can stand for, the
    // one nearest to where the search left off.
    std::size_t PositionOf(nuint16 sequence) const
    {
        if (sequence == 0xFFFF)
            return 0;
        std::size_t position = next - next % SequenceSpan + sequence;
        if (position > next + SequenceSpan / 2 && position >= SequenceSpan)
            position -= SequenceSpan;
        else if (position + SequenceSpan / 2 < next)
            position += SequenceSpan;
        return position;
    }
};

// A search of a folder's subfolders by their shown names, as the back ends
// whose folders hold nothing but folders and deleted files answer it.
struct FolderNameSearch {
    std::vector<std::string> names;
    SearchCursor cursor;
};

// DirSearchNext over such a search: the next subfolder after sequence whose
// name matches the pattern under the store's rule; files never match.
NWCCODE NextFolderName(FolderNameSearch& search, nuint16 sequence, nuint8 searchAttributes, const char* pattern,
                       NameCase rule, NWSEARCH_ENTRY& entry);

template <typename State>
class DirSearches {
public:
    static constexpr nuint16 kKept = 256;

    // The new search's id (never 0); the search kKept ids older is dropped.
    nuint16 Add(NWCONN_HANDLE conn, nuint8 volumeNumber, State state)
    {
        if (next_ == 0)
            next_ = 1;
        const nuint16 id = next_++;
        searches_.insert_or_assign(id, Search{conn, volumeNumber, std::move(state)});
        searches_.erase(static_cast<nuint16>(id - kKept));
        return id;
    }

    // The state of a kept search that conn started on that volume; nullptr
    // for any other id.
    State* Find(NWCONN_HANDLE conn, nuint8 volumeNumber, nuint16 id)
    {
        auto it = searches_.find(id);
        if (it == searches_.end() || it->second.conn != conn || it->second.volumeNumber != volumeNumber)
            return nullptr;
        return &it->second.state;
    }

private:
    struct Search {
        NWCONN_HANDLE conn;
        nuint8 volumeNumber;
        State state;
    };

    std::map<nuint16, Search> searches_;
    nuint16 next_ = 1;
};
