// SPDX-License-Identifier: GPL-3.0-or-later
// The connections of a client back end: references to the servers the
// workstation is attached to, and the handles opened on them. A back end
// numbers its servers from 1; the table makes references and handles of them.
#pragma once

#include <map>
#include <vector>

#include "netware/ntypes.h"

class ConnectionTable {
public:
    using Server = long long;  // the back end's number of a server; 0 is none

    // A server's reference, in a range of its own, so that a reference handed
    // in where a handle belongs fails instead of working by accident.
    static constexpr NWCONN_REF RefOf(Server server) { return kRefBase + static_cast<NWCONN_REF>(server); }
    // The server a reference names when it is one of `servers`; 0 otherwise.
    static Server ServerOfRef(NWCONN_REF ref, const std::vector<Server>& servers);
    // NextConnRef over the workstation's servers, in their order: the
    // reference at `iterator`, which moves on; ERR_CONNECTION_NOT_FOUND past
    // the last.
    static NWCCODE NextRef(const std::vector<Server>& servers, nuint32& iterator, NWCONN_REF& ref);

    // A new handle on the server: never 0, 999 or 0xFFFF, which mean "no
    // connection" to the program.
    NWCONN_HANDLE Open(Server server);
    // False for a handle that is not open.
    bool Close(NWCONN_HANDLE conn);
    // The server of an open handle; 0 for any other.
    Server ServerOf(NWCONN_HANDLE conn) const;
    bool IsOpen(NWCONN_HANDLE conn) const { return ServerOf(conn) != 0; }
    // The first handle open on the server; 0 when none is.
    NWCONN_HANDLE OpenOn(Server server) const;

private:
    static constexpr NWCONN_REF kRefBase = 0x10000;

    std::map<NWCONN_HANDLE, Server> open_;
    NWCONN_HANDLE next_ = 1;
};
