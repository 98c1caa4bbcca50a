// SPDX-License-Identifier: GPL-3.0-or-later
// Completion codes of the trash client, the one table that turns a failed
// system call's errno into them, and the text of every code it returns.
#pragma once

#include <vector>

#include "netware/CompletionCodes.h"

constexpr NWCCODE TRASH_ERR_IO_FAILURE = ERR_IO_FAILURE;                  // 0x8983: any failure to read or delete
constexpr NWCCODE TRASH_ERR_READ_ONLY = 0x8986;                           // the file system is mounted read-only
constexpr NWCCODE TRASH_ERR_NO_PURGE_PRIVILEGE = ERR_NO_PURGE_PRIVILEGE;  // 0x898A: not allowed to delete
constexpr NWCCODE TRASH_ERR_NO_SUCH_DELETED_FILE = ERR_NO_SUCH_DELETED_FILE;  // 0x89FF: not the entry listed

// Permission failures (EACCES, EPERM) give 0x898A, a read-only file system
// (EROFS) 0x8986, every other errno 0x8983.
NWCCODE TrashCodeOfErrno(int error);

// The trash client's own words for its codes; the shared table has the rest.
std::vector<CompletionCodeText> TrashOwnCodeTexts();
