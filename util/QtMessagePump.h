// The program's message pump: processes pending window events, but at most
// once per interval, so that calling it after every file of a long scan costs
// next to nothing while the window still stays responsive.
#pragma once

#include "util/MessagePump.h"

#include <chrono>
#include <functional>

inline constexpr std::chrono::milliseconds PumpInterval{5};

using SteadyNow = std::function<std::chrono::steady_clock::time_point()>;

// A pump that calls inner on its first call and then only when interval has
// passed since the last time it did; other calls return at once.
MessagePump MakeThrottledPump(MessagePump inner, std::chrono::steady_clock::duration interval,
                              SteadyNow now = std::chrono::steady_clock::now);

// Installs the throttled QCoreApplication::processEvents().
void InstallQtMessagePump();
