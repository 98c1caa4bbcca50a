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

TEST(ThrottledPump, ReadsTheClockOnEveryNthCallOnly)
{
    steady_clock::time_point t{};
    int pumped = 0;
    int clockReads = 0;
    MessagePump pump = MakeThrottledPump([&] { ++pumped; }, milliseconds(5), [&] { ++clockReads; return t; }, 4);
    pump();
    EXPECT_EQ(clockReads, 1);
    EXPECT_EQ(pumped, 1);
    t += milliseconds(10);  // due, but noticed only at the fourth call after the first
    for (int i = 0; i < 3; ++i)
        pump();
    EXPECT_EQ(clockReads, 1);
    EXPECT_EQ(pumped, 1);
    pump();
    EXPECT_EQ(clockReads, 2);
    EXPECT_EQ(pumped, 2);
    for (int i = 0; i < 8; ++i)  // not due: two more readings, no pump
        pump();
    EXPECT_EQ(clockReads, 4);
    EXPECT_EQ(pumped, 2);
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
