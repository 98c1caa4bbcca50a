// SPDX-License-Identifier: GPL-3.0-or-later
// Ordering the listed deleted files and finding the budget cut-offs.
#include "app/BudgetCutoffs.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

std::uint64_t DeletionTimeKey(const NW_DATE& date, const NW_TIME& time)
{
    return static_cast<std::uint64_t>(date.year) << 48 | static_cast<std::uint64_t>(date.month) << 40 |
           static_cast<std::uint64_t>(date.day) << 32 | static_cast<std::uint64_t>(time.hours) << 16 |
           static_cast<std::uint64_t>(time.minutes) << 8 | time.seconds;
}

bool BudgetCutoff::Place(std::uint64_t time, std::string_view directory, std::string_view name)
{
    if (!active_)
        return false;
    if (time != time_)
        return time < time_;
    if (const int order = directory.compare(directory_))
        return order > 0;
    if (const int order = name.compare(name_))
        return order > 0;
    return alikeSeen_++ >= occurrence_;
}

void DeletedFileListing::StartDirectory(const std::string& volumePath)
{
    directories_.push_back(volumePath);
}

void DeletedFileListing::Add(std::uint64_t time, std::uint64_t size, std::string_view name)
{
    if (directories_.empty())
        throw std::logic_error("deleted file listed before its directory");
    if (names_.size() + name.size() + 1 > UINT32_MAX)
        throw std::length_error("too many deleted files to order");
    files_.push_back({time, size, static_cast<std::uint32_t>(directories_.size() - 1),
                      static_cast<std::uint32_t>(names_.size())});
    names_.append(name);
    names_.push_back('\0');
}

std::string_view DeletedFileListing::NameOf(const File& file) const
{
    return std::string_view(names_.c_str() + file.nameOffset);
}

void DeletedFileListing::Sort()
{
    // The directories' places in path order, so that the sort compares two
    // numbers where it would compare two paths.
    std::vector<std::uint32_t> byPath(directories_.size());
    std::iota(byPath.begin(), byPath.end(), 0u);
    std::sort(byPath.begin(), byPath.end(),
              [this](std::uint32_t a, std::uint32_t b) { return directories_[a] < directories_[b]; });
    std::vector<std::uint32_t> rank(directories_.size());
    for (std::uint32_t place = 0; place < byPath.size(); ++place)
        rank[byPath[place]] = place;
    // A directory the walk visits twice has two entries with one path: the
    // same rank keeps their files in one run.
    for (std::uint32_t place = 1; place < byPath.size(); ++place)
        if (directories_[byPath[place]] == directories_[byPath[place - 1]])
            rank[byPath[place]] = rank[byPath[place - 1]];

    std::sort(files_.begin(), files_.end(), [&](const File& a, const File& b) {
        if (a.time != b.time)
            return a.time > b.time;
        if (rank[a.directory] != rank[b.directory])
            return rank[a.directory] < rank[b.directory];
        if (const int order = NameOf(a).compare(NameOf(b)))
            return order < 0;
        return a.nameOffset < b.nameOffset;  // the listing order
    });
}

BudgetCutoff DeletedFileListing::CutoffAt(std::size_t index) const
{
    const File& cut = files_[index];
    const std::string_view name = NameOf(cut);
    const std::string& directory = directories_[cut.directory];
    // Files alike in time, directory and name lie next to each other, in
    // listing order: the cut-off is the how-manieth of them.
    std::uint32_t occurrence = 0;
    for (std::size_t i = index; i > 0; --i) {
        const File& before = files_[i - 1];
        if (before.time != cut.time || directories_[before.directory] != directory || NameOf(before) != name)
            break;
        ++occurrence;
    }
    return BudgetCutoff(cut.time, directory, std::string(name), occurrence);
}

BudgetCutoff DeletedFileListing::KeepNewest(std::uint64_t keepBytes) const
{
    std::uint64_t kept = 0;
    for (std::size_t i = 0; i < files_.size(); ++i) {
        if (files_[i].size > keepBytes - kept)
            return CutoffAt(i);
        kept += files_[i].size;
    }
    return {};
}

BudgetCutoff DeletedFileListing::FreeOldest(std::uint64_t bytesToFree) const
{
    if (bytesToFree == 0 || files_.empty())
        return {};
    std::uint64_t freed = 0;
    for (std::size_t i = files_.size(); i > 0; --i) {
        freed += files_[i - 1].size;
        if (freed >= bytesToFree)
            return CutoffAt(i - 1);
    }
    return CutoffAt(0);  // all of them, and still not enough
}
