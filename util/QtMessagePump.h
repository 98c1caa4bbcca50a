// SPDX-License-Identifier: GPL-3.0-or-later
// The program's message pump: processes pending window events, but at most
// once per interval, so that calling it after every file of a long scan costs
// next to nothing while the window still stays responsive.
#pragma once

#include "util/MessagePump.h"

#include <chrono>
#include <functional>

// Input is answered within a few hundredths of a second while the scan pays
// for a round of event processing only every so often; the result list
// repaints at most every 40 ms anyway.
inline constexpr std::chrono::milliseconds PumpInterval{12};

using SteadyNow = std::function<std::chrono::steady_clock::time_point()>;

// The program's pump is reached by every 8th call only: a scan calls it twice
// per file, a few microseconds apart, so even the cheapest clock reading would
// cost more than the rest of the call, and the interval stays exact to a few
// microseconds.
inline constexpr int PumpClockEvery = 8;

// A pump that calls inner on its first call and then only when interval has
// passed since the last time it did; other calls return at once.
MessagePump MakeThrottledPump(MessagePump inner, std::chrono::steady_clock::duration interval,
                              SteadyNow now = std::chrono::steady_clock::now);

// Installs the throttled QCoreApplication::processEvents().
void InstallQtMessagePump();
