// SPDX-License-Identifier: GPL-3.0-or-later
// The throttled message pump: the first call pumps, calls within the interval
// return at once, the next call after it pumps again.
#include "util/QtMessagePump.h"

#include <QTimer>
#include <thread>
#include <gtest/gtest.h>

using namespace std::chrono;

TEST(ThrottledPump, PumpsAtMostOncePerInterval)
{
    steady_clock::time_point t{};
    int pumped = 0;
    MessagePump pump = MakeThrottledPump([&] { ++pumped; }, milliseconds(5), [&] { return t; });

    pump();
    EXPECT_EQ(pumped, 1);
    for (int i = 0; i < 1000; ++i) {
        t += microseconds(4);  // 4 ms in all, still inside the interval
        pump();
    }
    EXPECT_EQ(pumped, 1);
    t += milliseconds(1);
    pump();
    EXPECT_EQ(pumped, 2);
    pump();
    EXPECT_EQ(pumped, 2);
    t += milliseconds(50);
    pump();
    EXPECT_EQ(pumped, 3);
}

TEST(ThrottledPump, IntervalCountsFromTheLastRealPump)
{
    steady_clock::time_point t{};
    int pumped = 0;
    MessagePump pump = MakeThrottledPump([&] { ++pumped; }, milliseconds(5), [&] { return t; });
    pump();
    for (int i = 0; i < 20; ++i) {  // one call every 3 ms: every second one pumps
        t += milliseconds(3);
        pump();
    }
    EXPECT_EQ(pumped, 11);
}

// Installed to be reached by every n-th call, a pump sees the first call after
// its installation and then every n-th; a new installation starts the count
// again.
TEST(MessagePumpGate, EveryNthCallReachesThePump)
{
    int pumped = 0;
    MessagePump previous = SetMessagePump([&] { ++pumped; }, 4);
    PumpMessages();
    EXPECT_EQ(pumped, 1);
    for (int i = 0; i < 3; ++i)
        PumpMessages();
    EXPECT_EQ(pumped, 1);
    PumpMessages();
    EXPECT_EQ(pumped, 2);
    for (int i = 0; i < 8; ++i)
        PumpMessages();
    EXPECT_EQ(pumped, 4);

    PumpMessages();  // one call into the next round of four
    SetMessagePump([&] { pumped += 10; });
    PumpMessages();
    PumpMessages();
    EXPECT_EQ(pumped, 24);
    SetMessagePump(previous);
}

TEST(QtMessagePump, InstalledPumpProcessesPendingEvents)
{
    MessagePump previous = SetMessagePump(nullptr);
    InstallQtMessagePump();
    bool delivered = false;
    QTimer::singleShot(0, [&] { delivered = true; });
    for (int i = 0; i < 200 && !delivered; ++i) {
        PumpMessages();
        std::this_thread::sleep_for(PumpInterval);
    }
    SetMessagePump(previous);
    EXPECT_TRUE(delivered);
}
