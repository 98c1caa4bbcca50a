// SPDX-License-Identifier: GPL-3.0-or-later
// Where the trash cans of this machine are: the mount table, the users, and
// for each user the home trash and the trash cans at the top of every mounted
// file system. Tests hand in an environment of their own.
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

#include "netware/trash/OwnerIdentity.h"

struct TrashUser {
    uid_t uid = 0;
    std::string name;
    std::string home;
    gid_t gid = 0;  // the primary group, for a user the group database does not know
};

struct TrashEnvironment {
    std::vector<std::string> mountPoints;  // absolute paths; each becomes a volume
    uid_t uid = 0;                         // whose trash cans, unless everyUser
    bool everyUser = false;                // root: every user's trash cans
    std::string homeTrash;                 // the running user's $XDG_DATA_HOME/Trash
    std::vector<TrashUser> users;          // the password database (or a test's)
};

// The machine as the running user sees it, read anew for every reading of
// the trash (a disk mounted meanwhile is seen): mount points from
// /proc/self/mountinfo, every user of the password database, every user's
// trash cans when run as root. With $MORVANE_TRASH_MOUNTS naming a file of mount
// points, one a line, only those mount points and only the running user's own
// trash cans are seen (for trying the program out on a trash of its own).
TrashEnvironment SystemTrashEnvironment();

// Mount points of a /proc/self/mountinfo text, octal escapes undone, each once.
std::vector<std::string> MountPointsOfMountInfo(const std::string& text);

enum class TrashCanKind { Home, TopDir };

struct TrashCan {
    std::string path;         // the folder holding files/ and info/
    std::string topdir;       // the mount point a TopDir can serves (empty for Home)
    TrashCanKind kind = TrashCanKind::Home;
    OwnerIdentity owner;      // the user its name or place says, as whom it is read and purged
    dev_t device = 0;         // the folder found, which every later opening must meet again
    ino_t inode = 0;
    std::string problem;      // why the can may not be used; empty for a usable one
    std::string home;         // a home can's: the home the user database gives, which led to it
    // A home can not used because it is another user's, whose own can it is.
    std::optional<uid_t> usedAsCanOf;
};

// Every trash can of the environment that exists: $topdir/.Trash only when it
// is a folder with its sticky bit set. Each folder once. A can is opened as
// its owner from the root down (see OwnedFolders.h); one that is a link, lies
// below a link or a folder of another user or one that others may change,
// does not belong to its owner, or whose name gives no user id is kept with
// its problem, to be reported and left alone; so is a $topdir/.Trash that is
// not used.
std::vector<TrashCan> FindTrashCans(const TrashEnvironment& environment);

// The text that reports a can with a problem: which can, and why it is not used.
std::string UnusedCanText(const TrashCan& can);

// The user id a can's name gives ("1000" of .Trash-1000 or .Trash/1000): a
// plain decimal number without leading zeros, at most the largest user id.
// False with why (a clause) when the digits give none.
bool UserIdOfCanName(const std::string& digits, uid_t& uid, std::string& why);

// The folders of a trash can, opened as its owner (call it acting as the
// owner) from the root down, and only when the can is the very folder that
// was found; files/ and info/ must be its owner's too. A missing files/ or
// info/ stays -1 without a problem. Closed with the object.
class OpenTrashCan {
public:
    explicit OpenTrashCan(const TrashCan& can);
    ~OpenTrashCan();
    OpenTrashCan(const OpenTrashCan&) = delete;
    OpenTrashCan& operator=(const OpenTrashCan&) = delete;

    int can = -1;
    int files = -1;
    int info = -1;
    dev_t device = 0;     // of files/ (else of the can)
    int error = 0;        // errno of the failed step, when one failed
    std::string problem;  // what failed, naming the folder
};

// A volume name for a mount point: "/" is ROOT, other paths upper case with
// every character but A-Z, 0-9 and "_" made "_" ("/mnt/data" is MNT_DATA).
std::string VolumeNameOfMountPoint(const std::string& mountPoint);
