// SPDX-License-Identifier: GPL-3.0-or-later
// The selection conditions: whether a deleted file matches the name patterns,
// the size limits and the age, combined by Or or And, with one explanation
// line in the result list for each condition that holds.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "app/JobState.h"
#include "app/NamePatterns.h"
#include "netware/D_NW.h"
#include "netware/ntypes.h"
#include "util/DateTime.h"
#include "widgets/RadioGroup.h"

// What the conditions look at for one deleted file. The scan owns it; the
// tests overwrite Matched.
struct FileEvaluation {
    // Inline: made for every file of a scan.
    FileEvaluation(const NWDELETED_INFO& record, TDateTime today, bool matched = false,
                   PatternLines* patterns = nullptr)
        : Record(record), Today(today), Matched(matched), Patterns(patterns),
          Name(record.name, strnlen(record.name, sizeof record.name))
    {
        UnpackPackedDateTime(record.deletedDateAndTime, DeletedDate, DeletedTime);
    }

    const NWDELETED_INFO& Record;
    TDateTime Today;  // the scan's date at 00:00
    bool Matched = false;
    PatternLines* Patterns = nullptr;  // optional cache of the memo's lines
    // The deletion date-time as the client unpacks it, once for the file's
    // line and its age.
    NW_DATE DeletedDate{};
    NW_TIME DeletedTime{};
    std::string_view Name;  // the record's name, up to its end
    // Where the file lies against the start path's budget cut-offs (set by
    // the scan before the tests run).
    bool BeyondNewest = false;
    bool AmongOldest = false;
};

// True when "Or" is chosen in the logic group (item 0), false for "And".
inline bool ConditionOR(const JobState& job)
{
    return job.LogicGroup == nullptr || job.LogicGroup->itemIndex() == 0;
}

// Runs the tests that are switched on, in the fixed order age, keep only the
// newest, purge until free, larger than, smaller than, patterns, while the
// outcome is open: under Or until one holds,
// under And until one fails. The caller sets Matched := not ConditionOR first.
void EvaluateConditions(JobState& job, FileEvaluation& file);

// Whole days between the file's deletion and the scan's today, either way.
long long DeletionAgeInDays(const FileEvaluation& file);
void TestAge(JobState& job, FileEvaluation& file);
void TestKeepNewest(JobState& job, FileEvaluation& file);
void TestUntilFree(JobState& job, FileEvaluation& file);
void TestLargerThan(JobState& job, FileEvaluation& file);
void TestSmallerThan(JobState& job, FileEvaluation& file);
void TestNamePatterns(JobState& job, FileEvaluation& file);

// The indent of the explanation lines under a file's line.
inline const std::string ExplanationIndent(10, ' ');
