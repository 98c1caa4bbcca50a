// SPDX-License-Identifier: GPL-3.0-or-later
// errno to completion code, and the texts of the codes.
#include "netware/trash/TrashErrors.h"

#include <cerrno>

#include "netware/NameContexts.h"

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

const char* TrashCodeText(NWCCODE code)
{
    static const struct {
        NWCCODE code;
        const char* text;
    } texts[] = {
        {TRASH_ERR_IO_FAILURE, "The trashed item could not be read or deleted"},
        {TRASH_ERR_READ_ONLY, "The file system of the trash can is read-only"},
        {TRASH_ERR_NO_PURGE_PRIVILEGE, "No permission to delete the trashed item"},
        {TRASH_ERR_NO_SUCH_DELETED_FILE, "No such trashed item: it is gone or changed since it was listed"},
        {ERR_INVALID_CONNECTION, "Invalid connection"},
        {ERR_CONNECTION_NOT_FOUND, "No further connection"},
        {ERR_NO_CONNECTION_TO_SERVER, "No connection to server"},
        {ERR_INVALID_PARAMETER, "Invalid parameter"},
        {ERR_VOLUME_DOES_NOT_EXIST, "Volume does not exist"},
        {ERR_BAD_DIRECTORY_HANDLE, "Invalid directory handle"},
        {ERR_INVALID_PATH, "Invalid path"},
        {ERR_NO_MORE_DIR_HANDLES, "No more directory handles"},
        {ERR_VOLUME_SPACE_UNKNOWN, "The space of the volume is not known"},
        {ERR_NO_SUCH_OBJECT, "No such user"},
        {ERR_BAD_CONTEXT, "Invalid context handle"},
        {ERR_BAD_KEY, "Invalid context key"},
    };
    for (const auto& entry : texts)
        if (entry.code == code)
            return entry.text;
    return nullptr;
}
