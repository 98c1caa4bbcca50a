// SPDX-License-Identifier: GPL-3.0-or-later
// Another account's recycled file is purged by moving it into the logged-on
// account's own bin first (a delete there is final, elsewhere the recycle
// module only moves the file again). It is set aside under a path that keeps
// where it came from: its folder below the bin (the owner's folder first, in
// a per-user bin) and its name, so that a file a lost connection left there
// can always be put back where it was.
#pragma once

#include <functional>
#include <string>

#include "netware/ntypes.h"
#include "netware/smb/SmbSession.h"

// The folder of the own bin that holds files set aside.
inline constexpr const char* kSetAsideFolder = ".morvane-purge";

// Where a file at path (below base, the folder that holds the users' bins)
// is set aside in the own bin.
std::string SetAsidePath(const std::string& ownBin, const std::string& base, const std::string& path);

// Makes the folders between floor (which exists) and the file at path.
NWCCODE MakeParents(SmbSession& session, const std::string& path, const std::string& floor);

// Renames from to to, making the folders between floor and to when the
// first try finds them missing; a failure to make them is the answer.
NWCCODE RenameMakingParents(SmbSession& session, const std::string& from, const std::string& to,
                            const std::string& floor);

// Moves the file at from back to to, never over anything: when the name is
// taken it gets " (put back N)" before its extension. placed: where it went.
NWCCODE PutBack(SmbSession& session, const std::string& from, const std::string& to, std::string& placed);

// Puts back a folder set aside whole (asideFolder, below ownBin's set-aside
// folder) to its place below base: in one rename while nothing has its name,
// else file by file as PutBack does; told(placed) or failed(path, code) for
// each file put back singly. Fails only when the server failed.
NWCCODE PutBackFolder(SmbSession& session, const std::string& asideFolder, const std::string& ownBin,
                      const std::string& base, const std::function<void(const std::string& placed)>& told,
                      const std::function<void(const std::string& path, NWCCODE code)>& failed);

// Puts back every file set aside below ownBin by an earlier job, each to its
// place below base; told(placed) or failed(path, code) for each. Fails only
// when the server failed.
NWCCODE PutBackLeftovers(SmbSession& session, const std::string& ownBin, const std::string& base,
                         const std::function<void(const std::string& placed)>& told,
                         const std::function<void(const std::string& path, NWCCODE code)>& failed);
