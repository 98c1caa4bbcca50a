// SPDX-License-Identifier: GPL-3.0-or-later
// The packed deletion date-time of the clients (layout in PackedDateTime.h).
#include "netware/PackedDateTime.h"

namespace {

nuint32 Field(int value, int bits, int shift)
{
    return (static_cast<nuint32>(value) & ((1u << bits) - 1)) << shift;
}

int Part(nuint32 packed, int bits, int shift) { return static_cast<int>((packed >> shift) & ((1u << bits) - 1)); }

}  // namespace

nuint32 PackDeletedDateTime(int year, int month, int day, int hour, int minute, int second)
{
    return Field(year - 1980, 6, 26) | Field(month, 4, 22) | Field(day, 5, 17) | Field(hour, 5, 12) |
           Field(minute, 6, 6) | Field(second, 6, 0);
}

void UnpackDeletedDateTime(nuint32 packed, NW_DATE& date, NW_TIME& time)
{
    date.year = static_cast<nuint16>(1980 + Part(packed, 6, 26));
    date.month = static_cast<nuint8>(Part(packed, 4, 22));
    date.day = static_cast<nuint8>(Part(packed, 5, 17));
    time.hours = static_cast<nuint16>(Part(packed, 5, 12));
    time.minutes = static_cast<nuint8>(Part(packed, 6, 6));
    time.seconds = static_cast<nuint8>(Part(packed, 6, 0));
}
