// SPDX-License-Identifier: GPL-3.0-or-later
// The connections of a client back end.
#include "netware/ConnectionTable.h"

#include <algorithm>

ConnectionTable::Server ConnectionTable::ServerOfRef(NWCONN_REF ref, const std::vector<Server>& servers)
{
    const Server server = static_cast<Server>(ref) - kRefBase;
    if (ref <= kRefBase || std::find(servers.begin(), servers.end(), server) == servers.end())
        return 0;
    return server;
}

NWCCODE ConnectionTable::NextRef(const std::vector<Server>& servers, nuint32& iterator, NWCONN_REF& ref)
{
    if (iterator >= servers.size())
        return ERR_CONNECTION_NOT_FOUND;
    ref = RefOf(servers[iterator]);
    ++iterator;
    return SUCCESSFUL;
}

NWCONN_HANDLE ConnectionTable::Open(Server server)
{
    while (next_ == 0 || next_ == 999 || next_ == 0xFFFF || open_.count(next_))
        ++next_;
    const NWCONN_HANDLE conn = next_++;
    open_[conn] = server;
    return conn;
}

bool ConnectionTable::Close(NWCONN_HANDLE conn) { return open_.erase(conn) != 0; }

ConnectionTable::Server ConnectionTable::ServerOf(NWCONN_HANDLE conn) const
{
    auto it = open_.find(conn);
    return it == open_.end() ? 0 : it->second;
}

NWCONN_HANDLE ConnectionTable::OpenOn(Server server) const
{
    auto it = std::find_if(open_.begin(), open_.end(), [server](const auto& entry) { return entry.second == server; });
    return it == open_.end() ? 0 : it->first;
}
