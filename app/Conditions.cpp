// The selection conditions and the name pattern matcher.
#include "app/Conditions.h"

#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTextDocument>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
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
constexpr std::size_t MaxDigits = 20;

template <const std::string_view& Before, const std::string_view& After>
void WriteNumberLine(std::string_view record, std::string& text)
{
    long long value = 0;
    std::memcpy(&value, record.data(), std::min(record.size(), sizeof value));
    char digits[MaxDigits + 4];
    const auto written = std::to_chars(digits, digits + sizeof digits, value);
    text += ExplanationIndent;
    text += Before;
    text.append(digits, written.ptr);
    text += After;
}

template <const std::string_view& Before, const std::string_view& After>
void ExplainNumber(JobState& job, long long value)
{
    if (job.ResultList)
        job.ResultList->addRecordLine(WriteNumberLine<Before, After>,
                                      {reinterpret_cast<const char*>(&value), sizeof value},
                                      ExplanationIndent.size() + Before.size() + MaxDigits + After.size());
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
        job.ResultList->addRecordLine(WriteNameMatchLine, patternLine,
                                      ExplanationIndent.size() + NameMatchBefore.size() + patternLine.size());
}

constexpr char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The spin edits keep their values at 1 or more, so the division below cannot
// fail; a missing control reads as that minimum too.
std::uint32_t LimitOf(const QSpinBox* spin)
{
    int value = spin ? spin->value() : 1;
    return static_cast<std::uint32_t>(value < 1 ? 1 : value);
}

std::vector<std::string> MemoLines(const QPlainTextEdit* memo)
{
    std::vector<std::string> lines;
    QString text = memo->toPlainText();
    if (text.isEmpty())
        return lines;  // an empty memo has no lines, not one empty line
    for (const QString& line : text.split(QLatin1Char('\n')))
        lines.push_back(line.toLocal8Bit().toStdString());
    return lines;
}

void SplitAtFirstDot(std::string_view text, std::string_view& base, std::string_view& extension)
{
    std::string_view::size_type dot = text.find('.');
    if (dot == std::string_view::npos) {
        base = text;
        extension = {};
    } else {
        base = text.substr(0, dot);
        extension = text.substr(dot + 1);
    }
}

// Fold compares in ASCII upper case; without it the characters must be equal.
template <bool Fold>
bool Fixed(std::string_view p, std::string_view s)
{
    if (p.size() != s.size())
        return false;
    for (std::string_view::size_type i = 0; i < p.size(); ++i) {
        if (p[i] == '?')
            continue;
        if (Fold ? UpperAscii(p[i]) != UpperAscii(s[i]) : p[i] != s[i])
            return false;
    }
    return true;
}

// Only the first "*" is a wildcard; head and tail are matched at the two ends
// of s and may overlap.
template <bool Fold>
bool Part(std::string_view p, std::string_view s)
{
    if (p == "*")
        return true;
    std::string_view::size_type star = p.find('*');
    if (star == std::string_view::npos)
        return Fixed<Fold>(p, s);
    const std::string_view head = p.substr(0, star);
    const std::string_view tail = p.substr(star + 1);
    const std::string_view sTail = tail.size() >= s.size() ? s : s.substr(s.size() - tail.size());
    return Fixed<Fold>(head, s.substr(0, head.size())) && Fixed<Fold>(tail, sTail);
}

// Pattern and name compared in ASCII upper case.
bool Matches(std::string_view patternBase, std::string_view patternExt, std::string_view name)
{
    std::string_view nameBase, nameExt;
    SplitAtFirstDot(name, nameBase, nameExt);
    return Part<true>(patternBase, nameBase) && Part<true>(patternExt, nameExt);
}

} // namespace

const std::vector<PatternLines::Pattern>& PatternLines::Read(const QPlainTextEdit* memo)
{
    const QTextDocument* document = memo->document();
    if (document != document_ || document->revision() != revision_) {
        patterns_.clear();
        for (std::string& line : MemoLines(memo)) {
            Pattern pattern{std::move(line), {}, {}};
            const std::string upper = AsciiUpper(pattern.line);
            std::string_view base, extension;
            SplitAtFirstDot(upper, base, extension);
            pattern.base = base;
            pattern.extension = extension;
            patterns_.push_back(std::move(pattern));
        }
        document_ = document;
        revision_ = document->revision();
    }
    return patterns_;
}

bool ConditionOR(const JobState& job)
{
    return job.LogicGroup == nullptr || job.LogicGroup->itemIndex() == 0;
}

void EvaluateConditions(JobState& job, FileEvaluation& file)
{
    const bool orMode = ConditionOR(job);
    // Under Or the outcome is open while nothing has matched; under And while
    // everything has.
    auto open = [&] { return file.Matched != orMode; };
    if (job.UseAge && open())
        TestAge(job, file);
    if (job.UseLargerThan && open())
        TestLargerThan(job, file);
    if (job.UseSmallerThan && open())
        TestSmallerThan(job, file);
    if (job.UsePatterns && open())
        TestNamePatterns(job, file);
}

void TestAge(JobState& job, FileEvaluation& file)
{
    TDateTime deleted = PackedToDateTime(file.Record.deletedDateAndTime);
    long long days = static_cast<long long>(std::trunc(std::fabs(file.Today - deleted)));
    long long limit = job.AgeSpin ? job.AgeSpin->value() : 0;
    file.Matched = days > limit;
    if (file.Matched)
        ExplainNumber<AgeBefore, AgeAfter>(job, days);
}

void TestLargerThan(JobState& job, FileEvaluation& file)
{
    std::uint32_t limit = LimitOf(job.LargerThanSpin);
    file.Matched = file.Record.fileSize / limit >= 1024;
    if (file.Matched)
        ExplainNumber<LargerBefore, SizeAfter>(job, limit);
}

void TestSmallerThan(JobState& job, FileEvaluation& file)
{
    // The division form lets a file up to 1025 x limit - 1 bytes count as
    // smaller than limit kB.
    std::uint32_t limit = LimitOf(job.SmallerThanSpin);
    file.Matched = file.Record.fileSize / limit <= 1024;
    if (file.Matched)
        ExplainNumber<SmallerBefore, SizeAfter>(job, limit);
}

void TestNamePatterns(JobState& job, FileEvaluation& file)
{
    if (!job.PatternMemo)
        return;
    PatternLines ownLines;
    const std::vector<PatternLines::Pattern>& patterns =
        (file.Patterns ? file.Patterns : &ownLines)->Read(job.PatternMemo);
    if (patterns.empty())
        return;
    for (const PatternLines::Pattern& pattern : patterns) {
        if (pattern.line == "*.*") {
            file.Matched = true;
            return;
        }
    }
    // The name is split once for all the patterns.
    const std::string_view name(file.Record.name, strnlen(file.Record.name, sizeof file.Record.name));
    std::string_view nameBase, nameExt;
    SplitAtFirstDot(name, nameBase, nameExt);
    for (const PatternLines::Pattern& pattern : patterns) {
        file.Matched = Part<true>(pattern.base, nameBase) && Part<true>(pattern.extension, nameExt);
        if (file.Matched) {
            ExplainNameMatch(job, pattern.line);
            return;
        }
    }
}

bool MatchesPattern(const std::string& pattern, const std::string& name)
{
    std::string_view base, extension;
    SplitAtFirstDot(pattern, base, extension);
    return Matches(base, extension, name);
}

bool MatchPart(const std::string& p, const std::string& s)
{
    return Part<false>(p, s);
}

bool MatchFixed(const std::string& p, const std::string& s)
{
    return Fixed<false>(p, s);
}
