// SPDX-License-Identifier: GPL-3.0-or-later
// Rewriting a file in place, as a log is written: the file at the path (a
// symbolic link is followed) is truncated and written anew, or created when
// missing, so a pre-created file keeps its owner, mode and links, and the
// folder it lies in need not be writable. Unlike AtomicFile, a failure halfway
// leaves the file cut short; the error says so.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

// Open covers the checks, the open and the truncation; Sync the flush to disk
// and the close.
enum class InPlaceFileStep { Open, Write, Sync };

class InPlaceFileError : public std::runtime_error {
public:
    InPlaceFileError(InPlaceFileStep step, int error, const std::string& path);
    InPlaceFileStep step() const { return step_; }
    int error() const { return error_; }

private:
    InPlaceFileStep step_;
    int error_;
};

// One rewrite in progress: the constructor opens and empties the file, Write
// appends a piece, Commit syncs and closes it. A file without any write
// permission bit counts as read-only and is refused (EACCES) before it is
// touched, also for root. A file that is not a regular one (a pipe, a
// terminal, /dev/null) is written without truncation or sync; a pipe without a
// reader is refused (ENXIO) rather than waited for. Every failing step raises
// InPlaceFileError; an empty path fails at Open with ENOENT.
class InPlaceFile {
public:
    explicit InPlaceFile(const std::string& path);
    ~InPlaceFile();
    InPlaceFile(const InPlaceFile&) = delete;
    InPlaceFile& operator=(const InPlaceFile&) = delete;

    void Write(std::string_view data);
    void Commit();

private:
    [[noreturn]] void Fail(InPlaceFileStep step, int error);

    std::string path_;
    int fd_ = -1;
    bool regular_ = false;
};
