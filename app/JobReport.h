// SPDX-License-Identifier: GPL-3.0-or-later
// The job's record for machines (report=FILE): JSON Lines, one object per
// listed file as the scan lists it, then one object with the totals. Streamed
// into a temporary file beside the target while the job runs and put in place
// at the end, so the file is complete or not there at all; no file's record
// stays in memory.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "netware/ntypes.h"

// A report that could not be written; the message names the file and the reason.
class JobReportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class FileOutcome { Listed, Purged, Kept, Failed };

struct ReportedFile {
    std::string_view startPath;
    std::string_view server;
    std::string_view volumePath;  // "VOL:DIR\SUB", split into volume and folder
    std::string_view name;
    std::uint64_t size = 0;
    NW_DATE deletedDate{};
    NW_TIME deletedTime{};
    std::string_view user;  // "[n/a]" when it could not be looked up
    bool matched = false;
    std::vector<std::string> explanations;
    FileOutcome outcome = FileOutcome::Listed;
    std::string reason;  // kept: why; failed: the server's text
    NWCCODE code = 0;    // failed: the server's code
};

struct ReportTotals {
    std::int64_t listed = 0;
    std::int64_t matched = 0;
    std::int64_t purged = 0;
    std::int64_t kept = 0;
    std::int64_t failed = 0;
    std::int64_t foldersNotScanned = 0;
    std::int64_t skippedCount = 0;
    std::vector<std::string> skipped;  // why, as far as kept
    std::optional<int> exitStatus;     // an unattended run's; none in the window
    std::time_t started = 0;
    std::time_t ended = 0;
};

class JobReport {
public:
    // Starts the report at path (mode 0600 when run as root: it names other
    // users' files). A failure to start is kept and raised by Finish.
    explicit JobReport(const std::string& path);
    ~JobReport();
    JobReport(const JobReport&) = delete;
    JobReport& operator=(const JobReport&) = delete;

    void AddFile(const ReportedFile& file);
    // Writes the totals and puts the file in place; raises JobReportError when
    // any step failed, and then leaves no file behind.
    void Finish(const ReportTotals& totals);

private:
    void Append(const std::string& object);
    void Flush();

    struct Target;
    std::string path_;
    Target* target_ = nullptr;
    std::string pending_;
    std::string error_;  // the first failure
};

// JSON text of an 8-bit string: valid UTF-8 passes, control characters are
// escaped, and a byte that is no part of valid UTF-8 is read as Latin-1.
std::string JsonString(std::string_view text);
// "YYYY-MM-DDTHH:MM:SS+hh:mm" in this machine's time zone; empty for a date
// the calendar does not have.
std::string IsoLocalTime(int year, int month, int day, int hour, int minute, int second);
std::string IsoLocalTime(std::time_t time);
