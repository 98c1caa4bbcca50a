// A deleted file's line kept as a record and written out as text.
#include "app/FileLine.h"

#include <algorithm>
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

// The record, packed byte by byte, for a million files can be held: the
// mark's sign, the size, the unpacked deletion date and time, the name's
// length, the name, then the user's name to the end.
struct FixedPart {
    char sign;
    nuint32 size;
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
char* PutFileText(char* out, std::string_view name, nuint32 size, const NW_DATE& date, const NW_TIME& time,
                  std::string_view userName)
{
    out = Put(out, name);
    out = Put(out, SizeOpen);
    out = PutFormattedSize(out, size);
    out = Put(out, DeletedOpen);
    out = PutDateTimeText(out, date, time);
    out = Put(out, UserOpen);
    out = Put(out, userName);
    return Put(out, LineClose);
}

struct RecordValues {
    FixedPart fixed;
    std::string_view name;
    std::string_view userName;
};

RecordValues Read(std::string_view record)
{
    RecordValues values;
    const char* in = record.data();
    values.fixed.sign = in[SignAt];
    std::memcpy(&values.fixed.size, in + SizeAt, sizeof values.fixed.size);
    std::memcpy(&values.fixed.date, in + DateAt, sizeof values.fixed.date);
    std::memcpy(&values.fixed.time, in + TimeAt, sizeof values.fixed.time);
    std::memcpy(&values.fixed.nameLength, in + NameLengthAt, sizeof values.fixed.nameLength);
    values.name = record.substr(FixedLength, values.fixed.nameLength);
    values.userName = record.substr(FixedLength + values.fixed.nameLength);
    return values;
}

// The text of a record, with or without the mark, appended to text.
void AppendText(std::string_view record, bool withMark, std::string& text)
{
    const RecordValues values = Read(record);
    const std::size_t start = text.size();
    const std::size_t markLength = withMark ? ListedMark.size() : 0;
    text.resize(start + markLength + FileTextMaxLength(values.name.size(), values.userName.size()));
    char* out = text.data() + start;
    if (withMark)
        out = Put(out, values.fixed.sign == '+' ? MatchingMark : ListedMark);
    out = PutFileText(out, values.name, values.fixed.size, values.fixed.date, values.fixed.time, values.userName);
    text.resize(static_cast<std::size_t>(out - text.data()));
}

} // namespace

void FileLineRecord::Set(std::string_view name, nuint32 size, const NW_DATE& deletedDate, const NW_TIME& deletedTime,
                         std::string_view userName)
{
    // A name is at most a few hundred characters; the 16-bit length cannot
    // overflow, but a longer one would only lose its end.
    name = name.substr(0, 0xFFFF);
    const auto nameLength = static_cast<nuint16>(name.size());
    record_.resize(FixedLength + name.size() + userName.size());
    char* out = record_.data();
    out[SignAt] = '-';
    std::memcpy(out + SizeAt, &size, sizeof size);
    std::memcpy(out + DateAt, &deletedDate, sizeof deletedDate);
    std::memcpy(out + TimeAt, &deletedTime, sizeof deletedTime);
    std::memcpy(out + NameLengthAt, &nameLength, sizeof nameLength);
    Put(Put(out + FixedLength, name), userName);
}

void FileLineRecord::MarkMatching()
{
    record_[SignAt] = '+';
}

std::size_t FileLineRecord::TextLength() const
{
    return ListedMark.size() + FileTextMaxLength(record_.size(), 0);
}

std::string FileLineRecord::FileText() const
{
    std::string text;
    AppendText(record_, false, text);
    return text;
}

void FileLineRecord::Write(std::string_view record, std::string& text)
{
    AppendText(record, true, text);
}
