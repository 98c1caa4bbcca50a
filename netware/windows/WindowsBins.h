// SPDX-License-Identifier: GPL-3.0-or-later
// The recycle bins Windows leaves on drives mounted here, seen as one server's
// volumes: a volume per mounted file system whose root holds $Recycle.Bin, the
// original folders below the drive letter as its directories, and the items
// (an $R file or folder and its $I index) as the deleted files in them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

#include "netware/ntypes.h"
#include "netware/trash/OwnerIdentity.h"
#include "netware/trash/TrashCans.h"
#include "netware/trash/TrashIndex.h"

struct WindowsBinEnvironment {
    std::vector<std::string> mountPoints;  // absolute paths
    std::vector<TrashUser> users;          // the password database (or a test's)
    bool asRoot = false;                   // drives under /media/USER/ are then read as USER
};

// The machine as it is now: the mount points of /proc/self/mountinfo and the
// password database. With $MORVANE_WINDOWS_MOUNTS naming a file of mount
// points, one a line, only those (for trying the program out on drives of its
// own).
WindowsBinEnvironment SystemWindowsBinEnvironment();

// ntfs-3g's user mapping (.NTFS-3G/UserMapping at a drive's root): lines
// "user:group:SID", "#" comments. The user is a name or a number of the
// password database; lines without a user (group mappings) say nothing of
// one. Pairs of SID and the name to show.
std::vector<std::pair<std::string, std::string>> ParseUserMapping(std::string_view text,
                                                                  const std::vector<TrashUser>& users);

struct WindowsDrive {
    std::string mountPoint;
    std::string binFolder;  // "$Recycle.Bin", or "$RECYCLE.BIN" as FAT shows it
    uid_t mountOwner = 0;   // the owner of its root
    OwnerIdentity owner;    // as whom it is read and purged
    dev_t device = 0;
    bool listingInodes = false;  // its folder listings give the inodes a look gives
};

struct WindowsBin {
    size_t drive = 0;
    std::string sid;  // the folder's name: the user's security id
    ino_t inode = 0;
};

struct WindowsBinItem {
    std::string name;  // as listed
    size_t bin = 0;
    std::string id;    // what follows "$I" and "$R"
    std::uint64_t size = 0;
    nuint32 deleted = 0;  // packed local deletion date-time
    nuint32 user = 0;     // object id: index into WindowsBinIndex::users + 1
    bool hasIndex = false;
    bool hasItem = false;
    bool isDirectory = false;
    bool purged = false;
    // A file's size is its index's word (as Windows wrote it, and as
    // rifiuti-vista shows it) and is checked against the file when it is
    // purged; a folder is measured.
    bool sizeFromIndex = false;
    // The $R (its inode, from the folder's listing) and the $I as read (its
    // size too: a drive with coarse times may show a rewritten index with
    // the same change time): an item swapped since is not purged.
    std::uint64_t itemInode = 0;
    std::optional<TrashItemIdentity> index;
    std::uint64_t indexSize = 0;
};

class WindowsBinIndex {
public:
    // Reads every bin of every drive of the environment, each drive as its
    // owner. Deletion times outside what a packed date-time holds are clamped.
    static WindowsBinIndex Read(const WindowsBinEnvironment& environment);

    // Volumes and folders (their entries index items); the volumes are in
    // the order of drives.
    TrashIndex folders;
    std::vector<WindowsDrive> drives;
    std::vector<WindowsBin> bins;
    std::vector<WindowsBinItem> items;
    std::vector<std::string> users;     // the deleting users' names (or SIDs)
    std::vector<std::string> problems;  // what was refused, a line each

private:
    void ReadDrive(const std::string& mountPoint, const WindowsBinEnvironment& environment, const std::string& volume);
    void ReadBin(size_t bin, int binFd, const std::vector<std::pair<std::string, std::string>>& mapping);
    void PlaceItem(size_t item, const std::optional<std::string>& originalPath);
    nuint32 UserNumber(const std::string& name);
};

// Opens a folder in an open folder without following a link or leaving the
// device; -1 with errno (ELOOP for a link, EXDEV for another device).
int OpenFolderOnDevice(int dirFd, const char* name, dev_t device);
