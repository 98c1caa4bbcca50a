// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/DateTime.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <string>

namespace {

constexpr bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// Days before each month in a common year; a leap day counts from March on.
constexpr int DaysBeforeMonth[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

// Days from 0001-01-01 to the given date (proleptic Gregorian calendar).
constexpr long DaysFromCivilStart(int year, int month, int day)
{
    long y = year - 1;
    long days = y * 365 + y / 4 - y / 100 + y / 400 + DaysBeforeMonth[month - 1];
    if (month > 2 && IsLeapYear(year))
        ++days;
    return days + day - 1;
}

TDateTime SystemNow()
{
    std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                          local.tm_sec > 59 ? 59 : local.tm_sec, 0);
}

Clock& Installed()
{
    static Clock clock = SystemNow;
    return clock;
}

} // namespace

bool IsValidDate(int year, int month, int day)
{
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

TDateTime EncodeTimeOnDay(long day, int hour, int minute, int second, int millisecond)
{
    if (static_cast<unsigned>(hour) > 23u || static_cast<unsigned>(minute) > 59u ||
        static_cast<unsigned>(second) > 59u || static_cast<unsigned>(millisecond) > 999u)
        throw DateTimeError("Invalid argument to date encode");
    const auto days = static_cast<double>(day);
    // The sum is a whole number of milliseconds, exact as an integer and as a double.
    const double time = static_cast<double>(hour * 3600000 + minute * 60000 + second * 1000 + millisecond) / 86400000.0;
    // Before the epoch the fraction counts away from zero, as the date-time type does.
    return days >= 0 ? days + time : days - time;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond)
{
    // The scan converts a deletion date for every file it tests, so the
    // checks are plain comparisons and the leap year is worked out once.
    if (static_cast<unsigned>(year - 1) > 9998u || static_cast<unsigned>(month - 1) > 11u || day < 1)
        throw DateTimeError("Invalid argument to date encode");
    static constexpr int daysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = IsLeapYear(year);
    if (day > daysInMonth[month - 1] + (leap && month == 2 ? 1 : 0))
        throw DateTimeError("Invalid argument to date encode");
    // Days from 0001-01-01; y is positive here, so the divisions need no sign fix.
    const auto y = static_cast<unsigned long>(year - 1);
    const long fromStart = static_cast<long>(y * 365 + y / 4 - y / 100 + y / 400) + DaysBeforeMonth[month - 1] +
                           (leap && month > 2 ? 1 : 0) + day - 1;
    constexpr long epoch = DaysFromCivilStart(1899, 12, 30);
    return EncodeTimeOnDay(fromStart - epoch, hour, minute, second, millisecond);
}

Clock SetClock(Clock clock)
{
    Clock previous = Installed();
    Installed() = clock ? std::move(clock) : Clock(SystemNow);
    return previous;
}

TDateTime Now() { return Installed()(); }

TDateTime Today() { return std::floor(Now()); }

std::tm CalendarParts(int year, int month, int day, int hour, int minute, int second)
{
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    return parts;
}
