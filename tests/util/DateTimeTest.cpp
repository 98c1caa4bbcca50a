// SPDX-License-Identifier: GPL-3.0-or-later
// Encoding calendar dates as day counts, and the replaceable clock.
#include "util/DateTime.h"

#include <gtest/gtest.h>

TEST(EncodeDateTime, KnownDaysAndTimes)
{
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 30, 0, 0, 0, 0), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 31, 0, 0, 0, 0), 1.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1900, 3, 1, 0, 0, 0, 0), 61.0);  // 1900 has no 29 February
    EXPECT_DOUBLE_EQ(EncodeDateTime(2000, 1, 1, 0, 0, 0, 0), 36526.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(2000, 3, 1, 0, 0, 0, 0), 36586.0);  // 2000 has one
    EXPECT_DOUBLE_EQ(EncodeDateTime(2000, 1, 1, 12, 0, 0, 0), 36526.5);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
    EXPECT_NEAR(EncodeDateTime(1999, 12, 31, 23, 59, 7, 0), 36525 + (23 * 3600 + 59 * 60 + 7) / 86400.0, 1e-9);
}

TEST(EncodeDateTime, EveryValidDateIsOneDayAfterTheDayBefore)
{
    double previous = EncodeDateTime(1, 1, 1, 0, 0, 0, 0);
    EXPECT_DOUBLE_EQ(previous, -693593.0);
    for (int year = 1; year <= 9999; ++year)
        for (int month = 1; month <= 12; ++month)
            for (int day = 1; day <= 31 && IsValidDate(year, month, day); ++day) {
                if (year == 1 && month == 1 && day == 1)
                    continue;
                const double days = EncodeDateTime(year, month, day, 0, 0, 0, 0);
                ASSERT_EQ(days, previous + 1) << year << '-' << month << '-' << day;
                previous = days;
            }
    EXPECT_DOUBLE_EQ(previous, 2958465.0);  // 9999-12-31
}

TEST(EncodeDateTime, InvalidPartsRaise)
{
    EXPECT_THROW(EncodeDateTime(1900, 2, 29, 0, 0, 0, 0), DateTimeError);
    EXPECT_THROW(EncodeDateTime(2023, 13, 1, 0, 0, 0, 0), DateTimeError);
    EXPECT_THROW(EncodeDateTime(2023, 4, 31, 0, 0, 0, 0), DateTimeError);
    EXPECT_THROW(EncodeDateTime(2023, 1, 0, 0, 0, 0, 0), DateTimeError);
    EXPECT_THROW(EncodeDateTime(0, 1, 1, 0, 0, 0, 0), DateTimeError);
    EXPECT_THROW(EncodeDateTime(2023, 1, 1, 24, 0, 0, 0), DateTimeError);
    EXPECT_THROW(EncodeDateTime(2023, 1, 1, 0, 60, 0, 0), DateTimeError);
    EXPECT_THROW(EncodeDateTime(2023, 1, 1, 0, 0, 60, 0), DateTimeError);
    EXPECT_THROW(EncodeDateTime(2023, 1, 1, 0, 0, 0, 1000), DateTimeError);
    EXPECT_NO_THROW(EncodeDateTime(2024, 2, 29, 23, 59, 59, 999));
}

TEST(Clock, ReplaceableAndTodayIsMidnight)
{
    Clock previous = SetClock([] { return 36526.75; });
    EXPECT_DOUBLE_EQ(Now(), 36526.75);
    EXPECT_DOUBLE_EQ(Today(), 36526.0);
    SetClock(previous);
    SetClock(nullptr);
    EXPECT_GT(Now(), EncodeDateTime(2020, 1, 1, 0, 0, 0, 0));
}
