// SPDX-License-Identifier: GPL-3.0-or-later
// Deleting and measuring what lies in a trash can's files/ folder without ever
// following a symbolic link or crossing into another file system.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>

#include "netware/trash/OwnedFolders.h"

// Removes the entry `name` of the directory open as dirFd: a file or a link
// is unlinked, a directory emptied depth first and removed, however deep it
// is nested (beyond a few dozen levels with one folder open at a time).
// Directories on another device than `device` are not entered (EXDEV), nor
// folders that belong to neither owner nor root or that others may write to
// (EPERM, with refused saying which and why: another user could have moved
// the owner's live files into them). Stops at the first failure and returns
// its errno; 0 on success or when the entry is gone. A name that cannot be an
// item ("." or "..") gives EINVAL.
// On a drive without permissions of its own, inside is OthersMayWrite::AsMounted.
int RemoveTrashedEntry(int dirFd, const std::string& name, dev_t device, uid_t owner, std::string& refused,
                       OthersMayWrite inside = OthersMayWrite::Never);

// What the entry holds, symbolic links not followed, other devices not
// entered, however deep the folders are nested.
struct TrashedSize {
    std::uint64_t bytes = 0;      // the sizes of the regular files (a regular file: its own)
    std::uint64_t allocated = 0;  // the space they take on the disk (their blocks)
    // The first thing below the entry that could not be looked at, and why
    // ("NAME/sub cannot be read: Permission denied"); empty when all was counted.
    std::string uncounted;
};
TrashedSize TrashedEntrySize(int dirFd, const std::string& name, dev_t device);
