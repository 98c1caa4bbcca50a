// A deleted file's line in the result list: "     - " (or "     + " for a
// matching file) and the file text, name  (size) [ Deleted: date by user ].
// The scan keeps the line as a record of those values; the list writes its
// text when the line is read.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "netware/ntypes.h"

// One file's line as a record, built in a buffer kept across the files of a
// scan, so that a line costs no allocation.
class FileLineRecord {
public:
    // The line of a listed file. The deletion date-time comes unpacked, so the
    // text does not depend on the client when it is written later.
    void Set(std::string_view name, nuint32 size, const NW_DATE& deletedDate, const NW_TIME& deletedTime,
             std::string_view userName);
    // Turns the line into that of a matching file.
    void MarkMatching();

    std::string_view Record() const { return record_; }
    std::size_t TextLength() const;  // the most the text can take
    std::string FileText() const;    // without the mark

    // The result list's writer of such records.
    static void Write(std::string_view record, std::string& text);

private:
    std::string record_;
};
