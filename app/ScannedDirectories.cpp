// SPDX-License-Identifier: GPL-3.0-or-later
// Keys of scanned directories: two independent 64-bit hashes of the
// directory's normalised name, so that two directories share a key with a
// chance far below that of a disk error.
#include "app/ScannedDirectories.h"

#include "util/D_Util.h"

namespace {

struct KeyHasher {
    std::uint64_t a = 0xcbf29ce484222325ULL;
    std::uint64_t b = 0x84222325cbf29ce4ULL;

    void Add(unsigned char c)
    {
        a = (a ^ c) * 0x100000001b3ULL;
        b = (b ^ c) * 0x9E3779B97F4A7C15ULL + 0x632BE59BD9B4E019ULL;
    }
    // A name and the end of it, so that "AB","C" and "A","BC" differ.
    void AddName(std::string_view name, NameCase rule)
    {
        for (char c : name)
            Add(static_cast<unsigned char>(rule == NameCase::Ignored ? UpperAscii(c) : c));
        Add(0);
        Add(0xFF);
    }
};

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

ScannedDirectories::Key ScannedDirectories::KeyOf(std::string_view server, std::string_view volumePath) const
{
    KeyHasher hasher;
    // Servers and volumes are named without regard to case on every back end.
    hasher.AddName(server, NameCase::Ignored);
    const std::size_t colon = volumePath.find(':');
    hasher.AddName(volumePath.substr(0, colon), NameCase::Ignored);
    std::string_view rest = colon == std::string_view::npos ? std::string_view() : volumePath.substr(colon + 1);
    while (!rest.empty()) {
        std::size_t at = 0;
        while (at < rest.size() && IsSeparator(rest[at]))
            ++at;
        std::size_t end = at;
        while (end < rest.size() && !IsSeparator(rest[end]))
            ++end;
        if (end > at)
            hasher.AddName(rest.substr(at, end - at), rule_);
        rest.remove_prefix(end);
    }
    return Key{hasher.a, hasher.b};
}

int ScannedDirectories::EarlierListing(std::string_view server, std::string_view volumePath, int startPath)
{
    const auto [listed, first] = seen_.emplace(KeyOf(server, volumePath), startPath);
    return first ? -1 : listed->second;
}

bool ScannedDirectories::Contains(std::string_view server, std::string_view volumePath) const
{
    return seen_.count(KeyOf(server, volumePath)) > 0;
}
