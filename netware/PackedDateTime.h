// SPDX-License-Identifier: GPL-3.0-or-later
// The packed deletion date-time the program's clients hand out: full seconds
// and room for invalid parts (month 0, day 31 in February, hour 25...):
//   bits 31..26 year - 1980 (1980..2043), 25..22 month (0..15), 21..17 day (0..31),
//   16..12 hour (0..31), 11..6 minute (0..63), 5..0 second (0..63).
// Parts beyond a field's range are cut to the field's bits.
#pragma once

#include <ctime>

#include "netware/ntypes.h"

nuint32 PackDeletedDateTime(int year, int month, int day, int hour, int minute, int second);
void UnpackDeletedDateTime(nuint32 packed, NW_DATE& date, NW_TIME& time);

// A local date and time as a deleted file's packed date-time: one later than
// now counts as now (the store's word against the clock), and one outside
// the packed years as the nearest end of them. Compared field by field,
// without mktime, which resets the time zone on every call and so is no
// friend of reading threads.
nuint32 PackedLocalTime(const std::tm& local, const std::tm& now);
nuint32 PackedLocalTime(std::time_t when, const std::tm& now);
// The local date and time of now.
std::tm LocalNow();
