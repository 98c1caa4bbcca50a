// SPDX-License-Identifier: GPL-3.0-or-later
// Reading .trashinfo files and the directorysizes cache.
#include "netware/trash/TrashInfo.h"

#include <charconv>

#include "netware/TextFields.h"
#include "util/DateTime.h"
#include "util/PercentEncoding.h"

namespace {

// The next line of text, without its line break; text moves past it.
std::string_view TakeLine(std::string_view& text)
{
    const size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return line;
}

// A line of the directorysizes cache: "SIZE MTIME PERCENT-ENCODED-NAME".
struct SizesLine {
    std::string_view size, mtime, encodedName;
};

std::optional<SizesLine> SplitSizesLine(std::string_view line)
{
    const size_t first = line.find(' ');
    const size_t second = first == std::string_view::npos ? first : line.find(' ', first + 1);
    if (second == std::string_view::npos)
        return std::nullopt;
    return SizesLine{line.substr(0, first), line.substr(first + 1, second - first - 1), line.substr(second + 1)};
}


bool ReadNumber(std::string_view text, int& value)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return std::from_chars(text.data(), text.data() + text.size(), value).ec == std::errc();
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

}  // namespace

std::optional<std::tm> ParseDeletionDate(std::string_view text)
{
    // 2024-03-01T13:45:07
    if (text.size() < 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':')
        return std::nullopt;
    int year, month, day, hour, minute, second;
    if (!ReadNumber(text.substr(0, 4), year) || !ReadNumber(text.substr(5, 2), month) ||
        !ReadNumber(text.substr(8, 2), day) || !ReadNumber(text.substr(11, 2), hour) ||
        !ReadNumber(text.substr(14, 2), minute) || !ReadNumber(text.substr(17, 2), second))
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 ||
        second > 59)
        return std::nullopt;
    return CalendarParts(year, month, day, hour, minute, second);
}

TrashInfo ParseTrashInfo(std::string_view text)
{
    TrashInfo info;
    bool inGroup = false, pathSeen = false, dateSeen = false;
    while (!text.empty()) {
        const std::string_view line = Trimmed(TakeLine(text));
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            inGroup = line == "[Trash Info]";
            continue;
        }
        if (!inGroup)
            continue;
        size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        std::string_view key = Trimmed(line.substr(0, equals)), value = Trimmed(line.substr(equals + 1));
        if (key == "Path" && !pathSeen) {
            pathSeen = true;
            auto decoded = PercentDecode(value);
            if (decoded && !decoded->empty())
                info.path = std::move(decoded);
        } else if (key == "DeletionDate" && !dateSeen) {
            dateSeen = true;
            info.deletionDate = ParseDeletionDate(value);
        }
    }
    return info;
}

DirectorySizes ParseDirectorySizes(std::string_view text)
{
    DirectorySizes sizes;
    while (!text.empty()) {
        const auto parts = SplitSizesLine(TakeLine(text));
        if (!parts)
            continue;
        DirectorySize entry;
        const auto& [sizeText, mtimeText, encodedName] = *parts;
        if (std::from_chars(sizeText.data(), sizeText.data() + sizeText.size(), entry.size).ec != std::errc() ||
            std::from_chars(mtimeText.data(), mtimeText.data() + mtimeText.size(), entry.infoMtime).ec !=
                std::errc())
            continue;
        if (auto name = PercentDecode(encodedName))
            sizes[*name] = entry;
    }
    return sizes;
}

bool WithoutDirectorySizesLines(std::string_view text, const std::set<std::string>& entryNames, std::string& kept)
{
    kept.clear();
    bool found = false;
    while (!text.empty()) {
        const std::string_view line = TakeLine(text);
        if (const auto parts = SplitSizesLine(line)) {
            const auto name = PercentDecode(parts->encodedName);
            if (name && entryNames.count(*name)) {
                found = true;
                continue;
            }
        }
        if (!line.empty()) {
            kept += line;
            kept += '\n';
        }
    }
    return found;
}
