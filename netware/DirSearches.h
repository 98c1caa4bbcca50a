// SPDX-License-Identifier: GPL-3.0-or-later
// The directory searches of a client back end, by their 16-bit ids. The program
// never ends a search, so only the most recent ones are kept.
#pragma once

#include <map>
#include <utility>

#include "netware/ntypes.h"

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
