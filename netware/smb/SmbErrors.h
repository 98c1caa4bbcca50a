// SPDX-License-Identifier: GPL-3.0-or-later
// Completion codes of the SMB client, the one table that turns what
// libsmbclient answers (an errno) into them, and their texts.
#pragma once

#include <string>
#include <vector>

#include "netware/CompletionCodes.h"

constexpr NWCCODE SMB_ERR_IO_FAILURE = ERR_IO_FAILURE;      // 0x8983: any other failure of the server
constexpr NWCCODE SMB_ERR_ACCESS_DENIED = ERR_NO_PURGE_PRIVILEGE;  // 0x898A: the account may not do it
constexpr NWCCODE SMB_ERR_READ_ONLY_SHARE = 0x898C;         // the share or its file system is read-only
constexpr NWCCODE SMB_ERR_SHARING_VIOLATION = 0x8980;       // the file is open on the server and may not go
constexpr NWCCODE SMB_ERR_NO_SUCH_DELETED_FILE = ERR_NO_SUCH_DELETED_FILE;  // 0x89FF: gone, or not the one listed
constexpr NWCCODE SMB_ERR_COPY_REMAINS = 0x89A1;            // deleted, but the server kept a recycled copy
constexpr NWCCODE SMB_ERR_LOGON_FAILURE = 0x89DE;           // user name or password refused
constexpr NWCCODE SMB_ERR_ACCOUNT_LOCKED_OUT = 0x89DC;      // the account is locked out
constexpr NWCCODE SMB_ERR_PASSWORD_EXPIRED = 0x89DF;        // the password has expired or must be changed
constexpr NWCCODE SMB_ERR_ACCOUNT_REFUSED = 0x89DB;         // locked out, disabled or expired: the server said no more
constexpr NWCCODE SMB_ERR_CONNECTION_LOST = 0x8810;         // the server stopped answering during the job
constexpr NWCCODE SMB_ERR_LOST_MID_PURGE = 0x8812;          // lost between moving a file aside and deleting it
constexpr NWCCODE SMB_ERR_SERVER_SKIPPED = 0x8811;          // not tried: the server failed earlier in the job
constexpr NWCCODE SMB_ERR_SERVER_UNREACHABLE = 0x88FF;      // did not answer within the time-out
constexpr NWCCODE SMB_ERR_BAD_CREDENTIALS_FILE = 0x89D6;   // the credentials file was refused
constexpr NWCCODE SMB_ERR_NO_SUCH_FOLDER = 0x89A2;          // a start folder the share does not hold

// errno of a failed libsmbclient call to completion code. connected tells
// whether the server had answered before: a refused or timed-out link is then
// a lost connection, else an unreachable server; EACCES at the first contact
// is a refused logon.
NWCCODE SmbCodeOfErrno(int error, bool connected);
// The code of a refused logon from what the server said about it (its
// message text); SMB_ERR_ACCOUNT_REFUSED when it says nothing known.
NWCCODE SmbCodeOfLogonRefusal(const std::string& message);

// True for the codes after which nothing more can be asked of the server.
bool IsServerFailure(NWCCODE code);

// This client's texts for its codes, beside the shared ones.
const std::vector<CompletionCodeText>& SmbCodeTexts();
