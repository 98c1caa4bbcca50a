// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/D_Util.h"

#include <algorithm>
#include <clocale>
#include <iterator>

#include "util/DecimalDigits.h"

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

namespace {

bool InSet(char c, const std::string& set) { return set.find(c) != std::string::npos; }

std::string LocaleDecimalSeparator()
{
    const std::lconv* conv = std::localeconv();
    if (conv && conv->decimal_point && *conv->decimal_point)
        return conv->decimal_point;
    return ".";
}

DecimalSeparatorSource& InstalledSeparator()
{
    static DecimalSeparatorSource source = LocaleDecimalSeparator;
    return source;
}

// bytes / divisor rounded half away from zero to `decimals` places (0 or 2),
// computed exactly: the division of a 64-bit count by a power of two has no
// error, and wider integers keep the scaled value from overflowing (64 bits
// suffice for all but the largest counts). The digits are padded with blanks
// on the left to width characters, then unit follows. Written at out; returns
// the end.
char* PutPaddedQuotient(char* out, std::int64_t bytes, std::int64_t divisor, int decimals, std::size_t width,
                        std::string_view unit)
{
    std::uint64_t scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    const auto count = static_cast<std::uint64_t>(bytes);
    const auto halfUp = static_cast<std::uint64_t>(divisor);
    std::uint64_t scaled;
    if (count <= (std::uint64_t(1) << 52))
        scaled = (count * scale * 2 + halfUp) / (halfUp * 2);
    else
        scaled = static_cast<std::uint64_t>((static_cast<unsigned __int128>(count) * scale * 2 + halfUp) /
                                            (static_cast<unsigned __int128>(halfUp) * 2));

    // The number first, then moved right behind its padding.
    char number[24 + MaxDecimalSeparatorLength + 24];
    char* end = PutDecimal(number, scaled / scale, 1);
    if (decimals > 0) {
        const std::string separator = DecimalSeparator();
        const std::size_t kept = std::min(separator.size(), MaxDecimalSeparatorLength);
        end = std::copy_n(separator.data(), kept, end);
        end = PutDecimal(end, scaled % scale, decimals);
    }
    const auto length = static_cast<std::size_t>(end - number);
    if (length < width)
        out = std::fill_n(out, width - length, ' ');
    out = std::copy(number, end, out);
    return std::copy(unit.begin(), unit.end(), out);
}

} // namespace

std::string AsciiUpper(std::string s)
{
    for (char& c : s)
        c = UpperAscii(c);
    return s;
}

bool SameTextAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i]))
            return false;
    return true;
}

std::string IfStr(bool flag, const std::string& a, const std::string& b) { return flag ? a : b; }

int StrListIndex(const std::string& s, const std::vector<std::string>& list, bool caseSensitive)
{
    for (std::size_t i = 0; i < list.size(); ++i)
        if (caseSensitive ? list[i] == s : SameTextAscii(list[i], s))
            return static_cast<int>(i);
    return -1;
}

bool StrInList(const std::string& s, const std::vector<std::string>& list, bool caseSensitive)
{
    return StrListIndex(s, list, caseSensitive) >= 0;
}

std::string KeepRight(const std::string& s, int n)
{
    if (n <= 0)
        return {};
    if (s.size() <= static_cast<std::size_t>(n))
        return s;
    return s.substr(s.size() - static_cast<std::size_t>(n));
}

std::string RemoveChars(const std::string& s, const std::string& set)
{
    std::string result;
    result.reserve(s.size());
    for (char c : s)
        if (!InSet(c, set))
            result += c;
    return result;
}

std::string TrimCharsRight(const std::string& s, const std::string& set)
{
    std::size_t end = s.size();
    while (end > 0 && InSet(s[end - 1], set))
        --end;
    return s.substr(0, end);
}

std::string TrimCharsLeft(const std::string& s, const std::string& set)
{
    std::size_t start = 0;
    while (start < s.size() && InSet(s[start], set))
        ++start;
    return s.substr(start);
}

std::string ReplaceChars(const std::string& s, const std::string& set, char c)
{
    std::string result = s;
    for (char& ch : result)
        if (InSet(ch, set))
            ch = c;
    return result;
}

char* NulTerminated(std::string& s)
{
    if (s.empty() || (s.size() < 255 && s.back() != '\0'))
        s.push_back('\0');
    return s.data();
}

const char* StrPtr(const std::string& s) { return s.c_str(); }

std::string EnsurePrefix(const std::string& s, const std::string& prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0 ? s : prefix + s;
}

std::string AddSlash(const std::string& path)
{
    if (!path.empty() && (path.back() == '/' || path.back() == '\\'))
        return path;
    return path + "\\";
}

std::string DelSlash(const std::string& path)
{
    if (!path.empty() && (path.back() == '/' || path.back() == '\\'))
        return path.substr(0, path.size() - 1);
    return path;
}

void SplitFirst(const std::string& s, const std::string& separator, std::string& head, std::string& tail)
{
    // Work on a copy: head or tail may alias s.
    const std::string source = s;
    std::size_t at = separator.empty() ? std::string::npos : source.find(separator);
    if (at == std::string::npos) {
        head = source;
        tail.clear();
        return;
    }
    head = source.substr(0, at);
    tail = source.substr(at + separator.size());
}

std::string ReplaceText(const std::string& s, const std::string& oldText, const std::string& newText, bool all,
                        bool caseSensitive)
{
    if (oldText.empty() || oldText == newText)
        return s;
    const std::string haystack = caseSensitive ? s : AsciiUpper(s);
    const std::string needle = caseSensitive ? oldText : AsciiUpper(oldText);

    std::string result;
    std::size_t from = 0;
    for (;;) {
        std::size_t at = haystack.find(needle, from);
        if (at == std::string::npos)
            break;
        result.append(s, from, at - from);
        result += newText;
        from = at + oldText.size();
        if (!all)
            break;
    }
    result.append(s, from, std::string::npos);
    return result;
}

std::string DoubleQuoted(const std::string& s)
{
    std::string result = "\"";
    for (char c : s) {
        if (c == '"')
            result += '"';
        result += c;
    }
    return result + "\"";
}

std::string JoinNonEmpty(const std::string& a, const std::string& b, const std::string& separator)
{
    return !a.empty() && !b.empty() ? a + separator + b : a + b;
}

std::string ShortPathName(const std::string& path) { return path; }

char* PutFormattedSize(char* out, std::int64_t bytes)
{
    if (bytes < 0)
        bytes = 2147483647;
    constexpr std::int64_t KB = 1024, MB = KB * 1024, GB = MB * 1024, TB = GB * 1024;
    struct Row {
        std::int64_t below;  // the first count of the next row
        std::int64_t divisor;
        int decimals;
        std::string_view unit;
    };
    static constexpr Row rows[] = {
        {KB, 1, 0, ""}, {MB, KB, 0, " kB"}, {GB, MB, 2, " MB"}, {TB, GB, 2, " GB"}, {0, TB, 2, " TB"}};
    const Row* row = rows;
    while (row != std::end(rows) - 1 && bytes >= row->below)
        ++row;
    return PutPaddedQuotient(out, bytes, row->divisor, row->decimals, 4, row->unit);
}

std::string FormatSize(std::int64_t bytes)
{
    char text[FormattedSizeMaxLength];
    return std::string(text, PutFormattedSize(text, bytes));
}

DecimalSeparatorSource SetDecimalSeparatorSource(DecimalSeparatorSource source)
{
    DecimalSeparatorSource previous = InstalledSeparator();
    InstalledSeparator() = source ? std::move(source) : DecimalSeparatorSource(LocaleDecimalSeparator);
    return previous;
}

std::string DecimalSeparator() { return InstalledSeparator()(); }
