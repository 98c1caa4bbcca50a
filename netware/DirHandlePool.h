// SPDX-License-Identifier: GPL-3.0-or-later
// The temporary directory handles of a client back end: 8-bit numbers from 1,
// at most 255 of them, each held by one connection with the back end's state.
#pragma once

#include <algorithm>
#include <map>
#include <utility>

#include "netware/ntypes.h"

template <typename State>
class DirHandlePool {
public:
    static constexpr int kMaxSize = 255;      // handle 0 means "none"
    static constexpr int kDefaultSize = 254;  // as many as a NetWare client gives out

    // Clamped to 1..255; handles above a smaller size stay held until released.
    void SetSize(int size) { size_ = std::clamp(size, 1, kMaxSize); }
    int InUse() const { return static_cast<int>(held_.size()); }
    bool Full() const { return FreeHandle() == 0; }

    // Gives the lowest free handle to conn, with its state;
    // ERR_NO_MORE_DIR_HANDLES when every handle is held.
    NWCCODE Allocate(NWCONN_HANDLE conn, State state, NWDIR_HANDLE& handle)
    {
        const NWDIR_HANDLE free = FreeHandle();
        if (free == 0)
            return ERR_NO_MORE_DIR_HANDLES;
        held_.emplace(free, Held{conn, std::move(state)});
        handle = free;
        return SUCCESSFUL;
    }

    // The state of a handle that conn holds; nullptr for a free handle or one
    // another connection holds.
    State* Find(NWCONN_HANDLE conn, NWDIR_HANDLE handle)
    {
        auto it = held_.find(handle);
        return it == held_.end() || it->second.conn != conn ? nullptr : &it->second.state;
    }

    // ERR_BAD_DIRECTORY_HANDLE for a handle that conn does not hold.
    NWCCODE Release(NWCONN_HANDLE conn, NWDIR_HANDLE handle)
    {
        if (!Find(conn, handle))
            return ERR_BAD_DIRECTORY_HANDLE;
        held_.erase(handle);
        return SUCCESSFUL;
    }

    // A closed connection's handles go with it.
    void ReleaseAll(NWCONN_HANDLE conn)
    {
        std::erase_if(held_, [conn](const auto& entry) { return entry.second.conn == conn; });
    }

private:
    struct Held {
        NWCONN_HANDLE conn;
        State state;
    };

    NWDIR_HANDLE FreeHandle() const
    {
        for (int h = 1; h <= size_; ++h)
            if (!held_.count(static_cast<NWDIR_HANDLE>(h)))
                return static_cast<NWDIR_HANDLE>(h);
        return 0;
    }

    std::map<NWDIR_HANDLE, Held> held_;
    int size_ = kDefaultSize;
};
