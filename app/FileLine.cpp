// SPDX-License-Identifier: GPL-3.0-or-later
// A deleted file's line kept as a record in the result list and written out as text.
#include "app/FileLine.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

#include "netware/D_NW.h"
#include "util/D_Util.h"

namespace {

constexpr std::string_view ListedMark = "     - ";
constexpr std::string_view MatchingMark = "     + ";
constexpr std::string_view SizeOpen = "  (";
constexpr std::string_view DeletedOpen = ") [ Deleted: ";
constexpr std::string_view UserOpen = " by ";
constexpr std::string_view LineClose = " ]";

// The record, packed byte by byte, as a million of them may be held: the
// mark's sign, the size, the unpacked deletion date and time, the name's
// length, the name, then the user's name to the end.
struct FixedPart {
    char sign;
    std::uint64_t size;
    NW_DATE date;
    NW_TIME time;
    nuint16 nameLength;
};
constexpr std::size_t SignAt = 0;
constexpr std::size_t SizeAt = SignAt + sizeof(FixedPart::sign);
constexpr std::size_t DateAt = SizeAt + sizeof(FixedPart::size);
constexpr std::size_t TimeAt = DateAt + sizeof(FixedPart::date);
constexpr std::size_t NameLengthAt = TimeAt + sizeof(FixedPart::time);
constexpr std::size_t FixedLength = NameLengthAt + sizeof(FixedPart::nameLength);

char* Put(char* out, std::string_view text)
{
    return std::copy(text.begin(), text.end(), out);
}

std::size_t FileTextMaxLength(std::size_t nameLength, std::size_t userNameLength)
{
    return nameLength + SizeOpen.size() + FormattedSizeMaxLength + DeletedOpen.size() + PackedDateTimeTextMaxLength +
           UserOpen.size() + userNameLength + LineClose.size();
}

// The file text of a record's values at out; returns the end.
char* PutFileText(char* out, std::string_view name, std::uint64_t size, const NW_DATE& date, const NW_TIME& time,
                  std::string_view userName)
{
    out = Put(out, name);
    out = Put(out, SizeOpen);
    out = PutFormattedSize(out, static_cast<std::int64_t>(std::min<std::uint64_t>(size, INT64_MAX)));
    out = Put(out, DeletedOpen);
    out = PutDateTimeText(out, date, time);
    out = Put(out, UserOpen);
    out = Put(out, userName);
    return Put(out, LineClose);
}

// The text of a line's values, with or without the mark, appended to text.
void AppendText(const FileLineValues& values, char sign, bool withMark, std::string& text)
{
    const std::size_t start = text.size();
    const std::size_t markLength = withMark ? ListedMark.size() : 0;
    text.resize(start + markLength + FileTextMaxLength(values.name.size(), values.userName.size()));
    char* out = text.data() + start;
    if (withMark)
        out = Put(out, sign == '+' ? MatchingMark : ListedMark);
    out = PutFileText(out, values.name, values.size, values.deletedDate, values.deletedTime, values.userName);
    text.resize(static_cast<std::size_t>(out - text.data()));
}

} // namespace

std::size_t FileLine::RecordSize(const FileLineValues& values)
{
    return FixedLength + std::min<std::size_t>(values.name.size(), 0xFFFF) + values.userName.size();
}

void FileLine::PutRecord(char* out, const FileLineValues& values)
{
    // A name is at most a few hundred characters; the 16-bit length cannot
    // overflow, but a longer one would only lose its end.
    const std::string_view name = values.name.substr(0, 0xFFFF);
    const auto nameLength = static_cast<nuint16>(name.size());
    out[SignAt] = '-';
    std::memcpy(out + SizeAt, &values.size, sizeof values.size);
    std::memcpy(out + DateAt, &values.deletedDate, sizeof values.deletedDate);
    std::memcpy(out + TimeAt, &values.deletedTime, sizeof values.deletedTime);
    std::memcpy(out + NameLengthAt, &nameLength, sizeof nameLength);
    Put(Put(out + FixedLength, name), values.userName);
}

void FileLine::MarkMatching(char* record)
{
    record[SignAt] = '+';
}

std::size_t FileLine::TextLength(const FileLineValues& values)
{
    return ListedMark.size() + FileTextMaxLength(values.name.size(), values.userName.size());
}

std::string FileLine::FileText(const FileLineValues& values)
{
    std::string text;
    AppendText(values, '-', false, text);
    return text;
}

void FileLine::Write(std::string_view record, std::string& text)
{
    const char* in = record.data();
    FileLineValues values;
    std::memcpy(&values.size, in + SizeAt, sizeof values.size);
    std::memcpy(&values.deletedDate, in + DateAt, sizeof values.deletedDate);
    std::memcpy(&values.deletedTime, in + TimeAt, sizeof values.deletedTime);
    nuint16 nameLength = 0;
    std::memcpy(&nameLength, in + NameLengthAt, sizeof nameLength);
    values.name = record.substr(FixedLength, nameLength);
    values.userName = record.substr(FixedLength + nameLength);
    AppendText(values, in[SignAt], true, text);
}
