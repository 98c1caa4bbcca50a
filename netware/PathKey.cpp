// SPDX-License-Identifier: GPL-3.0-or-later
// The hashes behind directory keys.
#include "netware/PathKey.h"

#include "util/D_Util.h"

namespace {

void Add(PathKey& key, unsigned char c)
{
    key.a = (key.a ^ c) * 0x100000001b3ULL;
    key.b = (key.b ^ c) * 0x9E3779B97F4A7C15ULL + 0x632BE59BD9B4E019ULL;
}

// A name and the end of it, so that "AB","C" and "A","BC" differ.
void AddName(PathKey& key, std::string_view name, NameCase rule)
{
    for (char c : name)
        Add(key, static_cast<unsigned char>(rule == NameCase::Ignored ? UpperAscii(c) : c));
    Add(key, 0);
    Add(key, 0xFF);
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

PathKey PathKey::OfName(std::string_view name)
{
    PathKey key;
    AddName(key, name, NameCase::Ignored);
    return key;
}

PathKey PathKey::Of(std::string_view volumePath, NameCase rule)
{
    const std::size_t colon = volumePath.find(':');
    PathKey key = OfName(volumePath.substr(0, colon));
    std::string_view rest = colon == std::string_view::npos ? std::string_view() : volumePath.substr(colon + 1);
    while (!rest.empty()) {
        std::size_t at = 0;
        while (at < rest.size() && IsSeparator(rest[at]))
            ++at;
        std::size_t end = at;
        while (end < rest.size() && !IsSeparator(rest[end]))
            ++end;
        if (end > at)
            key = key.Below(rest.substr(at, end - at), rule);
        rest.remove_prefix(end);
    }
    return key;
}

PathKey PathKey::Below(std::string_view name, NameCase rule) const
{
    PathKey key = *this;
    AddName(key, name, rule);
    return key;
}
