// SPDX-License-Identifier: GPL-3.0-or-later
// The selection conditions and their explanation lines.
#include "app/Conditions.h"

#include <QSpinBox>

#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <string_view>

#include "util/D_Util.h"
#include "widgets/RadioGroup.h"
#include "widgets/ResultList.h"

namespace {

// The explanation lines are kept in the result list as records (written out
// when read): a number line holds its number, a name match its pattern line.
constexpr std::string_view AgeBefore = "Deleted ", AgeAfter = " days ago";
constexpr std::string_view LargerBefore = "File size >= ", SmallerBefore = "File size <= ", SizeAfter = " kB";
constexpr std::string_view NameMatchBefore = "Name match with ";
constexpr std::string_view KeepNewestBefore = "beyond the newest ", UntilFreeBefore = "oldest, to free ";
constexpr std::size_t MaxDigits = 10;  // of a 32-bit number

void AppendNumberLine(std::string& text, std::string_view before, long long value, std::string_view after)
{
    char digits[24];
    const auto written = std::to_chars(digits, digits + sizeof digits, value);
    text += ExplanationIndent;
    text += before;
    text.append(digits, written.ptr);
    text += after;
}

// A number line keeps its number in the list's own slot for the line: an age
// in days or a limit in kB, both far below 2^32.
template <const std::string_view& Before, const std::string_view& After>
void WriteNumberLine(std::uint32_t value, std::string& text)
{
    AppendNumberLine(text, Before, value, After);
}

template <const std::string_view& Before, const std::string_view& After>
void ExplainNumber(JobState& job, long long value)
{
    if (!job.ResultList)
        return;
    if (value >= 0 && value <= 0xFFFFFFFFLL) {
        job.ResultList->addValueLine<WriteNumberLine<Before, After>>(
            static_cast<std::uint32_t>(value), ExplanationIndent.size() + Before.size() + MaxDigits + After.size());
        return;
    }
    // Beyond 32 bits only with a clock set far from any real date: as text.
    std::string text;
    AppendNumberLine(text, Before, value, After);
    job.ResultList->addLine(text);
}

// A budget line keeps its limit in MB and shows it in the size text.
template <const std::string_view& Before>
void WriteBudgetLine(std::uint32_t megabytes, std::string& text)
{
    text += ExplanationIndent;
    text += Before;
    text += FormatSize(static_cast<std::int64_t>(megabytes * BytesPerMB));
}

template <const std::string_view& Before>
void ExplainBudget(JobState& job, std::uint32_t megabytes)
{
    if (job.ResultList)
        job.ResultList->addValueLine<WriteBudgetLine<Before>>(
            megabytes, ExplanationIndent.size() + Before.size() + FormattedSizeMaxLength);
}

void WriteNameMatchLine(std::string_view record, std::string& text)
{
    text += ExplanationIndent;
    text += NameMatchBefore;
    text += record;
}

void ExplainNameMatch(JobState& job, std::string_view patternLine)
{
    if (job.ResultList)
        job.ResultList->addRecordLine<WriteNameMatchLine>(
            patternLine, ExplanationIndent.size() + NameMatchBefore.size() + patternLine.size());
}

// The spin edits keep their values at 1 or more, so the division below cannot
// fail; a missing control reads as that minimum too.
std::uint32_t LimitOf(const JobState& job, const QSpinBox* spin)
{
    int value = spin ? job.Limits.Value(spin) : 1;
    return static_cast<std::uint32_t>(value < 1 ? 1 : value);
}

} // namespace

long long DeletionAgeInDays(const FileEvaluation& file)
{
    // Today is a midnight: the whole days come from the day numbers, less one
    // for a deletion in the course of an earlier day. The date-time itself is
    // worked out only for what the day table does not hold (and for an
    // invalid date, which raises).
    const NW_TIME& time = file.DeletedTime;
    const long day = PackedDateDayNumber(file.DeletedDate);
    const auto today = static_cast<long long>(file.Today);
    if (day >= 0 && time.hours <= 23 && time.minutes <= 59 && time.seconds <= 59 && std::fabs(file.Today) < 1e15 &&
        static_cast<double>(today) == file.Today) {
        if (day >= today)
            return day - today;
        return today - day - ((time.hours | time.minutes | time.seconds) != 0 ? 1 : 0);
    }
    const TDateTime deleted = DateTimeOfParts(file.DeletedDate, file.DeletedTime);
    return static_cast<long long>(std::trunc(std::fabs(file.Today - deleted)));
}

void TestAge(JobState& job, FileEvaluation& file)
{
    const long long days = DeletionAgeInDays(file);
    long long limit = job.AgeSpin ? job.Limits.Value(job.AgeSpin) : 0;
    file.Matched = days > limit;
    if (file.Matched)
        ExplainNumber<AgeBefore, AgeAfter>(job, days);
}

void TestKeepNewest(JobState& job, FileEvaluation& file)
{
    file.Matched = file.BeyondNewest;
    if (file.Matched)
        ExplainBudget<KeepNewestBefore>(job, job.Budgets.KeepMB);
}

void TestUntilFree(JobState& job, FileEvaluation& file)
{
    file.Matched = file.AmongOldest;
    if (file.Matched)
        ExplainBudget<UntilFreeBefore>(job, job.Budgets.FreeMB);
}

void TestLargerThan(JobState& job, FileEvaluation& file)
{
    std::uint32_t limit = LimitOf(job, job.LargerThanSpin);
    file.Matched = DeletedFileSize(file.Record) / limit >= 1024;
    if (file.Matched)
        ExplainNumber<LargerBefore, SizeAfter>(job, limit);
}

void TestSmallerThan(JobState& job, FileEvaluation& file)
{
    // The division form lets a file up to 1025 x limit - 1 bytes count as
    // smaller than limit kB.
    std::uint32_t limit = LimitOf(job, job.SmallerThanSpin);
    file.Matched = DeletedFileSize(file.Record) / limit <= 1024;
    if (file.Matched)
        ExplainNumber<SmallerBefore, SizeAfter>(job, limit);
}

void TestNamePatterns(JobState& job, FileEvaluation& file)
{
    if (!job.PatternMemo)
        return;
    std::optional<PatternLines> ownLines;  // made only when the scan keeps none
    const PatternLines& patterns = (file.Patterns ? file.Patterns : &ownLines.emplace())->Read(job.PatternMemo);
    if (patterns.Empty())
        return;
    if (patterns.MatchesEveryName()) {
        file.Matched = true;
        return;
    }
    const PatternLines::Pattern* match = patterns.FirstMatch(file.Name);
    file.Matched = match != nullptr;
    if (match)
        ExplainNameMatch(job, match->line);
}

// Runs for every file of a scan: the tests are made part of it.
[[gnu::flatten]] void EvaluateConditions(JobState& job, FileEvaluation& file)
{
    const bool orMode = ConditionOR(job);
    // Under Or the outcome is open while nothing has matched; under And while
    // everything has.
    auto open = [&] { return file.Matched != orMode; };
    if (job.UseAge && open())
        TestAge(job, file);
    if (job.UseKeepNewest && open())
        TestKeepNewest(job, file);
    if (job.UseUntilFree && open())
        TestUntilFree(job, file);
    if (job.UseLargerThan && open())
        TestLargerThan(job, file);
    if (job.UseSmallerThan && open())
        TestSmallerThan(job, file);
    if (job.UsePatterns && open())
        TestNamePatterns(job, file);
}
