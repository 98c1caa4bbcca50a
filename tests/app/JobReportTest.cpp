// SPDX-License-Identifier: GPL-3.0-or-later
// The job report's pieces: JSON text of 8-bit names, times with their offset,
// and a file written complete or not at all.
#include "app/JobReport.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(JobReportTest, NamesBecomeValidJsonText)
{
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"plain.tmp", "\"plain.tmp\""},
        {"say \"hi\"\\", "\"say \\\"hi\\\"\\\\\""},
        {"tab\there\nand\x1B\x7F", "\"tab\\u0009here\\u000aand\\u001b\\u007f\""},
        {"caf\xC3\xA9 \xE2\x82\xAC", "\"caf\xC3\xA9 \xE2\x82\xAC\""},          // UTF-8 passes
        {"caf\xE9", "\"caf\\u00e9\""},                                          // Latin-1 byte
        {"\xC3", "\"\\u00c3\""},                                                // cut sequence
        {"\xED\xA0\x80", "\"\\u00ed\\u00a0\\u0080\""},                          // a surrogate
        {"\xC0\xAF", "\"\\u00c0\\u00af\""},                                     // overlong
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(JsonString(c.in), c.out);
    }
}

TEST(JobReportTest, TimesCarryTheirOffset)
{
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    EXPECT_EQ(IsoLocalTime(1999, 12, 31, 23, 59, 7), "1999-12-31T23:59:07+01:00");
    EXPECT_EQ(IsoLocalTime(2024, 7, 1, 12, 0, 0), "2024-07-01T12:00:00+02:00");
    EXPECT_EQ(IsoLocalTime(2024, 3, 31, 2, 30, 0).substr(0, 19), "2024-03-31T02:30:00") << "a skipped hour";
    EXPECT_EQ(IsoLocalTime(1999, 0, 31, 23, 59, 7), "") << "no calendar date";
    EXPECT_EQ(IsoLocalTime(2001, 2, 29, 0, 0, 0), "");
    EXPECT_EQ(IsoLocalTime(std::time_t(0)), "1970-01-01T01:00:00+01:00");
    unsetenv("TZ");
    tzset();
}

TEST(JobReportTest, WrittenCompleteOrNotAtAll)
{
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/report.jsonl").toStdString();
    {
        JobReport unfinished(path);
        unfinished.AddFile({});
    }
    EXPECT_FALSE(std::filesystem::exists(path)) << "a report never finished leaves no file";

    JobReport report(path);
    ReportedFile file;
    file.name = "a.tmp";
    file.outcome = FileOutcome::Failed;
    file.code = 0x898A;
    file.reason = "0x898A (refused)";
    file.matched = true;
    report.AddFile(file);
    report.Finish({});
    struct stat status {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    if (geteuid() == 0) {
        EXPECT_EQ(status.st_mode & 0777, 0600u) << "root's report names other users' files";
    }
    std::ifstream in(path);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_NE(text.find("\"outcome\":\"failed\",\"reason\":\"0x898A (refused)\",\"code\":35210,\"code_hex\":\"0x898A\"}\n"
                        "{\"type\":\"totals\""),
              std::string::npos)
        << text;

    JobReport nowhere(dir.path().toStdString() + "/missing/report.jsonl");
    EXPECT_THROW(nowhere.Finish({}), JobReportError);
}

}  // namespace
