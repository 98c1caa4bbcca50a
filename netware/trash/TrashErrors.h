// SPDX-License-Identifier: GPL-3.0-or-later
// Completion codes of the trash client, and the one table that turns a failed
// system call's errno into them.
#pragma once

#include "netware/CompletionCodes.h"

constexpr NWCCODE TRASH_ERR_IO_FAILURE = ERR_IO_FAILURE;                  // 0x8983: any failure to read or delete
constexpr NWCCODE TRASH_ERR_NO_PURGE_PRIVILEGE = ERR_NO_PURGE_PRIVILEGE;  // 0x898A: not allowed to delete
constexpr NWCCODE TRASH_ERR_NO_SUCH_DELETED_FILE = ERR_NO_SUCH_DELETED_FILE;  // 0x89FF: not the entry listed

// Permission failures (EACCES, EPERM, EROFS) give 0x898A, every other errno 0x8983.
NWCCODE TrashCodeOfErrno(int error);
