// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a trash can's folders so that no link, no folder of another user and
// no folder others may change leads the program elsewhere: from the root down,
// one folder at a time.
#pragma once

#include <string>
#include <sys/types.h>

// Who besides root and a can's owner may write to a folder the sweep relies on.
enum class OthersMayWrite {
    // Nobody else may write to it, group- or world-writable only with its
    // sticky bit (nobody then takes the owner's entries away): the folders on
    // the way to a can, and the can.
    OnlyWithStickyBit,
    // Nobody else at all: files/, info/ and the folders a purge empties, into
    // which another user could otherwise move the owner's own live folders.
    Never,
    // Whoever the mode lets: file systems without permissions of their own
    // (FAT, exFAT, NTFS through ntfs-3g), where every folder has the one mode
    // the mount gives them all. Whoever may write into one folder there may
    // write into, and delete from, any other already.
    AsMounted,
};

// Whether the folder described by info may be relied on by a sweep acting as
// owner: it belongs to owner (or, with rootAllowed, to root) and others may
// write to it no more than `others` allows. The problem names the folder as
// `where` when it may not.
bool FolderFitForOwner(const struct stat& info, uid_t owner, bool rootAllowed, OthersMayWrite others,
                       const std::string& where, std::string& problem);

// Opens the folder at an absolute path one component at a time from "/",
// never following a symbolic link. "/" and every folder on the way must belong
// to root or to owner, the folder itself to owner; all of them as
// OthersMayWrite::OnlyWithStickyBit says. Returns its descriptor, or -1 with
// problem saying why; problem stays empty when the path simply does not lead
// to a folder.
// The folder itself is held to `last` (a drive's root: OthersMayWrite::AsMounted).
int OpenOwnedFolder(const std::string& path, uid_t owner, std::string& problem,
                    OthersMayWrite last = OthersMayWrite::OnlyWithStickyBit);

// A folder in an open folder (files/, info/ of a can): not a link, owner's,
// OthersMayWrite::Never. -1 and problem as above; where names the folder in
// the problem.
int OpenOwnedSubfolder(int dirFd, const char* name, uid_t owner, const std::string& where, std::string& problem);
