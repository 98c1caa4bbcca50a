// SPDX-License-Identifier: GPL-3.0-or-later
// The result log: the lines of the result list saved as a text file, each line
// ended by CR LF, in the program's 8-bit code page.
#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

class ResultList;

// A log that could not be written; the message names the file and the reason.
class ResultLogError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Replaces the content of the file at path with the lines, each followed by
// CR LF (an empty list gives an empty file). The file is rewritten in place, as
// logs are: a pre-created log keeps its owner, mode and links, and its folder
// need not be writable; a missing one is created; a read-only one is refused.
// Success means the lines are on disk. Raises ResultLogError.
void SaveResultLog(const std::vector<std::string>& lines, const std::string& path);
// The same for the lines of the result list, streamed without a copy of the
// whole list (a job can list millions of files).
void SaveResultLog(const ResultList& list, const std::string& path);
// The same for count lines handed out one by one, in order.
void SaveResultLog(std::size_t count, const std::function<std::string(std::size_t)>& line, const std::string& path);
