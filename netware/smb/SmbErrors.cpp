// SPDX-License-Identifier: GPL-3.0-or-later
// errno to completion code, and the codes' texts.
#include "netware/smb/SmbErrors.h"

#include <cerrno>

NWCCODE SmbCodeOfErrno(int error, bool connected)
{
    switch (error) {
    case 0:
        return SUCCESSFUL;
    case EACCES:
    case EPERM:
        return connected ? SMB_ERR_ACCESS_DENIED : SMB_ERR_LOGON_FAILURE;
    case EROFS:
        return SMB_ERR_READ_ONLY_SHARE;
    case ENOENT:
    case ENOTDIR:
    case EISDIR:
        return SMB_ERR_NO_SUCH_DELETED_FILE;
    case ETIMEDOUT:
    case ECONNREFUSED:
    case ECONNRESET:
    case ECONNABORTED:
    case EHOSTUNREACH:
    case ENETUNREACH:
    case EHOSTDOWN:
    case EPIPE:
    case ENOTCONN:
        return connected ? SMB_ERR_CONNECTION_LOST : SMB_ERR_SERVER_UNREACHABLE;
    default:
        return SMB_ERR_IO_FAILURE;
    }
}

bool IsServerFailure(NWCCODE code)
{
    return code == SMB_ERR_LOGON_FAILURE || code == SMB_ERR_CONNECTION_LOST || code == SMB_ERR_SERVER_UNREACHABLE ||
           code == SMB_ERR_BAD_CREDENTIALS_FILE;
}

const std::vector<CompletionCodeText>& SmbCodeTexts()
{
    static const std::vector<CompletionCodeText> texts = {
        {SMB_ERR_IO_FAILURE, "The server could not do it"},
        {SMB_ERR_ACCESS_DENIED, "Access denied"},
        {SMB_ERR_READ_ONLY_SHARE, "The share is read-only"},
        {SMB_ERR_NO_SUCH_DELETED_FILE, "No such deleted file"},
        {SMB_ERR_LOGON_FAILURE, "The server refused the user name or password"},
        {SMB_ERR_CONNECTION_LOST, "Connection to the server lost"},
        {SMB_ERR_SERVER_UNREACHABLE, "The server did not answer"},
        {SMB_ERR_BAD_CREDENTIALS_FILE, "The credentials file was refused"},
    };
    return texts;
}
