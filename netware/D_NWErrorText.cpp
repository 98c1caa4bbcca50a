// Completion codes as text, the error box for failed client calls, and packed
// date-times as text and as date-time values.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "netware/D_NW.h"
#include "netware/NWClientBackend.h"
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

void ReportNWError(nuint32 code, const std::string& operation)
{
    if (code == 0)
        return;
    MessageBoxOK(MsgDlgType::Error, operation + " returned error " + NWErrorText(code));
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

