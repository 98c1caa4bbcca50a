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
    case EINVAL:
        // libsmbclient's answer to a logon the server refuses for the account
        // itself (locked out, password expired); later it is a bad request.
        return connected ? SMB_ERR_IO_FAILURE : SMB_ERR_ACCOUNT_REFUSED;
    case EROFS:
        return SMB_ERR_READ_ONLY_SHARE;
    case EBUSY:
    case ETXTBSY:
        return SMB_ERR_SHARING_VIOLATION;
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
    case ENETRESET:
        return connected ? SMB_ERR_CONNECTION_LOST : SMB_ERR_SERVER_UNREACHABLE;
    default:
        return SMB_ERR_IO_FAILURE;
    }
}

NWCCODE SmbCodeOfLogonRefusal(const std::string& message)
{
    if (message.find("locked") != std::string::npos)
        return SMB_ERR_ACCOUNT_LOCKED_OUT;
    if (message.find("password has expired") != std::string::npos ||
        message.find("password must be changed") != std::string::npos)
        return SMB_ERR_PASSWORD_EXPIRED;
    return SMB_ERR_ACCOUNT_REFUSED;
}

bool IsServerFailure(NWCCODE code)
{
    switch (code) {
    case SMB_ERR_LOGON_FAILURE:
    case SMB_ERR_ACCOUNT_LOCKED_OUT:
    case SMB_ERR_PASSWORD_EXPIRED:
    case SMB_ERR_ACCOUNT_REFUSED:
    case SMB_ERR_CONNECTION_LOST:
    case SMB_ERR_LOST_MID_PURGE:
    case SMB_ERR_SERVER_SKIPPED:
    case SMB_ERR_SERVER_UNREACHABLE:
    case SMB_ERR_BAD_CREDENTIALS_FILE:
        return true;
    default:
        return false;
    }
}

const std::vector<CompletionCodeText>& SmbCodeTexts()
{
    static const std::vector<CompletionCodeText> texts = {
        {SMB_ERR_IO_FAILURE, "The server could not do it"},
        {SMB_ERR_ACCESS_DENIED, "Access denied"},
        {SMB_ERR_READ_ONLY_SHARE, "The share is read-only"},
        {SMB_ERR_SHARING_VIOLATION, "The file is in use on the server (sharing violation)"},
        {SMB_ERR_NO_SUCH_DELETED_FILE, "No such deleted file"},
        {SMB_ERR_COPY_REMAINS, "The server kept a recycled copy"},
        {SMB_ERR_LOGON_FAILURE, "The server refused the user name or password"},
        {SMB_ERR_ACCOUNT_LOCKED_OUT, "The account is locked out"},
        {SMB_ERR_PASSWORD_EXPIRED, "The account's password has expired or must be changed"},
        {SMB_ERR_ACCOUNT_REFUSED, "The server refused the account (locked out, disabled or password expired)"},
        {SMB_ERR_CONNECTION_LOST, "Connection to the server lost"},
        {SMB_ERR_LOST_MID_PURGE, "Connection to the server lost while the file was set aside for deletion"},
        {SMB_ERR_SERVER_SKIPPED, "Not done: the server failed earlier in this job"},
        {SMB_ERR_SERVER_UNREACHABLE, "The server did not answer"},
        {SMB_ERR_BAD_CREDENTIALS_FILE, "The credentials file was refused"},
        {SMB_ERR_NO_SUCH_FOLDER, "No such folder"},
    };
    return texts;
}
