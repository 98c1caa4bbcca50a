// SPDX-License-Identifier: GPL-3.0-or-later
// Writing the job's JSON Lines record.
#include "app/JobReport.h"

#include "util/AtomicFile.h"
#include "util/DateTime.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

constexpr std::size_t BlockSize = 1 << 16;

// The length of the valid UTF-8 sequence at text[i], or 0.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned min = 0;
    unsigned code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (byte(i + k) & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

void AppendEscaped(std::string& out, unsigned code)
{
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04x", code);
    out += escape;
}

std::string Field(const char* name, const std::string& json)
{
    return std::string("\"") + name + "\":" + json;
}

std::string Number(std::int64_t value)
{
    return std::to_string(value);
}

std::string Array(const std::vector<std::string>& texts)
{
    std::string json = "[";
    for (std::size_t i = 0; i < texts.size(); ++i)
        json += (i ? "," : "") + JsonString(texts[i]);
    return json + "]";
}

const char* OutcomeName(FileOutcome outcome)
{
    switch (outcome) {
    case FileOutcome::Purged: return "purged";
    case FileOutcome::Kept: return "kept";
    case FileOutcome::Failed: return "failed";
    case FileOutcome::Listed: break;
    }
    return "listed";
}

std::string CodeText(NWCCODE code)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%.4X", static_cast<unsigned>(code));
    return text;
}

std::string IsoOf(std::tm parts)
{
    char text[96];
    const int offset = static_cast<int>(parts.tm_gmtoff / 60);
    const int hours = (offset < 0 ? -offset : offset) / 60 % 100;
    const int minutes = (offset < 0 ? -offset : offset) % 60;
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, offset < 0 ? '-' : '+',
                  hours, minutes);
    return text;
}

}  // namespace

std::string JsonString(std::string_view text)
{
    std::string out = "\"";
    out.reserve(text.size() + 2);
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            AppendEscaped(out, c);
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (const std::size_t length = Utf8SequenceAt(text, i)) {
            out.append(text.substr(i, length));
            i += length;
            continue;
        } else {
            AppendEscaped(out, c);
        }
        ++i;
    }
    return out + "\"";
}

std::string IsoLocalTime(int year, int month, int day, int hour, int minute, int second)
{
    if (!IsValidDate(year, month, day) || hour > 23 || minute > 59 || second > 59 || hour < 0 || minute < 0 ||
        second < 0)
        return std::string();
    const auto wallClock = [&] { return CalendarParts(year, month, day, hour, minute, second); };
    std::tm normalised = wallClock();
    normalised.tm_isdst = -1;
    if (std::mktime(&normalised) == static_cast<std::time_t>(-1) && !(year == 1969 || year == 1970))
        return std::string();
    // mktime moves a time that a change to summer time skipped; the record
    // keeps the server's wall-clock time with the offset then in force.
    std::tm shown = wallClock();
    shown.tm_gmtoff = normalised.tm_gmtoff;
    return IsoOf(shown);
}

std::string IsoLocalTime(std::time_t time)
{
    std::tm parts{};
    localtime_r(&time, &parts);
    return IsoOf(parts);
}

struct JobReport::Target {
    std::unique_ptr<AtomicFile> file;
};

JobReport::JobReport(const std::string& path) : path_(path), target_(new Target)
{
    AtomicFileOptions options;
    // It lists other users' files when root sweeps their trash cans.
    options.createMode = geteuid() == 0 ? 0600 : 0666;
    try {
        target_->file = std::make_unique<AtomicFile>(path, options);
    } catch (const AtomicFileError& error) {
        error_ = "Cannot create file \"" + path + "\". " + std::strerror(error.error());
    }
    pending_.reserve(BlockSize * 2);
}

JobReport::~JobReport()
{
    delete target_;  // an unfinished report leaves no file
}

void JobReport::Append(const std::string& object)
{
    if (!error_.empty())
        return;
    pending_ += object;
    pending_ += '\n';
    if (pending_.size() >= BlockSize)
        Flush();
}

void JobReport::Flush()
{
    try {
        target_->file->Write(pending_);
    } catch (const AtomicFileError& error) {
        error_ = "Cannot write file \"" + path_ + "\". " + std::strerror(error.error());
        target_->file.reset();
    }
    pending_.clear();
}

void JobReport::AddFile(const ReportedFile& file)
{
    const std::size_t colon = file.volumePath.find(':');
    const std::string_view volume = file.volumePath.substr(0, colon);
    const std::string_view folder =
        colon == std::string_view::npos ? std::string_view() : file.volumePath.substr(colon + 1);
    const std::string deleted = IsoLocalTime(file.deletedDate.year, file.deletedDate.month, file.deletedDate.day,
                                             file.deletedTime.hours, file.deletedTime.minutes,
                                             file.deletedTime.seconds);
    std::string object = "{" + Field("type", "\"file\"") + "," + Field("start_path", JsonString(file.startPath)) +
                         "," + Field("server", JsonString(file.server)) + "," +
                         Field("volume", JsonString(volume)) + "," + Field("folder", JsonString(folder)) + "," +
                         Field("name", JsonString(file.name)) + "," + Field("size", std::to_string(file.size)) + "," +
                         Field("deleted", deleted.empty() ? "null" : JsonString(deleted)) + "," +
                         Field("user", JsonString(file.user)) + "," +
                         Field("matched", file.matched ? "true" : "false") + "," +
                         Field("explanations", Array(file.explanations)) + "," +
                         Field("outcome", JsonString(OutcomeName(file.outcome)));
    if (file.outcome == FileOutcome::Kept || file.outcome == FileOutcome::Failed)
        object += "," + Field("reason", JsonString(file.reason));
    if (file.outcome == FileOutcome::Failed)
        object += "," + Field("code", Number(file.code)) + "," + Field("code_hex", JsonString(CodeText(file.code)));
    Append(object + "}");
}

void JobReport::Finish(const ReportTotals& totals)
{
    Append("{" + Field("type", "\"totals\"") + "," + Field("listed", Number(totals.listed)) + "," +
           Field("matched", Number(totals.matched)) + "," + Field("purged", Number(totals.purged)) + "," +
           Field("kept", Number(totals.kept)) + "," + Field("failed", Number(totals.failed)) + "," +
           Field("folders_not_scanned", Number(totals.foldersNotScanned)) + "," +
           Field("skipped_count", Number(totals.skippedCount)) + "," + Field("skipped", Array(totals.skipped)) +
           "," + Field("exit_status", totals.exitStatus ? Number(*totals.exitStatus) : "null") + "," +
           Field("started", JsonString(IsoLocalTime(totals.started))) + "," +
           Field("ended", JsonString(IsoLocalTime(totals.ended))) + "}");
    if (error_.empty())
        Flush();
    if (error_.empty()) {
        try {
            target_->file->Commit();
        } catch (const AtomicFileError& error) {
            error_ = "Cannot write file \"" + path_ + "\". " + std::strerror(error.error());
        }
    }
    target_->file.reset();
    if (!error_.empty())
        throw JobReportError(error_);
}
