// SPDX-License-Identifier: GPL-3.0-or-later
// One SMB server as libsmbclient reaches it: logging on (credentials file,
// login box, or the user's Kerberos ticket), its disk shares, and the folder
// listings, file checks and deletions the recycle bins need. Every call waits
// at most the server's time-out; once the server failed (did not answer,
// refused the logon, lost the connection) every further call fails at once
// with the same code until Revive().
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "netware/ntypes.h"
#include "netware/smb/SmbCredentials.h"
#include "netware/smb/SmbServers.h"

struct SmbFileInfo {
    std::string name;
    bool isDirectory = false;
    std::uint64_t size = 0;
    std::uint64_t fileId = 0;  // 0 when the server gives none
    std::time_t accessTime = 0;
    std::time_t writeTime = 0;
    long writeTimeNanoseconds = 0;
};

// Asked once per server and run when the server refuses the logon and no
// credentials file is set; fills in user, password and domain and returns
// true, or false when the user cancelled.
using SmbLoginPrompt = std::function<bool(const std::string& server, SmbCredentials& credentials)>;

struct SmbContext;

class SmbSession {
public:
    SmbSession(SmbServerSettings settings, SmbLoginPrompt prompt);
    ~SmbSession();
    SmbSession(const SmbSession&) = delete;
    SmbSession& operator=(const SmbSession&) = delete;

    const SmbServerSettings& Settings() const { return settings_; }

    // The disk shares (hidden ones too), in the server's order.
    NWCCODE ListShares(std::vector<std::string>& shares);
    // Paths are "SHARE/folder/name", in UTF-8, without a leading slash.
    NWCCODE ListFolder(const std::string& path, std::vector<SmbFileInfo>& entries);
    NWCCODE Stat(const std::string& path, SmbFileInfo& info);
    NWCCODE Unlink(const std::string& path);
    // Renames within a share. libsmbclient replaces a file of the new name:
    // callers pick names nothing else uses.
    NWCCODE Rename(const std::string& from, const std::string& to);
    // A folder that is there already counts as made.
    NWCCODE MakeFolder(const std::string& path);
    // Makes a new file (never replacing one) holding the text.
    NWCCODE PutNewFile(const std::string& path, const std::string& text);
    // The name of the account that owns the file or folder, as the server's
    // security descriptor gives it (without its domain); fails where the
    // server gives none.
    NWCCODE Owner(const std::string& path, std::string& name);
    // The security id of that account ("S-1-5-21-..."): a third of the time
    // of the name, which the server looks up for every call.
    NWCCODE OwnerSid(const std::string& path, std::string& sid);
    // The user the server is logged on as; empty when libsmbclient chose
    // (a Kerberos ticket, the login name).
    const std::string& User() const { return credentials_.user; }
    NWCCODE RemoveFolder(const std::string& path);
    NWCCODE Space(const std::string& share, std::uint64_t& totalBytes, std::uint64_t& freeBytes);

    // The code the server failed with, 0 while it works; and what to tell the
    // user about it beyond the code's text (the credentials file's reason).
    NWCCODE Failure() const { return failure_; }
    const std::string& FailureDetail() const { return failureDetail_; }
    // Forgets a failure, so that the next call tries the server again.
    void Revive();

private:
    friend struct SmbContext;
    NWCCODE Connect();
    NWCCODE Finish(int result);
    std::string Url(const std::string& path) const;
    NWCCODE OwnerAttribute(const std::string& path, const char* attribute, std::string& value);

    SmbServerSettings settings_;
    SmbLoginPrompt prompt_;
    SmbCredentials credentials_;
    bool credentialsRead_ = false;
    static constexpr int kPromptsPerJob = 3;
    int prompted_ = 0;  // login boxes shown in this job
    bool connected_ = false;
    NWCCODE failure_ = 0;
    std::string failureDetail_;
    SmbContext* context_ = nullptr;
};
