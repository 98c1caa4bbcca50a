#include "util/QtMessagePump.h"

#include <QCoreApplication>
#include <memory>
#include <optional>

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
    SetMessagePump(MakeThrottledPump([] { QCoreApplication::processEvents(); }, PumpInterval));
}
