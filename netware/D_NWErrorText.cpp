// SPDX-License-Identifier: GPL-3.0-or-later
// Completion codes as text, the error box for failed client calls, and packed
// date-times as text and as date-time values.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "netware/D_NW.h"
#include "netware/NWClientBackend.h"
#include "netware/ShownName.h"
#include "util/DecimalDigits.h"
#include "util/MessageBox.h"

namespace {
const char* const UnknownError = "Unknown error";

// The C library's message for an error number, standing in for the system
// message table: empty when it has none for the number, and without trailing
// control characters, blanks and full stops.
std::string SystemMessageText(nuint32 code)
{
    char buffer[256] = {};
    const char* text = strerror_r(static_cast<int>(code), buffer, sizeof buffer);
    std::string message = text ? text : "";
    // glibc names the numbers it does not know "Unknown error N".
    if (message.rfind(UnknownError, 0) == 0)
        return {};
    while (!message.empty()) {
        const unsigned char last = static_cast<unsigned char>(message.back());
        if (last > ' ' && last != '.')
            break;
        message.pop_back();
    }
    return message;
}

std::string Format(const char* format, auto... args)
{
    char buffer[64];
    const int length = std::snprintf(buffer, sizeof buffer, format, args...);
    return std::string(buffer, length < 0 ? 0 : std::min<std::size_t>(length, sizeof buffer - 1));
}
}  // namespace

std::string NWErrorText(nuint32 code)
{
    std::string text = Format("0x%.4X", code);

    NWClientBackend* backend = ClientBackend();
    // Loaded afresh for every text and released at the end of this call.
    std::unique_ptr<NWErrorTextLibrary> library = backend ? backend->LoadErrorTextLibrary() : nullptr;
    if (!library)
        return text;

    std::string message = UnknownError;
    if (library->HasStrerror())
        message = library->NWstrerror(code);
    if (message == UnknownError)
        message = SystemMessageText(code);
    return text + " (" + message + ")";
}

namespace {
bool ToldByBackend(nuint32 code)
{
    const NWClientBackend* backend = ClientBackend();
    return backend && backend->ReportsFailureItself(static_cast<NWCCODE>(code));
}
}  // namespace

void ReportNWError(nuint32 code, const std::string& operation)
{
    if (code == 0 || ToldByBackend(code))
        return;
    MessageBoxOK(MsgDlgType::Error, operation + " returned error " + NWErrorText(code));
}

void ReportNWError(nuint32 code, const std::string& operation, const std::string& place)
{
    if (code == 0 || ToldByBackend(code))
        return;
    // The place may come from a typed start path: its control characters are shown escaped.
    MessageBoxOK(MsgDlgType::Error, operation + " returned error " + NWErrorText(code) + " for " + ShownText(place));
}

namespace {
ResultNoteSink& InstalledNoteSink()
{
    static ResultNoteSink sink;
    return sink;
}
}  // namespace

ResultNoteSink SetResultNoteSink(ResultNoteSink sink)
{
    std::swap(InstalledNoteSink(), sink);
    return sink;
}

bool AddResultNote(const std::string& line)
{
    const ResultNoteSink& sink = InstalledNoteSink();
    if (sink)
        sink(line);
    return static_cast<bool>(sink);
}

void UnpackPackedDateTime(nuint32 packed, NW_DATE& date, NW_TIME& time)
{
    date = {};
    time = {};
    UnpackDateTime(packed, date, time);
}

char* PutPackedDateTimeText(char* out, nuint32 packed)
{
    NW_DATE date;
    NW_TIME time;
    UnpackPackedDateTime(packed, date, time);
    return PutDateTimeText(out, date, time);
}

char* PutDateTimeText(char* out, const NW_DATE& date, const NW_TIME& time)
{
    out = PutDecimal(out, date.year, 4);
    *out++ = '-';
    out = PutDecimal(out, date.month, 2);
    *out++ = '-';
    out = PutDecimal(out, date.day, 2);
    *out++ = ' ';
    out = PutDecimal(out, time.hours, 2);
    *out++ = ':';
    out = PutDecimal(out, time.minutes, 2);
    *out++ = ':';
    return PutDecimal(out, time.seconds, 2);
}

std::string PackedDateTimeText(nuint32 packed)
{
    char text[PackedDateTimeTextMaxLength];
    return std::string(text, PutPackedDateTimeText(text, packed));
}

TDateTime PackedToDateTime(nuint32 packed)
{
    NW_DATE date;
    NW_TIME time;
    UnpackPackedDateTime(packed, date, time);
    return DateTimeOfParts(date, time);
}

namespace {

// The day numbers of the dates a packed date-time can hold (1980 to 2107),
// worked out once per date: the scan converts a deletion date for every file
// it tests, and a volume's files share a few thousand dates at most. 0 is
// not yet known, -1 no valid date.
class PackedDateDays {
public:
    static constexpr int FirstYear = 1980, Years = 128;

    // The day number of a valid date in the range, else -1 (EncodeDateTime
    // tells why).
    long Of(const NW_DATE& date)
    {
        const unsigned year = static_cast<unsigned>(date.year - FirstYear);
        if (year >= Years || date.month > 15 || date.day > 31)
            return -1;
        std::int32_t& day = days_[year << 9 | unsigned(date.month) << 5 | date.day];
        if (day == 0)
            day = IsValidDate(date.year, date.month, date.day)
                      ? static_cast<std::int32_t>(EncodeDateTime(date.year, date.month, date.day, 0, 0, 0, 0))
                      : -1;
        return day;
    }

private:
    std::array<std::int32_t, Years << 9> days_{};
};

} // namespace

long PackedDateDayNumber(const NW_DATE& date)
{
    static PackedDateDays known;
    return known.Of(date);
}

TDateTime DateTimeOfParts(const NW_DATE& date, const NW_TIME& time)
{
    const long day = PackedDateDayNumber(date);
    if (day < 0)
        return EncodeDateTime(date.year, date.month, date.day, time.hours, time.minutes, time.seconds, 0);
    return EncodeTimeOnDay(day, time.hours, time.minutes, time.seconds, 0);
}
