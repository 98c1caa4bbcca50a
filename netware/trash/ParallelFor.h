// SPDX-License-Identifier: GPL-3.0-or-later
// Spreading independent work over the processors.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

// Calls work(i) for every i below count and returns when every call has
// returned. Blocks of indexes go to as many threads as there are processors
// (the calling thread among them); a small count, or a system that cannot
// start a thread, runs on the calling thread alone. work must be safe to call
// from several threads at once, each i being given to exactly one of them.
// Each thread first calls threadSetup() and keeps what it returns until it is
// done (a guard setting up the thread, such as its file-system identity).
// The first exception raised on any thread stops the remaining work and is
// raised again on the calling thread once every thread has ended.
template <class Work, class ThreadSetup>
void ForEachInParallel(std::size_t count, const Work& work, const ThreadSetup& threadSetup)
{
    constexpr std::size_t Block = 256;
    const std::size_t blocks = (count + Block - 1) / Block;
    const std::size_t threads =
        std::min<std::size_t>({std::max(1u, std::thread::hardware_concurrency()), blocks, 8});
    std::atomic<std::size_t> next{0};
    std::mutex failureLock;
    std::exception_ptr failure;
    auto run = [&] {
        try {
            [[maybe_unused]] const auto setUp = threadSetup();
            for (std::size_t start; (start = next.fetch_add(Block)) < count;)
                for (std::size_t i = start, end = std::min(start + Block, count); i < end; ++i)
                    work(i);
        } catch (...) {
            next = count;  // nothing more is started anywhere
            const std::lock_guard<std::mutex> lock(failureLock);
            if (!failure)
                failure = std::current_exception();
        }
    };
    {
        std::vector<std::jthread> helpers;
        for (std::size_t t = 1; t < threads; ++t) {
            try {
                helpers.emplace_back(run);
            } catch (const std::system_error&) {
                break;
            }
        }
        run();
    }  // every helper has ended here
    if (failure)
        std::rethrow_exception(failure);
}

template <class Work>
void ForEachInParallel(std::size_t count, const Work& work)
{
    ForEachInParallel(count, work, [] { return 0; });
}
