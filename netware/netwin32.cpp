// SPDX-License-Identifier: GPL-3.0-or-later
// netwin32 operations, forwarded to the installed back end.
#include "netware/netwin32.h"

#include "netware/ClientForward.h"

using clientdetail::Forward;

NWCCODE ContextCreate(NWDSContextHandle& context)
{
    return Forward([&](NWClientBackend& b) { return b.ContextCreate(context); });
}

NWCCODE ContextFree(NWDSContextHandle context)
{
    return Forward([&](NWClientBackend& b) { return b.ContextFree(context); });
}

NWCCODE ContextGet(NWDSContextHandle context, nuint32 key, nuint32& value)
{
    return Forward([&](NWClientBackend& b) { return b.ContextGet(context, key, value); });
}

NWCCODE ContextGet(NWDSContextHandle context, nuint32 key, char* text)
{
    return Forward([&](NWClientBackend& b) { return b.ContextGet(context, key, text); });
}

NWCCODE ContextSet(NWDSContextHandle context, nuint32 key, nuint32 value)
{
    return Forward([&](NWClientBackend& b) { return b.ContextSet(context, key, value); });
}

NWCCODE ContextSet(NWDSContextHandle context, nuint32 key, const char* text)
{
    return Forward([&](NWClientBackend& b) { return b.ContextSet(context, key, text); });
}

NWCCODE ObjectIdToNameByClient(NWDSContextHandle context, NWCONN_HANDLE conn, nuint32 objectID, char* name)
{
    return Forward([&](NWClientBackend& b) { return b.ObjectIdToNameByClient(context, conn, objectID, name); });
}
