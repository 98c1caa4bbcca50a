// SPDX-License-Identifier: GPL-3.0-or-later
// clxwin32 operations, forwarded to the installed back end.
#include "netware/clxwin32.h"

#include "netware/ClientForward.h"

using clientdetail::Forward;

NWCCODE NextConnRef(nuint32& iterator, NWCONN_REF& connRef)
{
    return Forward([&](NWClientBackend& b) { return b.NextConnRef(iterator, connRef); });
}

NWCCODE PrimaryConnRef(NWCONN_REF& connRef)
{
    return Forward([&](NWClientBackend& b) { return b.PrimaryConnRef(connRef); });
}

NWCCODE NWCCOpenConnByRef(NWCONN_REF connRef, nuint32 openState, nuint32 reserved, NWCONN_HANDLE& conn)
{
    return Forward([&](NWClientBackend& b) { return b.NWCCOpenConnByRef(connRef, openState, reserved, conn); });
}

NWCCODE CloseConn(NWCONN_HANDLE conn)
{
    return Forward([&](NWClientBackend& b) { return b.CloseConn(conn); });
}

NWCCODE ConnInfo(NWCONN_HANDLE conn, nuint32 infoType, nuint32 length, char* buffer)
{
    return Forward([&](NWClientBackend& b) { return b.ConnInfo(conn, infoType, length, buffer); });
}

NWCCODE ConnRefInfo(NWCONN_REF connRef, nuint32 infoType, nuint32 length, char* buffer)
{
    return Forward([&](NWClientBackend& b) { return b.ConnRefInfo(connRef, infoType, length, buffer); });
}
