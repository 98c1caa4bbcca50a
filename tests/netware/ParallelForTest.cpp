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

}  // namespace
