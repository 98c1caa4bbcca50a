// SPDX-License-Identifier: GPL-3.0-or-later
// Where the trash cans of this machine are: the mount table, the users, and
// for each user the home trash and the trash cans at the top of every mounted
// file system. Tests hand in an environment of their own.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

struct TrashUser {
    uid_t uid = 0;
    std::string name;
    std::string home;
};

struct TrashEnvironment {
    std::vector<std::string> mountPoints;  // absolute paths; each becomes a volume
    uid_t uid = 0;                         // whose trash cans, unless everyUser
    bool everyUser = false;                // root: every user's trash cans
    std::string homeTrash;                 // the running user's $XDG_DATA_HOME/Trash
    std::vector<TrashUser> users;          // the password database (or a test's)
};

// The machine as the running user sees it: mount points from
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
    uid_t owner = 0;
};

// Every trash can of the environment that exists and may be used: not a
// symbolic link; $topdir/.Trash only with its sticky bit set. Each folder once.
std::vector<TrashCan> FindTrashCans(const TrashEnvironment& environment);

// A volume name for a mount point: "/" is ROOT, other paths upper case with
// every character but A-Z, 0-9 and "_" made "_" ("/mnt/data" is MNT_DATA).
std::string VolumeNameOfMountPoint(const std::string& mountPoint);
