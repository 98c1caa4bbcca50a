// SPDX-License-Identifier: GPL-3.0-or-later
// How a share's recycle bin is laid out, found from what the server does
// rather than assumed: a small probe file is deleted in the bin's folder, and
// where the recycle module puts it tells whether the bin has a folder per
// deleting account (and which one is the logged-on account's) or is one
// shared folder, in which a delete is final.
#pragma once

#include <string>

#include "netware/ntypes.h"
#include "netware/smb/SmbSession.h"

struct SmbBinLayout {
    bool perUser = false;
    // Per user: the logged-on account's folder, as the server names it;
    // empty while unknown.
    std::string ownFolder;
};

// root: "SHARE/folder", the bin's folder (for a per-user bin the one that
// holds the users' folders). user: the logged-on account's name when known.
// A bin the account may not write into is judged as JudgeBinLayout does.
// Fails only when the server failed.
NWCCODE FindBinLayout(SmbSession& session, const std::string& root, const std::string& user, SmbBinLayout& layout);

// The same without writing anything: the bin is per user when one of its
// first folders is named as the logged-on account (its own folder) or as the
// account that owns it (the own folder then taken to be named as the user).
NWCCODE JudgeBinLayout(SmbSession& session, const std::string& root, const std::string& user, SmbBinLayout& layout);
