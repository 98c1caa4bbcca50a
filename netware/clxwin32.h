// SPDX-License-Identifier: GPL-3.0-or-later
// Operations of the client's clxwin32 library: the workstation's connection
// references, opening and closing connections, connection information.
// Each forwards to the installed client back end (NWClientBackend.h).
#pragma once

#include "netware/ntypes.h"

// iterator starts at 0; a non-zero code follows the last reference.
NWCCODE NextConnRef(nuint32& iterator, NWCONN_REF& connRef);
NWCCODE PrimaryConnRef(NWCONN_REF& connRef);
NWCCODE NWCCOpenConnByRef(NWCONN_REF connRef, nuint32 openState, nuint32 reserved, NWCONN_HANDLE& conn);
NWCCODE CloseConn(NWCONN_HANDLE conn);
// infoType: NWCC_INFO_TREE_NAME or NWCC_INFO_SERVER_NAME; buffer holds length bytes.
NWCCODE ConnInfo(NWCONN_HANDLE conn, nuint32 infoType, nuint32 length, char* buffer);
NWCCODE ConnRefInfo(NWCONN_REF connRef, nuint32 infoType, nuint32 length, char* buffer);
