// SPDX-License-Identifier: GPL-3.0-or-later
// The user, password and domain a server is logged on with, and the
// credentials file they may come from (the format smbclient -A and mount.cifs
// read). The password only ever lives in memory, in one place.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// A password: moved, never copied, and overwritten when dropped.
class SmbSecret {
public:
    SmbSecret() = default;
    // Takes the text and overwrites the caller's copy.
    static SmbSecret Take(std::string& text);
    static SmbSecret Of(std::string_view text);
    SmbSecret(SmbSecret&& other) noexcept : bytes_(std::move(other.bytes_)) { other.bytes_.clear(); }
    SmbSecret& operator=(SmbSecret&& other) noexcept;
    SmbSecret(const SmbSecret&) = delete;
    SmbSecret& operator=(const SmbSecret&) = delete;
    ~SmbSecret() { Wipe(); }

    std::string_view View() const { return {bytes_.data(), bytes_.size()}; }
    bool Empty() const { return bytes_.empty(); }
    void Wipe();

private:
    std::vector<char> bytes_;
};

// Overwrites a string's characters and empties it.
void WipeText(std::string& text);

struct SmbCredentials {
    std::string user;
    SmbSecret password;
    std::string domain;
    bool given = false;  // from a file or a login box; else libsmbclient's own (a Kerberos ticket)
};

// Reads "username=", "password=" and "domain=" lines (also "user=", "pass=",
// "workgroup=" and "dom="; a "user%password" or "DOMAIN/user" form in the user
// name is split). The file is opened once, without following a link, and
// refused, with the reason in error, unless the open file is a regular file
// that belongs to the user this process runs as and that neither its group
// nor others may read. The error names neither the file nor anything read
// from it: a misplaced password must not be echoed.
bool ReadCredentialsFile(const std::string& fileName, SmbCredentials& credentials, std::string& error);
