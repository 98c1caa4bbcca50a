// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a file whole, the one way the program reads files: only regular files
// are read, so a pipe or device at the path never blocks or floods the caller.
#pragma once

#include <cstddef>
#include <fcntl.h>
#include <limits>
#include <string>
#include <sys/stat.h>

struct FileReadOptions {
    // An open folder that a relative path starts from.
    int folder = AT_FDCWD;
    // False: a symbolic link as the path's last part is refused (ELOOP).
    bool followLinks = true;
    // A larger file is refused (EFBIG) without reading more than this.
    std::size_t limit = std::numeric_limits<std::size_t>::max();
    // When given, receives what the opened file was (type, inode, times),
    // so that a caller wanting both looks the file up only once.
    struct stat* opened = nullptr;
};

// Replaces text with the file's bytes and returns 0, or returns the errno of
// the failure with text emptied: EINVAL for a file that is not a regular one
// (a pipe, a device), EISDIR for a folder, EFBIG for one over the limit.
int ReadFileText(const std::string& path, std::string& text, const FileReadOptions& options = {});
