// The selection conditions: whether a deleted file matches the name patterns,
// the size limits and the age, combined by Or or And, with one explanation
// line in the result list for each condition that holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/JobState.h"
#include "netware/ntypes.h"
#include "util/DateTime.h"

// The pattern memo's lines, read again only when the memo has been edited, so
// that the conditions follow the memo live without re-reading it per file.
class PatternLines {
public:
    // A line as typed, and its base and extension in upper case.
    struct Pattern {
        std::string line;
        std::string base;
        std::string extension;
    };
    const std::vector<Pattern>& Read(const QPlainTextEdit* memo);

private:
    const void* document_ = nullptr;
    int revision_ = -1;
    std::vector<Pattern> patterns_;
};

// What the conditions look at for one deleted file. The scan owns it; the
// tests overwrite Matched.
struct FileEvaluation {
    const NWDELETED_INFO& Record;
    TDateTime Today;  // the scan's date at 00:00
    bool Matched = false;
    PatternLines* Patterns = nullptr;  // optional cache of the memo's lines
};

// True when "Or" is chosen in the logic group (item 0), false for "And".
bool ConditionOR(const JobState& job);

// Runs the tests that are switched on, in the fixed order age, larger than,
// smaller than, patterns, while the outcome is open: under Or until one holds,
// under And until one fails. The caller sets Matched := not ConditionOR first.
void EvaluateConditions(JobState& job, FileEvaluation& file);

void TestAge(JobState& job, FileEvaluation& file);
void TestLargerThan(JobState& job, FileEvaluation& file);
void TestSmallerThan(JobState& job, FileEvaluation& file);
void TestNamePatterns(JobState& job, FileEvaluation& file);

// Name patterns: "*" and "?" in the base and the extension (split at the first
// "."), compared in ASCII upper case.
bool MatchesPattern(const std::string& pattern, const std::string& name);
bool MatchPart(const std::string& p, const std::string& s);
bool MatchFixed(const std::string& p, const std::string& s);

// The indent of the explanation lines under a file's line.
inline const std::string ExplanationIndent(10, ' ');
