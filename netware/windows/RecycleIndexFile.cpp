// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding $I files and the original paths in them.
#include "netware/windows/RecycleIndexFile.h"

#include <cstring>

namespace {

constexpr std::size_t HeaderSize = 24;              // version, size, FILETIME
constexpr std::size_t Version1PathBytes = 520;      // 260 UTF-16 characters
constexpr std::int64_t FileTimeOf1970 = 116444736000000000;

std::uint64_t Little64(std::string_view bytes, std::size_t at)
{
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

std::uint32_t Little32(std::string_view bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

void AppendUtf8(std::string& text, std::uint32_t c)
{
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else if (c < 0x800) {
        text += static_cast<char>(0xC0 | c >> 6);
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += static_cast<char>(0xE0 | c >> 12);
        text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | c >> 18);
        text += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16LE characters up to the first NUL, which must come before the end;
// nullopt without one or with a lone surrogate.
std::optional<std::string> Utf16UpToNul(std::string_view bytes)
{
    std::string text;
    for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
        const std::uint32_t unit = static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
        if (unit == 0)
            return text;
        if (unit >= 0xDC00 && unit <= 0xDFFF)
            return std::nullopt;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (at + 3 >= bytes.size())
                return std::nullopt;
            const std::uint32_t low =
                static_cast<unsigned char>(bytes[at + 2]) | static_cast<unsigned char>(bytes[at + 3]) << 8;
            if (low < 0xDC00 || low > 0xDFFF)
                return std::nullopt;
            AppendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
            at += 2;
            continue;
        }
        AppendUtf8(text, unit);
    }
    return std::nullopt;
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

std::optional<RecycleIndex> ParseRecycleIndex(std::string_view bytes)
{
    if (bytes.size() < HeaderSize)
        return std::nullopt;
    RecycleIndex index;
    const std::uint64_t version = Little64(bytes, 0);
    index.size = Little64(bytes, 8);
    index.deleted = static_cast<std::int64_t>(Little64(bytes, 16));
    std::string_view path;
    if (version == 1) {
        if (bytes.size() != HeaderSize + Version1PathBytes)
            return std::nullopt;
        path = bytes.substr(HeaderSize);
    } else if (version == 2) {
        if (bytes.size() < HeaderSize + 4)
            return std::nullopt;
        // The count includes the closing NUL, which must be the last character.
        const std::uint64_t characters = Little32(bytes, HeaderSize);
        if (characters == 0 || bytes.size() != HeaderSize + 4 + 2 * characters)
            return std::nullopt;
        path = bytes.substr(HeaderSize + 4);
        if (path[path.size() - 1] != 0 || path[path.size() - 2] != 0)
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    index.version = static_cast<int>(version);
    auto decoded = Utf16UpToNul(path);
    if (!decoded)
        return std::nullopt;
    index.path = std::move(*decoded);
    return index;
}

std::time_t UnixTimeOfFileTime(std::int64_t fileTime)
{
    // Whole seconds first (rounded down, also before 1970), then the offset
    // of 1970, a whole number of seconds: no value a drive holds overflows.
    const std::int64_t seconds = fileTime / 10'000'000 - (fileTime % 10'000'000 < 0 ? 1 : 0);
    return static_cast<std::time_t>(seconds - FileTimeOf1970 / 10'000'000);
}

bool SplitOriginalPath(std::string_view path, std::vector<std::string>& folders, std::string& name)
{
    folders.clear();
    name.clear();
    const auto isSeparator = [](char c) { return c == '\\' || c == '/'; };
    if (path.size() < 4 || !IsAsciiLetter(path[0]) || path[1] != ':' ||
        !isSeparator(path[2]) || path.find('\0') != std::string_view::npos)
        return false;
    std::vector<std::string> parts;
    std::size_t start = 3;
    while (start <= path.size()) {
        std::size_t end = start;
        while (end < path.size() && !isSeparator(path[end]))
            ++end;
        const std::string_view part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        parts.emplace_back(part);
        start = end + 1;
    }
    name = std::move(parts.back());
    parts.pop_back();
    folders = std::move(parts);
    return true;
}

bool IsRecycleName(std::string_view name, char kind, std::string_view& id)
{
    if (name.size() < 8 || name[0] != '$' || name[1] != kind)
        return false;
    if (name.substr(2, 6).find('.') != std::string_view::npos)
        return false;
    if (name.size() > 8 && name[8] != '.')
        return false;
    id = name.substr(2);
    return true;
}
