// SPDX-License-Identifier: GPL-3.0-or-later
// Date-time values as the program computes with them: days since 1899-12-30 as a
// double, the fraction being the time of day. "Now" comes from one replaceable
// clock, so date arithmetic is tested on fixed dates.
#pragma once

#include <ctime>
#include <functional>
#include <stdexcept>

using TDateTime = double;

class DateTimeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raises DateTimeError when the parts form no valid calendar date and time.
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond);
// The time of day on a day given as days since 1899-12-30; raises
// DateTimeError as EncodeDateTime does for parts out of range.
TDateTime EncodeTimeOnDay(long day, int hour, int minute, int second, int millisecond);
bool IsValidDate(int year, int month, int day);
// The parts as a std::tm with the offset and summer time left unset (zero);
// the caller has checked that they form a valid date and time.
std::tm CalendarParts(int year, int month, int day, int hour, int minute, int second);

using Clock = std::function<TDateTime()>;

// Installs a clock and returns the previous one; an empty clock restores the
// system clock (local time).
Clock SetClock(Clock clock);
TDateTime Now();
TDateTime Today();   // Now() at 00:00
