// User names by object id: the directory-services lookup and the
// per-connection, most-recently-used cache in front of it.
#include <algorithm>

#include "netware/D_NW.h"

NWCCODE ObjectIdToName(NWDSContextHandle context, NWCONN_HANDLE conn, nuint32 objectID, std::string& name)
{
    char buffer[257] = {};
    const NWCCODE code = ObjectIdToNameByClient(context, conn, objectID, buffer);
    name = code == 0 ? std::string(buffer) : std::string();
    return code;
}

NWCCODE LookupObjectName(NWCONN_HANDLE conn, nuint32 objectID, std::string& name)
{
    name.clear();
    NWDSContextHandle context = 0;
    NWCCODE code = ContextCreate(context);
    if (code != 0)
        return code;

    code = AlignContextWithConn(context, conn);
    if (code == 0)
        code = ObjectIdToName(context, conn, objectID, name);
    const NWCCODE freeCode = ContextFree(context);
    if (code == 0)
        code = freeCode;
    if (code != 0)
        name.clear();
    return code;
}

NWCCODE CachedObjectName(NWCONN_HANDLE conn, nuint32 objectID, NameCache& cache, std::string& name)
{
    auto& entries = cache.Entries;
    if (cache.Connection != conn) {
        entries.clear();
        cache.Connection = conn;
    }

    // The scan asks for the same few deleting users over and over, so the
    // front of the list answers most calls.
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [objectID](const NameCacheEntry& e) { return e.objectID == objectID; });
    if (found != entries.end()) {
        std::rotate(entries.begin(), found, found + 1);
        name = entries.front().name;
        return 0;
    }

    std::string looked;
    const NWCCODE code = LookupObjectName(conn, objectID, looked);
    if (code != 0) {
        name.clear();
        return code;
    }
    if (entries.size() >= NameCache::MaxEntries)
        entries.pop_back();
    entries.insert(entries.begin(), NameCacheEntry{looked, objectID});
    name = std::move(looked);
    return 0;
}
