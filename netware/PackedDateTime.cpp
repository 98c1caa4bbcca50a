// SPDX-License-Identifier: GPL-3.0-or-later
// The packed deletion date-time of the clients (layout in PackedDateTime.h).
#include "netware/PackedDateTime.h"

#include <algorithm>
#include <tuple>

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

namespace {

bool Later(const std::tm& a, const std::tm& b)
{
    auto fields = [](const std::tm& t) {
        return std::make_tuple(t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    };
    return fields(a) > fields(b);
}

}  // namespace

nuint32 PackedLocalTime(const std::tm& local, const std::tm& now)
{
    const std::tm& when = Later(local, now) ? now : local;
    if (when.tm_year < 80)
        return PackDeletedDateTime(1980, 1, 1, 0, 0, 0);
    if (when.tm_year > 143)
        return PackDeletedDateTime(2043, 12, 31, 23, 59, 59);
    return PackDeletedDateTime(when.tm_year + 1900, when.tm_mon + 1, when.tm_mday, when.tm_hour, when.tm_min,
                               std::min(when.tm_sec, 59));
}

nuint32 PackedLocalTime(std::time_t when, const std::tm& now)
{
    std::tm local{};
    localtime_r(&when, &local);
    return PackedLocalTime(local, now);
}

std::tm LocalNow()
{
    const std::time_t clock = std::time(nullptr);
    std::tm now{};
    localtime_r(&clock, &now);
    return now;
}
