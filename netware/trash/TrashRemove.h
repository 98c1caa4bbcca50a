// SPDX-License-Identifier: GPL-3.0-or-later
// Deleting and measuring what lies in a trash can's files/ folder without ever
// following a symbolic link or crossing into another file system.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>

// Removes the entry `name` of the directory open as dirFd: a file or a link
// is unlinked, a directory emptied depth first and removed, however deep it
// is nested (beyond a few dozen levels with one folder open at a time).
// Directories on another device than `device` are not entered (EXDEV).
// Stops at the first failure and returns its errno; 0 on success or when the
// entry is gone. A name that cannot be an item ("." or "..") gives EINVAL.
int RemoveTrashedEntry(int dirFd, const std::string& name, dev_t device);

// The total size of the regular files at and below the entry (a regular file:
// its own size), symbolic links not followed, other devices not entered,
// however deep the folders are nested.
std::uint64_t TrashedEntrySize(int dirFd, const std::string& name, dev_t device);
