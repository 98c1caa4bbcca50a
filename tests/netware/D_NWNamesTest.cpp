// SPDX-License-Identifier: GPL-3.0-or-later
// User names by object id: the lookup in a context of its own, and the
// most-recently-used cache per connection.
#include <gtest/gtest.h>

#include <algorithm>
#include <list>

#include "netware/D_NW.h"
#include "tests/netware/FakeClient.h"

namespace {

class NamesTest : public testing::Test {
protected:
    void SetUp() override
    {
        client.connections = {{"SRV1", "TREE1"}, {"SRV2", "TREE1"}};
        for (nuint32 id = 1; id <= 1100; ++id)
            client.users[id] = "USER" + std::to_string(id);
    }

    std::string Name(NWCONN_HANDLE conn, nuint32 id)
    {
        std::string name = "stale";
        EXPECT_EQ(CachedObjectName(conn, id, cache, name), 0) << id;
        return name;
    }

    FakeClient client;
    NameCache cache;
};

TEST_F(NamesTest, LookupUsesAContextOfItsOwnAndFreesIt)
{
    std::string name;
    EXPECT_EQ(LookupObjectName(101, 7, name), 0);
    EXPECT_EQ(name, "USER7");
    EXPECT_EQ(client.OpenContexts(), 0u);
    EXPECT_EQ(client.ContextSets(DCK_TREE_NAME), 1);

    EXPECT_EQ(LookupObjectName(101, 5000, name), ERR_NO_SUCH_OBJECT);
    EXPECT_EQ(name, "");
    EXPECT_EQ(client.OpenContexts(), 0u);
}

TEST_F(NamesTest, LookupOnAConnectionWithoutTreeSkipsTheClientLookup)
{
    std::string name = "x";
    EXPECT_EQ(LookupObjectName(999, 7, name), ERR_INVALID_CONNECTION);
    EXPECT_EQ(name, "");
    EXPECT_TRUE(client.lookedUpIds.empty());
    EXPECT_EQ(client.OpenContexts(), 0u);
}

TEST_F(NamesTest, RepeatedIdIsAnsweredFromTheCache)
{
    EXPECT_EQ(Name(101, 1), "USER1");
    EXPECT_EQ(Name(101, 2), "USER2");
    EXPECT_EQ(Name(101, 1), "USER1");
    EXPECT_EQ(Name(101, 1), "USER1");
    EXPECT_EQ(client.lookedUpIds, (std::vector<nuint32>{1, 2}));
    ASSERT_EQ(cache.Entries.size(), 2u);
    EXPECT_EQ(cache.Entries[0].objectID, 1u);  // moved to the front
}

TEST_F(NamesTest, The1002ndIdEvictsTheLeastRecentlyUsed)
{
    for (nuint32 id = 1; id <= 1001; ++id)
        Name(101, id);
    Name(101, 1);  // now id 2 is the least recently used
    EXPECT_EQ(cache.Entries.size(), 1001u);

    Name(101, 1002);
    EXPECT_EQ(cache.Entries.size(), 1001u);
    EXPECT_EQ(cache.Entries.front().objectID, 1002u);
    EXPECT_EQ(cache.Entries.back().objectID, 3u);
    client.lookedUpIds.clear();

    Name(101, 1);
    Name(101, 3);
    EXPECT_TRUE(client.lookedUpIds.empty());
    Name(101, 2);
    EXPECT_EQ(client.lookedUpIds, std::vector<nuint32>{2});
}

TEST_F(NamesTest, ConnectionSwitchEmptiesTheCacheEvenWhenSwitchingBack)
{
    Name(101, 1);
    Name(102, 1);
    Name(101, 1);
    EXPECT_EQ(client.lookedUpIds, (std::vector<nuint32>{1, 1, 1}));
    EXPECT_EQ(cache.Connection, 101u);
    EXPECT_EQ(cache.Entries.size(), 1u);
}

TEST_F(NamesTest, FailedLookupIsNotCachedButAnEmptyNameIs)
{
    client.users[50] = "";
    std::string name = "stale";
    EXPECT_EQ(CachedObjectName(101, 4711, cache, name), ERR_NO_SUCH_OBJECT);
    EXPECT_EQ(name, "");
    EXPECT_EQ(CachedObjectName(101, 4711, cache, name), ERR_NO_SUCH_OBJECT);
    EXPECT_EQ(Name(101, 50), "");
    EXPECT_EQ(Name(101, 50), "");
    EXPECT_EQ(client.lookedUpIds, (std::vector<nuint32>{4711, 4711, 50}));
}

}  // namespace

// The entries against a plain most-recently-used list over a long run of uses
// and additions with a small limit: same contents, same order, same drops.
TEST(NameCacheEntriesTest, KeepsTheOrderOfAMostRecentlyUsedList)
{
    NameCacheEntries entries;
    std::list<nuint32> model;  // most recent first
    constexpr std::size_t Max = 5;
    std::uint32_t seed = 12345;
    for (int step = 0; step < 2000; ++step) {
        seed = seed * 1103515245u + 12345u;
        const nuint32 id = (seed >> 16) % 9 * 128;  // ids that share their low bits
        const NameCacheEntry* hit = entries.Use(id);
        const auto inModel = std::find(model.begin(), model.end(), id);
        ASSERT_EQ(hit != nullptr, inModel != model.end()) << "step " << step;
        if (hit) {
            EXPECT_EQ(hit->name, "N" + std::to_string(id));
            model.splice(model.begin(), model, inModel);
        } else {
            entries.Add(NameCacheEntry{"N" + std::to_string(id), id}, Max);
            if (model.size() >= Max)
                model.pop_back();
            model.push_front(id);
        }
        ASSERT_EQ(entries.size(), model.size());
        std::size_t i = 0;
        for (nuint32 expected : model)
            ASSERT_EQ(entries[i++].objectID, expected) << "step " << step;
        EXPECT_EQ(entries.back().objectID, model.back());
    }
}
