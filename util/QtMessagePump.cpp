// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/QtMessagePump.h"

#include <QCoreApplication>
#include <ctime>
#include <memory>
#include <optional>

namespace {

// The monotonic clock at the resolution of the system tick (a few
// milliseconds): the pump reads it after every file of a scan, and this
// reading costs a fraction of a precise one, while a tick is still small
// against the pump's interval.
std::chrono::steady_clock::time_point CoarseNow()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return std::chrono::steady_clock::time_point(std::chrono::seconds(now.tv_sec) +
                                                 std::chrono::nanoseconds(now.tv_nsec));
}

}  // namespace

MessagePump MakeThrottledPump(MessagePump inner, std::chrono::steady_clock::duration interval, SteadyNow now)
{
    auto last = std::make_shared<std::optional<std::chrono::steady_clock::time_point>>();
    return [inner = std::move(inner), interval, now = std::move(now), last] {
        const auto t = now();
        if (*last && t - **last < interval)
            return;
        *last = t;
        if (inner)
            inner();
    };
}

void InstallQtMessagePump()
{
    SetMessagePump(MakeThrottledPump([] { QCoreApplication::processEvents(); }, PumpInterval, CoarseNow),
                   PumpClockEvery);
}
