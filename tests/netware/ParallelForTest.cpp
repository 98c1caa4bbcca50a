// SPDX-License-Identifier: GPL-3.0-or-later
// Work spread over threads: each index once, each thread set up, and an
// exception on any thread carried back to the caller.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "netware/trash/ParallelFor.h"

namespace {

TEST(ParallelForTest, EveryIndexOnceEveryThreadSetUpAndAFailureRaisedOnTheCaller)
{
    std::vector<std::atomic<int>> calls(5000);
    std::atomic<int> setUps{0};
    ForEachInParallel(
        calls.size(), [&](std::size_t i) { ++calls[i]; },
        [&] { return ++setUps; });
    for (const auto& count : calls)
        ASSERT_EQ(count, 1);
    EXPECT_GE(setUps, 1);

    std::atomic<int> done{0};
    EXPECT_THROW(ForEachInParallel(calls.size(),
                                   [&](std::size_t i) {
                                       if (i == 4000)
                                           throw std::runtime_error("unreadable");
                                       ++done;
                                   }),
                 std::runtime_error);
    EXPECT_LT(done, 5000);
    EXPECT_THROW(ForEachInParallel(
                     10, [](std::size_t) {}, []() -> int { throw std::runtime_error("no identity"); }),
                 std::runtime_error)
        << "a thread that cannot be set up does no work and says so";
}

// Work that waits may run on more threads than there are processors: each
// asked-for thread is set up once and the indexes still go out once each.
TEST(ParallelForTest, MoreThreadsThanProcessorsWhenAskedEachIndexStillOnce)
{
    for (const std::size_t count : {std::size_t{0}, std::size_t{40}, std::size_t{5000}}) {
        SCOPED_TRACE(count);
        std::vector<std::atomic<int>> calls(count);
        std::atomic<std::size_t> setUps{0};
        ForEachInParallel(
            count, [&](std::size_t i) { ++calls[i]; }, [&] { return ++setUps; }, 12);
        for (const auto& n : calls)
            ASSERT_EQ(n, 1);
        // Small blocks: 40 items are two of them, 5000 reach every thread.
        EXPECT_EQ(setUps, count == 0 ? 1u : count == 40 ? 2u : 12u);
    }
}

}  // namespace
