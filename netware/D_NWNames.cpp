// SPDX-License-Identifier: GPL-3.0-or-later
// User names by object id: the directory-services lookup and the
// per-connection, most-recently-used cache in front of it.
#include "netware/D_NW.h"

#include <algorithm>

NWCCODE ObjectIdToName(NWDSContextHandle context, NWCONN_HANDLE conn, nuint32 objectID, std::string& name)
{
    // Run for every name the cache cannot answer: only the first and the
    // last character are set in advance, the client writes the rest.
    char buffer[257];
    buffer[0] = buffer[256] = '\0';
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
    slots_.clear();
    index_.clear();
    recent_.fill(Recent{});
}

std::size_t NameCacheEntries::LeastRecent() const
{
    const auto oldest = std::min_element(slots_.begin(), slots_.end(),
                                         [](const Slot& a, const Slot& b) { return a.lastUse < b.lastUse; });
    return static_cast<std::size_t>(oldest - slots_.begin());
}

const NameCacheEntry& NameCacheEntries::front() const
{
    return slots_[mostRecent_].entry;
}

const NameCacheEntry& NameCacheEntries::back() const
{
    return slots_[LeastRecent()].entry;
}

const NameCacheEntry& NameCacheEntries::operator[](std::size_t index) const
{
    std::vector<const Slot*> order;
    for (const Slot& slot : slots_)
        order.push_back(&slot);
    std::sort(order.begin(), order.end(), [](const Slot* a, const Slot* b) { return a->lastUse > b->lastUse; });
    return order.at(index)->entry;
}

const NameCacheEntry* NameCacheEntries::UseFromIndex(nuint32 objectID)
{
    const auto found = index_.find(objectID);
    if (found == index_.end())
        return nullptr;
    RecentOf(objectID) = Recent{objectID, static_cast<std::uint32_t>(found->second + 1)};
    return UseSlot(found->second);
}

const NameCacheEntry& NameCacheEntries::Add(NameCacheEntry entry, std::size_t maxEntries)
{
    while (!slots_.empty() && slots_.size() >= maxEntries) {
        // The last slot moves into the dropped one's place.
        const std::size_t dropped = LeastRecent();
        const nuint32 droppedID = slots_[dropped].entry.objectID;
        index_.erase(droppedID);
        if (RecentOf(droppedID).objectID == droppedID)
            RecentOf(droppedID) = Recent{};
        if (dropped != slots_.size() - 1) {
            slots_[dropped] = std::move(slots_.back());
            const nuint32 movedID = slots_[dropped].entry.objectID;
            index_[movedID] = dropped;
            if (RecentOf(movedID).objectID == movedID && RecentOf(movedID).slotPlusOne != 0)
                RecentOf(movedID).slotPlusOne = static_cast<std::uint32_t>(dropped + 1);
        }
        slots_.pop_back();
    }
    const nuint32 id = entry.objectID;
    slots_.push_back(Slot{std::move(entry), ++clock_});
    mostRecent_ = slots_.size() - 1;
    index_[id] = mostRecent_;
    RecentOf(id) = Recent{id, static_cast<std::uint32_t>(mostRecent_ + 1)};
    return slots_.back().entry;
}

const std::string* CachedObjectNameLookup(NWCONN_HANDLE conn, nuint32 objectID, NameCache& cache, NWCCODE& code)
{
    code = 0;
    if (cache.Connection != conn) {
        cache.Entries.clear();
        cache.Connection = conn;
    }
    if (const NameCacheEntry* entry = cache.Entries.Use(objectID))
        return &entry->name;

    std::string looked;
    code = LookupObjectName(conn, objectID, looked);
    if (code != 0)
        return nullptr;
    return &cache.Entries.Add(NameCacheEntry{std::move(looked), objectID}, NameCache::MaxEntries).name;
}

NWCCODE CachedObjectName(NWCONN_HANDLE conn, nuint32 objectID, NameCache& cache, std::string& name)
{
    NWCCODE code = 0;
    const std::string* found = CachedObjectNameRef(conn, objectID, cache, code);
    if (found)
        name = *found;
    else
        name.clear();
    return code;
}
