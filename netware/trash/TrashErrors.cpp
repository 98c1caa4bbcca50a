// SPDX-License-Identifier: GPL-3.0-or-later
// errno to completion code.
#include "netware/trash/TrashErrors.h"

#include <cerrno>

NWCCODE TrashCodeOfErrno(int error)
{
    switch (error) {
    case 0:
        return SUCCESSFUL;
    case EACCES:
    case EPERM:
    case EROFS:
        return TRASH_ERR_NO_PURGE_PRIVILEGE;
    default:
        return TRASH_ERR_IO_FAILURE;
    }
}
