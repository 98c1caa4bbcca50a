// SPDX-License-Identifier: GPL-3.0-or-later
// UTF-16 settings files: decoding to UTF-8 and back.
#include "settings/IniEncoding.h"

#include <cstdint>

namespace {

constexpr char32_t Replacement = 0xFFFD;

bool BigEndian(IniEncoding encoding)
{
    return encoding == IniEncoding::Utf16Be;
}

char16_t UnitAt(const std::string& raw, std::size_t pos, bool bigEndian)
{
    const auto first = static_cast<unsigned char>(raw[pos]);
    const auto second = static_cast<unsigned char>(raw[pos + 1]);
    return static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
}

void PutUnit(std::string& out, char16_t unit, bool bigEndian)
{
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
}

// Any value below 0x110000, surrogates included, in the UTF-8 byte pattern.
void PutUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The code point starting at pos, advancing pos; Replacement for a byte that
// starts no well-formed sequence. Three-byte surrogates are accepted, as
// DecodeIniText writes unpaired ones that way.
char32_t NextUtf8(const std::string& text, std::size_t& pos)
{
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80)
        return lead;
    int length;
    char32_t c;
    char32_t least;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 1, c = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 2, c = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 3, c = lead & 0x07, least = 0x10000;
    } else {
        return Replacement;
    }
    if (pos + length > text.size())
        return Replacement;
    for (int i = 0; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80)
            return Replacement;
        c = (c << 6) | (next & 0x3F);
    }
    if (c < least || c > 0x10FFFF)
        return Replacement;
    pos += length;
    return c;
}

}  // namespace

IniEncoding DetectIniEncoding(const std::string& raw)
{
    if (raw.compare(0, 2, "\xFF\xFE") == 0)
        return IniEncoding::Utf16Le;
    if (raw.compare(0, 2, "\xFE\xFF") == 0)
        return IniEncoding::Utf16Be;
    return IniEncoding::Bytes;
}

std::string DecodeIniText(const std::string& raw, IniEncoding encoding)
{
    if (encoding == IniEncoding::Bytes)
        return raw;
    const bool big = BigEndian(encoding);
    std::string text;
    text.reserve(raw.size());
    for (std::size_t pos = 2; pos + 1 < raw.size(); pos += 2) {
        char32_t c = UnitAt(raw, pos, big);
        if (c >= 0xD800 && c <= 0xDBFF && pos + 3 < raw.size()) {
            const char16_t low = UnitAt(raw, pos + 2, big);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                pos += 2;
            }
        }
        PutUtf8(text, c);
    }
    return text;
}

bool IniTextFits(const std::string& text, IniEncoding encoding)
{
    if (encoding == IniEncoding::Bytes)
        return true;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t start = pos;
        // A replacement character stands for a byte that is no UTF-8, unless
        // the text holds that character itself.
        if (NextUtf8(text, pos) == Replacement && text.compare(start, pos - start, "\xEF\xBF\xBD") != 0)
            return false;
    }
    return true;
}

std::string EncodeIniText(const std::string& text, IniEncoding encoding)
{
    if (encoding == IniEncoding::Bytes)
        return text;
    const bool big = BigEndian(encoding);
    std::string raw;
    raw.reserve(2 * text.size() + 2);
    PutUnit(raw, 0xFEFF, big);
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t c = NextUtf8(text, pos);
        if (c >= 0x10000) {
            PutUnit(raw, static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)), big);
            PutUnit(raw, static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)), big);
        } else {
            PutUnit(raw, static_cast<char16_t>(c), big);
        }
    }
    return raw;
}
