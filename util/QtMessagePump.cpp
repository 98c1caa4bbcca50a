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

MessagePump MakeThrottledPump(MessagePump inner, std::chrono::steady_clock::duration interval, SteadyNow now,
                              int clockEvery)
{
    struct State {
        std::optional<std::chrono::steady_clock::time_point> last;
        int uncheckedCalls = 0;
    };
    auto state = std::make_shared<State>();
    return [inner = std::move(inner), interval, now = std::move(now), clockEvery, state] {
        if (state->last && ++state->uncheckedCalls < clockEvery)
            return;
        state->uncheckedCalls = 0;
        const auto t = now();
        if (state->last && t - *state->last < interval)
            return;
        state->last = t;
        if (inner)
            inner();
    };
}

void InstallQtMessagePump()
{
    SetMessagePump(
        MakeThrottledPump([] { QCoreApplication::processEvents(); }, PumpInterval, CoarseNow, PumpClockEvery));
}
