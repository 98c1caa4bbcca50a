// User names by object id: the directory-services lookup and the
// per-connection, most-recently-used cache in front of it.
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

void NameCacheEntries::clear()
{
    list_.clear();
    index_.clear();
}

const NameCacheEntry* NameCacheEntries::Use(nuint32 objectID)
{
    // The scan asks for the same few deleting users over and over: the front
    // entry answers without a lookup in the index.
    if (!list_.empty() && list_.front().objectID == objectID)
        return &list_.front();
    const auto found = index_.find(objectID);
    if (found == index_.end())
        return nullptr;
    list_.splice(list_.begin(), list_, found->second);
    return &list_.front();
}

const NameCacheEntry& NameCacheEntries::Add(NameCacheEntry entry, std::size_t maxEntries)
{
    while (!list_.empty() && list_.size() >= maxEntries) {
        index_.erase(list_.back().objectID);
        list_.pop_back();
    }
    list_.push_front(std::move(entry));
    index_[list_.front().objectID] = list_.begin();
    return list_.front();
}

NWCCODE CachedObjectName(NWCONN_HANDLE conn, nuint32 objectID, NameCache& cache, std::string& name)
{
    if (cache.Connection != conn) {
        cache.Entries.clear();
        cache.Connection = conn;
    }
    if (const NameCacheEntry* entry = cache.Entries.Use(objectID)) {
        name = entry->name;
        return 0;
    }

    std::string looked;
    const NWCCODE code = LookupObjectName(conn, objectID, looked);
    if (code != 0) {
        name.clear();
        return code;
    }
    name = cache.Entries.Add(NameCacheEntry{std::move(looked), objectID}, NameCache::MaxEntries).name;
    return 0;
}
