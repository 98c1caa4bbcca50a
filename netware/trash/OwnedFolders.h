// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a trash can's folders so that no link and no folder of another user
// leads the program elsewhere: from the root down, one folder at a time.
#pragma once

#include <string>
#include <sys/types.h>

// Opens the folder at an absolute path one component at a time from "/",
// never following a symbolic link. Every folder on the way must belong to
// root or to owner (and, when everybody may write to it, have its sticky
// bit); the folder itself must belong to owner. Returns its descriptor, or -1
// with problem saying why; problem stays empty when the path simply does not
// lead to a folder.
int OpenOwnedFolder(const std::string& path, uid_t owner, std::string& problem);

// A folder in an open folder (files/, info/ of a can): not a link, owner's.
// -1 and problem as above; where names the folder in the problem.
int OpenOwnedSubfolder(int dirFd, const char* name, uid_t owner, const std::string& where, std::string& problem);
