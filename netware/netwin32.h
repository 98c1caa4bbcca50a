// SPDX-License-Identifier: GPL-3.0-or-later
// Operations of the client's netwin32 library: directory-services name
// contexts and object names. Each forwards to the installed client back end
// (NWClientBackend.h).
#pragma once

#include "netware/ntypes.h"

NWCCODE ContextCreate(NWDSContextHandle& context);
NWCCODE ContextFree(NWDSContextHandle context);
NWCCODE ContextGet(NWDSContextHandle context, nuint32 key, nuint32& value);
NWCCODE ContextGet(NWDSContextHandle context, nuint32 key, char* text);  // 256-byte buffer
NWCCODE ContextSet(NWDSContextHandle context, nuint32 key, nuint32 value);
NWCCODE ContextSet(NWDSContextHandle context, nuint32 key, const char* text);
NWCCODE ObjectIdToNameByClient(NWDSContextHandle context, NWCONN_HANDLE conn, nuint32 objectID,
                               char* name);  // 256-byte buffer
