// The result log: the lines of the result list saved as a text file, each line
// ended by CR LF, in the program's 8-bit code page.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

// A log that could not be written; the message names the file and the reason.
class ResultLogError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Replaces the file at path with the lines, each followed by CR LF (an empty
// list gives an empty file). The new content is written to a temporary file
// beside the target, flushed to disk and renamed over it, so the file at path is
// always either the old log or the whole new one. Raises ResultLogError.
void SaveResultLog(const std::vector<std::string>& lines, const std::string& path);
