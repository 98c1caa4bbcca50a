// SPDX-License-Identifier: GPL-3.0-or-later
// Escaping names for display, one-to-one.
#include "netware/ShownName.h"

namespace {

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

int HexValue(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

void PutEscaped(std::string& out, unsigned char c)
{
    static const char hex[] = "0123456789ABCDEF";
    out += '%';
    out += hex[c >> 4];
    out += hex[c & 15];
}

// The length of the valid UTF-8 sequence at the start of text, 0 when there is none.
size_t Utf8Length(std::string_view text)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead <= 0xDF ? 2 : 0;
    if (length == 0 || text.size() < length)
        return 0;
    for (size_t i = 1; i < length; ++i)
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
    // Overlong forms, surrogates and code points beyond U+10FFFF.
    if ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) >= 0xA0) || (lead == 0xF0 && byte(1) < 0x90) ||
        (lead == 0xF4 && byte(1) >= 0x90))
        return 0;
    return length;
}

// C1 controls (U+0080..U+009F), which terminals obey as escapes, and the
// bidirectional controls (U+061C, U+200E, U+200F, U+202A..U+202E,
// U+2066..U+2069), which reorder what follows them.
bool IsHiddenControl(std::string_view sequence)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(sequence[i]); };
    if (sequence.size() == 2)
        return (byte(0) == 0xC2 && byte(1) <= 0x9F) || (byte(0) == 0xD8 && byte(1) == 0x9C);
    if (sequence.size() != 3 || byte(0) != 0xE2)
        return false;
    return (byte(1) == 0x80 && (byte(2) == 0x8E || byte(2) == 0x8F || (byte(2) >= 0xAA && byte(2) <= 0xAE))) ||
           (byte(1) == 0x81 && byte(2) >= 0xA6 && byte(2) <= 0xA9);
}

}  // namespace

namespace {

std::string Shown(std::string_view name, bool asName)
{
    std::string shown;
    shown.reserve(name.size());
    for (size_t i = 0; i < name.size();) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x80) {
            const bool literalPercent =
                c == '%' && !(i + 2 < name.size() && IsHexDigit(name[i + 1]) && IsHexDigit(name[i + 2]));
            if (c < 0x20 || c == 0x7F || (asName && (c == '\\' || c == ':' || (c == '%' && !literalPercent))))
                PutEscaped(shown, c);
            else
                shown += static_cast<char>(c);
            ++i;
            continue;
        }
        const size_t length = Utf8Length(name.substr(i));
        if (length == 0 || IsHiddenControl(name.substr(i, length))) {
            for (size_t k = 0; k < (length ? length : 1); ++k)
                PutEscaped(shown, static_cast<unsigned char>(name[i + k]));
            i += length ? length : 1;
        } else {
            shown.append(name.substr(i, length));
            i += length;
        }
    }
    return shown;
}

}  // namespace

std::string ShownName(std::string_view name) { return Shown(name, true); }

std::string ShownText(std::string_view text) { return Shown(text, false); }

std::string NameOfShown(std::string_view shown)
{
    std::string name;
    name.reserve(shown.size());
    for (size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] == '%' && i + 2 < shown.size() && IsHexDigit(shown[i + 1]) && IsHexDigit(shown[i + 2])) {
            name += static_cast<char>(HexValue(shown[i + 1]) * 16 + HexValue(shown[i + 2]));
            i += 2;
        } else {
            name += shown[i];
        }
    }
    return name;
}
