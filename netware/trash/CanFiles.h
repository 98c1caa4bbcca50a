// SPDX-License-Identifier: GPL-3.0-or-later
// The small files of a trash can (.trashinfo, directorysizes), read and
// rewritten relative to the can's open folders so that a FIFO, a device, a
// huge file or a planted link can neither hang, flood nor redirect them.
#pragma once

#include <cstddef>
#include <set>
#include <string>

// Room for a Path hundreds of thousands of folders deep, which is listed.
inline constexpr std::size_t TrashInfoSizeLimit = 1024 * 1024;
inline constexpr std::size_t DirectorySizesSizeLimit = 4 * 1024 * 1024;

// Reads the file `name` of the folder open as dirFd when it is a regular file
// (not a link) of at most `limit` bytes. Returns 0 or the errno that kept it
// from being read (EFBIG for a larger file, EISDIR for a folder, EINVAL for
// any other file that is not regular).
int ReadCanFile(int dirFd, const char* name, std::size_t limit, std::string& text);

// Takes the lines of the given entries out of the directorysizes file of the
// can open as canFd: the rest goes into a new file, created where no file was
// (never through an existing one) and renamed over the old one. A missing
// file, or one without those lines, is left alone. Returns 0 or the errno of
// the failed step.
int RemoveDirectorySizesLines(int canFd, const std::set<std::string>& entryNames);
