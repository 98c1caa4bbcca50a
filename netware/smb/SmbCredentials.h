// SPDX-License-Identifier: GPL-3.0-or-later
// The user, password and domain a server is logged on with, and the
// credentials file they may come from (the format smbclient -A and mount.cifs
// read). The password only ever lives in memory.
#pragma once

#include <string>

struct SmbCredentials {
    std::string user;
    std::string password;
    std::string domain;
    bool given = false;  // from a file or a login box; else libsmbclient's own (a Kerberos ticket)
};

// Reads "username=", "password=" and "domain=" lines (also "user=", "pass=",
// "workgroup=" and "dom="; a "user%password" or "DOMAIN/user" form in the user
// name is split). Refused, with the reason in error, unless the file belongs to
// the user this process runs as and neither its group nor others may read it.
// The error never holds anything read from the file.
bool ReadCredentialsFile(const std::string& fileName, SmbCredentials& credentials, std::string& error);
