// SPDX-License-Identifier: GPL-3.0-or-later
// The selection conditions: name patterns, the size limits in their division
// form, the age in whole days, Or and And with their short-circuit, and the
// explanation lines the tests that hold write.
#include "app/Conditions.h"

#include "EngineFixture.h"

#include <QPlainTextDocumentLayout>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

struct PatternCase {
    const char* pattern;
    const char* name;
    bool matches;
};

const PatternCase patternCases[] = {
        {"*.bak", "REPORT.BAK", true},
        {"*.bak", "report.bak", true},
        {"*.bak", "REPORT.BAK.OLD", false},  // the extension is BAK.OLD
        {"*.bak", "BAK", false},
        {"tmp*.*", "TMP", true},
        {"tmp*.*", "TMP1.DAT", true},
        {"tmp*.*", "tmpfile", true},
        {"tmp*.*", "TEMP.DAT", false},
        {"*.~??", "A.~AB", true},
        {"*.~??", "A.~A", false},
        {"*.~??", "A.~ABC", false},
        {"*", "README", true},
        {"*", "README.TXT", false},
        {" *.bak", "REPORT.BAK", false},  // the blank is part of the pattern
        {"", "REPORT.BAK", false},
        {"", "REPORT", false},
        {"AB*BC", "ABC", true},  // head and tail overlap
        {"AB*BC", "AB", false},
        {"A*B*C", "AXXB*C", true},  // the second "*" is an ordinary character
        {"A*B*C", "AXXBYC", false},
        {"?.TXT", "A.TXT", true},
        {"?.TXT", ".TXT", false},
        {"r?port.b*", "REPORT.BAK.OLD", true},
        {"caf\xe9.txt", "CAF\xe9.TXT", true},  // only ASCII letters fold
        {"caf\xe9.txt", "CAF\xc9.TXT", false},
        {"report.bak", "Report.Bak", true},
        {"report.bak", "REPORTS.BAK", false},
        {"*.b?k", "X.BAK", true},
        {"*.b?k", "X.BAKE", false},
};

TEST(MatchesPattern, FollowsBaseAndExtensionRules)
{
    for (const PatternCase& c : patternCases)
        EXPECT_EQ(c.matches, MatchesPattern(c.pattern, c.name)) << c.pattern << " against " << c.name;
}

TEST(MatchPart, StarAloneMatchesAnythingIncludingEmpty)
{
    EXPECT_TRUE(MatchPart("*", ""));
    EXPECT_TRUE(MatchPart("*", "ANYTHING"));
    EXPECT_TRUE(MatchPart("A*", "A"));
    EXPECT_FALSE(MatchPart("ABC*", "AB"));  // a text shorter than the head
    EXPECT_FALSE(MatchPart("*ABC", "BC"));  // a text shorter than the tail
    EXPECT_TRUE(MatchFixed("", ""));
    EXPECT_FALSE(MatchFixed("?", ""));
}

class ConditionsTest : public EngineFixture {
protected:
    void SetUp() override
    {
        EngineFixture::SetUp();
        std::memset(&record, 0, sizeof record);
        Name("REPORT.BAK");
        record.fileSize = 5000;
        record.deletedDateAndTime = PackDeletedDateTime(1999, 12, 31, 0, 0, 0);
    }

    void Name(const char* name) { std::strncpy(record.name, name, sizeof record.name - 1); }

    // Runs the evaluation as the scan does and returns whether the file matched.
    bool Evaluate()
    {
        FileEvaluation file{record, Today(), !ConditionOR(job)};
        EvaluateConditions(job, file);
        return file.Matched;
    }

    void UseOnly(bool age, bool larger, bool smaller, bool names)
    {
        job.UseAge = age;
        job.UseLargerThan = larger;
        job.UseSmallerThan = smaller;
        job.UsePatterns = names;
    }

    NWDELETED_INFO record;
};

TEST_F(ConditionsTest, ConditionORFollowsLogicGroup)
{
    EXPECT_TRUE(ConditionOR(job));
    logic.setItemIndex(1);
    EXPECT_FALSE(ConditionOR(job));
}

TEST_F(ConditionsTest, SmallerThanUsesDivisionForm)
{
    UseOnly(false, false, true, false);
    smallerThan.setValue(10);
    record.fileSize = 10249;
    EXPECT_TRUE(Evaluate());
    EXPECT_EQ(std::vector<std::string>{"          File size <= 10 kB"}, results.lines());
    record.fileSize = 10250;
    EXPECT_FALSE(Evaluate());
    EXPECT_EQ(1, results.count());
}

TEST_F(ConditionsTest, LargerThanUsesDivisionForm)
{
    UseOnly(false, true, false, false);
    largerThan.setValue(1000);
    record.fileSize = 1024000;
    EXPECT_TRUE(Evaluate());
    EXPECT_EQ(std::vector<std::string>{"          File size >= 1000 kB"}, results.lines());
    record.fileSize = 1023999;
    EXPECT_FALSE(Evaluate());
    // The largest sizes do not wrap around.
    record.fileSize = 0xFFFFFFFF;
    largerThan.setValue(1000000000);
    EXPECT_FALSE(Evaluate());
    largerThan.setValue(4194303);
    EXPECT_TRUE(Evaluate());
}

TEST_F(ConditionsTest, SizeLimitsHoldOnSizesBeyondFourGiB)
{
    // 5 GiB: the low 32 bits alone would read as 1 GiB.
    record.fileSize = 0x40000000;
    record.fileSizeHigh = 1;
    UseOnly(false, true, false, false);
    largerThan.setValue(4 * 1024 * 1024);  // 4 GiB in kB
    EXPECT_TRUE(Evaluate());
    UseOnly(false, false, true, false);
    smallerThan.setValue(2 * 1024 * 1024);
    EXPECT_FALSE(Evaluate());
}

TEST_F(ConditionsTest, AgeCountsWholeDaysFromTodayAtMidnight)
{
    UseOnly(true, false, false, false);
    age.setValue(14);
    record.deletedDateAndTime = PackDeletedDateTime(1999, 12, 31, 0, 0, 0);  // 15 days
    EXPECT_TRUE(Evaluate());
    EXPECT_EQ(std::vector<std::string>{"          Deleted 15 days ago"}, results.lines());
    record.deletedDateAndTime = PackDeletedDateTime(1999, 12, 31, 10, 0, 0);  // 14.58 days
    EXPECT_FALSE(Evaluate());
    // A deletion after today's midnight counts by its distance too.
    record.deletedDateAndTime = PackDeletedDateTime(2000, 2, 1, 0, 0, 0);
    EXPECT_TRUE(Evaluate());
    EXPECT_EQ("          Deleted 17 days ago", results.line(1));
}

// The age in whole days from the day numbers is the truncated distance of the
// two date-times, for deletions before, on and after today, at midnight and
// at every other time of day, and for a today that is no midnight.
TEST_F(ConditionsTest, AgeInWholeDaysIsTheTruncatedDistanceOfTheDateTimes)
{
    const struct {
        int hour, minute, second;
    } times[] = {{0, 0, 0}, {0, 0, 2}, {10, 0, 0}, {12, 0, 0}, {23, 59, 58}};
    const TDateTime midnight = EncodeDateTime(2000, 1, 15, 0, 0, 0, 0);
    for (const TDateTime today : {midnight, midnight + 0.5})
        for (int offset = -3; offset <= 3; ++offset)
            for (const auto& t : times) {
                const int dayOfMonth = 15 + offset;
                record.deletedDateAndTime = PackDeletedDateTime(2000, 1, dayOfMonth, t.hour, t.minute, t.second);
                const FileEvaluation file{record, today};
                const TDateTime deleted = EncodeDateTime(2000, 1, dayOfMonth, t.hour, t.minute, t.second, 0);
                EXPECT_EQ(DeletionAgeInDays(file), static_cast<long long>(std::trunc(std::fabs(today - deleted))))
                    << "day " << offset << " at " << t.hour << ":" << t.minute << ":" << t.second << ", today " << today;
            }
}

// The number of an explanation line is kept in 32 bits; an age beyond that
// (only with a clock far from any real date) must still read in full.
TEST_F(ConditionsTest, AgeBeyondThirtyTwoBitsKeepsEveryDigit)
{
    UseOnly(true, false, false, false);
    SetClock([] { return 5e9 + 0.5; });
    record.deletedDateAndTime = PackDeletedDateTime(1999, 12, 30, 0, 0, 0);  // day 36524
    EXPECT_TRUE(Evaluate());
    SetClock(FixedNow);
    EXPECT_EQ(std::vector<std::string>{"          Deleted 4999963476 days ago"}, results.lines());
}

TEST_F(ConditionsTest, InvalidDeletionDateRaises)
{
    UseOnly(true, false, false, false);
    record.deletedDateAndTime = PackDeletedDateTime(1999, 0, 31, 23, 59, 7);
    EXPECT_THROW(Evaluate(), DateTimeError);
}

TEST_F(ConditionsTest, OrStopsAtFirstHoldingTest)
{
    UseOnly(true, true, true, true);
    patterns.setPlainText("*.bak");
    record.fileSize = 5000;  // smaller than 10 kB holds too
    EXPECT_TRUE(Evaluate());
    EXPECT_EQ(std::vector<std::string>{"          Deleted 15 days ago"}, results.lines());
}

TEST_F(ConditionsTest, OrTriesLaterTestsWhileNoneHolds)
{
    UseOnly(true, true, true, true);
    patterns.setPlainText("*.bak");
    record.deletedDateAndTime = PackDeletedDateTime(2000, 1, 14, 0, 0, 0);
    record.fileSize = 20000;
    EXPECT_TRUE(Evaluate());
    EXPECT_EQ(std::vector<std::string>{"          Name match with *.bak"}, results.lines());
}

TEST_F(ConditionsTest, AndStopsAtFirstFailingTestKeepingEarlierLines)
{
    logic.setItemIndex(1);
    UseOnly(true, true, true, true);
    patterns.setPlainText("*.bak");
    record.fileSize = 20000;  // not larger than 1000 kB
    EXPECT_FALSE(Evaluate());
    EXPECT_EQ(std::vector<std::string>{"          Deleted 15 days ago"}, results.lines());

    results.clear();
    largerThan.setValue(1);
    smallerThan.setValue(100);
    EXPECT_TRUE(Evaluate());
    EXPECT_EQ((std::vector<std::string>{"          Deleted 15 days ago", "          File size >= 1 kB",
                                        "          File size <= 100 kB", "          Name match with *.bak"}),
              results.lines());
}

TEST_F(ConditionsTest, NoFlagSetMatchesNothingUnderOrEverythingUnderAnd)
{
    UseOnly(false, false, false, false);
    EXPECT_FALSE(Evaluate());
    logic.setItemIndex(1);
    EXPECT_TRUE(Evaluate());
    EXPECT_EQ(0, results.count());
}

TEST_F(ConditionsTest, PatternLinesInOrderWithLineAsTyped)
{
    UseOnly(false, false, false, true);
    patterns.setPlainText("*.tmp\n\nRep*.Bak\n*.bak");
    EXPECT_TRUE(Evaluate());
    EXPECT_EQ(std::vector<std::string>{"          Name match with Rep*.Bak"}, results.lines());
    Name("NOTES.TXT");
    EXPECT_FALSE(Evaluate());
    EXPECT_EQ(1, results.count());
}

TEST_F(ConditionsTest, StarDotStarAnywhereMatchesEveryNameSilently)
{
    UseOnly(false, false, false, true);
    patterns.setPlainText("*.tmp\n*.*\n*.bak");
    Name("NOTES.TXT");
    EXPECT_TRUE(Evaluate());
    EXPECT_EQ(0, results.count());
    patterns.setPlainText("*.tmp\n *.*");  // with a blank it is an ordinary pattern
    EXPECT_FALSE(Evaluate());
}

TEST_F(ConditionsTest, EmptyMemoLeavesOutcomeUnchanged)
{
    UseOnly(false, false, false, true);
    patterns.clear();
    EXPECT_FALSE(Evaluate());  // Or starts from false
    logic.setItemIndex(1);
    EXPECT_TRUE(Evaluate());  // And starts from true
}

// The memo's lines are prepared once per job, each side sorted by the test it
// needs; every kind must answer as the matcher itself does.
TEST_F(ConditionsTest, PreparedPatternLinesAnswerAsTheMatcher)
{
    for (const PatternCase& c : patternCases) {
        const std::string_view pattern = c.pattern;
        if (pattern.empty() || std::any_of(pattern.begin(), pattern.end(), [](char ch) { return ch & 0x80; }))
            continue;  // an empty memo has no lines; the memo holds other characters in the local encoding

        patterns.setPlainText(c.pattern);
        PatternLines lines;
        EXPECT_EQ(c.matches, lines.Read(&patterns).FirstMatch(c.name) != nullptr) << c.pattern << " against " << c.name;
    }
}

// Pattern lines moved to another place keep following the memo; the place
// they left reads the memo afresh when asked.
TEST_F(ConditionsTest, MovedPatternLinesKeepFollowingTheMemo)
{
    patterns.setPlainText("*.tmp");
    PatternLines first;
    EXPECT_EQ(1u, first.Read(&patterns).Patterns().size());
    PatternLines second = std::move(first);
    patterns.appendPlainText("*.bak");
    EXPECT_EQ(2u, second.Read(&patterns).Patterns().size());
    EXPECT_EQ(2u, first.Read(&patterns).Patterns().size());
    first = PatternLines();
    patterns.setPlainText("*.doc");
    EXPECT_EQ("*.doc", second.Read(&patterns).Patterns().at(0).line);
}

TEST_F(ConditionsTest, CachedPatternLinesFollowMemoEdits)
{
    UseOnly(false, false, false, true);
    PatternLines cache;
    patterns.setPlainText("*.tmp");
    FileEvaluation file{record, Today(), false, &cache};
    EvaluateConditions(job, file);
    EXPECT_FALSE(file.Matched);
    patterns.appendPlainText("*.bak");
    file.Matched = false;
    EvaluateConditions(job, file);
    EXPECT_TRUE(file.Matched);

    // Another document set into the memo is read too.
    auto* other = new QTextDocument(&patterns);
    other->setDocumentLayout(new QPlainTextDocumentLayout(other));
    other->setPlainText("*.doc");
    patterns.setDocument(other);
    file.Matched = false;
    EvaluateConditions(job, file);
    EXPECT_FALSE(file.Matched);
    other->setPlainText("report.*");
    EvaluateConditions(job, file);
    EXPECT_TRUE(file.Matched);
}

} // namespace
