// SPDX-License-Identifier: GPL-3.0-or-later
// errno to completion code, and the texts of the codes.
#include "netware/trash/TrashErrors.h"

#include <cerrno>


NWCCODE TrashCodeOfErrno(int error)
{
    switch (error) {
    case 0:
        return SUCCESSFUL;
    case EACCES:
    case EPERM:
        return TRASH_ERR_NO_PURGE_PRIVILEGE;
    case EROFS:
        return TRASH_ERR_READ_ONLY;
    default:
        return TRASH_ERR_IO_FAILURE;
    }
}

std::vector<CompletionCodeText> TrashOwnCodeTexts()
{
    return {
        {TRASH_ERR_IO_FAILURE, "The trashed item could not be read or deleted"},
        {TRASH_ERR_READ_ONLY, "The file system of the trash can is read-only"},
        {TRASH_ERR_NO_PURGE_PRIVILEGE, "No permission to delete the trashed item"},
        {TRASH_ERR_NO_SUCH_DELETED_FILE, "No such trashed item: it is gone or changed since it was listed"},
    };
}
