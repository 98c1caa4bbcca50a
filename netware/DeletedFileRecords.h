// SPDX-License-Identifier: GPL-3.0-or-later
// The deleted-file iteration of back ends that keep a folder's deleted files
// as a list of numbers into an index of their own: which record comes next,
// and the record as NextDeletedFile hands it out.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "netware/ntypes.h"

// The iteration handle is the number of the record returned last (its index
// + 1), 0xFFFFFFFF before the first; the next one is the first unpurged entry
// of the ascending list with a greater number, which stays right when the last
// one has been purged meanwhile. nullopt at the end of the list.
template <typename List, typename IsPurged>
std::optional<std::size_t> NextUnpurged(const List& list, nuint32 iterHandle, IsPurged isPurged)
{
    auto next = iterHandle == 0xFFFFFFFFu ? list.begin() : std::upper_bound(list.begin(), list.end(), iterHandle - 1);
    while (next != list.end() && isPurged(*next))
        ++next;
    if (next == list.end())
        return std::nullopt;
    return static_cast<std::size_t>(*next);
}

// The entry a purge's iteration handle names, when that entry is one of the
// folder's ascending list and a file name was given; nullopt otherwise.
template <typename List>
std::optional<std::size_t> ListedInFolder(const List& list, nuint32 iterHandle, const char* fileName)
{
    const auto item = static_cast<std::size_t>(iterHandle) - 1;
    if (iterHandle == 0 || !fileName || !std::binary_search(list.begin(), list.end(), item))
        return std::nullopt;
    return item;
}

struct DeletedRecordValues {
    std::size_t number = 0;  // the entry's index in the back end's own list
    nuint32 parent = 0;      // its folder
    nuint32 attributes = 0;
    const std::string& name;  // as shown; whole in the record
    std::uint64_t size = 0;
    nuint32 deleted = 0;  // packed deletion date-time
    nuint32 deletor = 0;  // the deleting user's object id
    // The space it takes on the disk, where the back end can tell it.
    std::optional<std::uint64_t> allocated = std::nullopt;
};

// Whether a purge's file name is the whole name the record of that entry was
// listed with; never for a null name.
bool IsListedName(std::string_view name, const char* fileName);

// Fills the record and the iteration handle that leads past it.
void FillDeletedRecord(const DeletedRecordValues& values, NWDELETED_INFO& record, nuint32& iterHandle);
