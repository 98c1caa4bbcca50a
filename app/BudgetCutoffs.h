// SPDX-License-Identifier: GPL-3.0-or-later
// The budget conditions' arithmetic: the deleted files below a start path in
// one fixed order, newest first, and the place in that order from which on a
// file is beyond the newest N bytes, or among the oldest that free M bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "netware/ntypes.h"

// The budget limits are in MB of 1024 x 1024 bytes, as the size limits' kB are
// of 1024 bytes.
inline constexpr std::uint64_t BytesPerMB = 1024 * 1024;

// A deletion date-time as a number that grows with the time, made from the
// parts the client unpacks (valid dates or not, so it never fails).
std::uint64_t DeletionTimeKey(const NW_DATE& date, const NW_TIME& time);

// A place in the newest-first order: deletion time (later first), then the
// directory's path and the name (as bytes, smaller first), then, for records
// alike in all three, the order the client lists them in.
class BudgetCutoff {
public:
    // No file is beyond this cut-off.
    BudgetCutoff() = default;
    BudgetCutoff(std::uint64_t time, std::string directory, std::string name, std::uint32_t occurrence)
        : active_(true), time_(time), directory_(std::move(directory)), name_(std::move(name)), occurrence_(occurrence)
    {
    }

    bool Active() const { return active_; }

    // Whether the file lies at or after the cut-off. Called once for each file
    // the scan lists, in the client's order: records alike with the cut-off's
    // are told apart by how many of them came before.
    bool Place(std::uint64_t time, std::string_view directory, std::string_view name);

private:
    bool active_ = false;
    std::uint64_t time_ = 0;
    std::string directory_;
    std::string name_;
    std::uint32_t occurrence_ = 0;
    std::uint32_t alikeSeen_ = 0;
};

// The deleted files of one start path as the listing pass finds them: per
// file its time, size and place, the names packed in one buffer.
class DeletedFileListing {
public:
    // The files added next lie in this directory (a volume path).
    void StartDirectory(const std::string& volumePath);
    void Add(std::uint64_t time, std::uint64_t size, std::string_view name);
    std::size_t Count() const { return files_.size(); }

    // Puts the files in the newest-first order; the cut-offs need it.
    void Sort();
    // Keeps the newest files while their sizes add up to at most keepBytes;
    // every file after the first that does not fit is beyond.
    BudgetCutoff KeepNewest(std::uint64_t keepBytes) const;
    // The oldest files whose sizes add up to at least bytesToFree (all of them
    // when they do not reach it; none for 0).
    BudgetCutoff FreeOldest(std::uint64_t bytesToFree) const;

private:
    struct File {
        std::uint64_t time;
        std::uint64_t size;
        std::uint32_t directory;   // index into directories_
        std::uint32_t nameOffset;  // into names_, growing in listing order
    };
    std::string_view NameOf(const File& file) const;
    BudgetCutoff CutoffAt(std::size_t index) const;

    std::vector<std::string> directories_;
    std::string names_;  // each name followed by a NUL
    std::vector<File> files_;
};
