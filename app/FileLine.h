// SPDX-License-Identifier: GPL-3.0-or-later
// A deleted file's line in the result list: "     - " (or "     + " for a
// matching file) and the file text, name  (size) [ Deleted: date by user ].
// The list keeps the line as a record of those values, written straight into
// its store; it writes the text when the line is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "netware/ntypes.h"

// What a file's line shows. The deletion date-time comes unpacked, so the text
// does not depend on the client when it is written later.
struct FileLineValues {
    std::string_view name;
    std::uint64_t size = 0;
    NW_DATE deletedDate{};
    NW_TIME deletedTime{};
    std::string_view userName;
};

namespace FileLine {

// The bytes of the record of a listed file's line.
std::size_t RecordSize(const FileLineValues& values);
// Puts that record at out, RecordSize bytes, with the mark of a listed file.
void PutRecord(char* out, const FileLineValues& values);
// Turns a record into that of a matching file, where it lies.
void MarkMatching(char* record);
// The most the line's text can take.
std::size_t TextLength(const FileLineValues& values);
// The file text, without the mark.
std::string FileText(const FileLineValues& values);
// The result list's writer of such records.
void Write(std::string_view record, std::string& text);

}  // namespace FileLine
