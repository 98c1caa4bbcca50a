// SPDX-License-Identifier: GPL-3.0-or-later
// Name comparison rules, the folder lookup and the path cache.
#include "netware/FolderNames.h"

#include <cstring>

#include "util/D_Util.h"

bool SameName(std::string_view a, std::string_view b, NameCase rule)
{
    return rule == NameCase::Kept ? a == b : SameTextAscii(a, b);
}

std::string NameKey(std::string_view name, NameCase rule)
{
    return rule == NameCase::Kept ? std::string(name) : AsciiUpper(std::string(name));
}

void FolderNames::Add(std::size_t parent, std::string_view name, std::size_t child)
{
    exact_.emplace(Key{parent, std::string(name)}, child);
    Folded& folded = folded_[Key{parent, AsciiUpper(std::string(name))}];
    if (folded.count++ == 0)
        folded.child = child;
}

bool FolderNames::Exact(std::size_t parent, std::string_view name, std::size_t& child) const
{
    const auto found = exact_.find(Key{parent, std::string(name)});
    if (found == exact_.end())
        return false;
    child = found->second;
    return true;
}

NameLookup FolderNames::Find(std::size_t parent, std::string_view name, std::size_t& child) const
{
    if (rule_ == NameCase::Kept && Exact(parent, name, child))
        return NameLookup::Found;
    const auto found = folded_.find(Key{parent, AsciiUpper(std::string(name))});
    if (found == folded_.end())
        return NameLookup::Missing;
    if (found->second.count > 1)
        return NameLookup::Ambiguous;
    child = found->second.child;
    return NameLookup::Found;
}

void FolderNames::Clear()
{
    exact_.clear();
    folded_.clear();
}

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The length of the common start of two texts. In a walk one path mostly
// continues the other, so all of it is compared at once first.
std::size_t CommonPrefix(std::string_view a, std::string_view b)
{
    const std::size_t limit = std::min(a.size(), b.size());
    if (std::memcmp(a.data(), b.data(), limit) == 0)
        return limit;
    constexpr std::size_t block = 4096;
    std::size_t n = 0;
    while (n + block <= limit && std::memcmp(a.data() + n, b.data() + n, block) == 0)
        n += block;
    while (n < limit && a[n] == b[n])
        ++n;
    return n;
}

}  // namespace

NameLookup FolderPathCache::Resolve(std::string_view path, std::size_t directoryStart, std::size_t root,
                                    const Step& step, std::size_t& folder)
{
    std::size_t common = CommonPrefix(text_, path);
    if (chain_.empty() || chain_[0].end != directoryStart || chain_[0].folder != root || common < directoryStart) {
        chain_.assign(1, Point{directoryStart, root});
        text_.assign(path.substr(0, directoryStart));
        common = directoryStart;
    }
    // The deepest folder of the last path that this one passes through too.
    std::size_t keep = chain_.size() - 1;
    while (keep > 0 &&
           !(chain_[keep].end <= common && (chain_[keep].end == path.size() || IsSeparator(path[chain_[keep].end]))))
        --keep;
    chain_.resize(keep + 1);
    text_.resize(std::min(common, text_.size()));
    text_.append(path.substr(text_.size()));

    std::size_t current = chain_.back().folder;
    std::size_t at = chain_.back().end;
    while (true) {
        while (at < path.size() && IsSeparator(path[at]))
            ++at;
        if (at >= path.size())
            break;
        std::size_t end = at;
        while (end < path.size() && !IsSeparator(path[end]))
            ++end;
        std::size_t child = 0;
        const NameLookup found = step(current, path.substr(at, end - at), child);
        if (found != NameLookup::Found)
            return found;
        current = child;
        chain_.push_back({end, child});
        at = end;
    }
    folder = current;
    return NameLookup::Found;
}

void FolderPathCache::Clear()
{
    text_.clear();
    chain_.clear();
}
