// SPDX-License-Identifier: GPL-3.0-or-later
// The per-thread file-system identity switch.
#include "netware/trash/OwnerIdentity.h"

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <sys/fsuid.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The C library's setgroups() changes every thread of the process; the system
// call itself changes only the calling thread, as setfsuid() and setfsgid() do.
bool SetThreadGroups(const std::vector<gid_t>& groups)
{
    return syscall(SYS_setgroups, groups.size(), groups.data()) == 0;
}

std::vector<gid_t> ThreadGroups()
{
    const long count = syscall(SYS_getgroups, 0, nullptr);
    std::vector<gid_t> groups(count > 0 ? static_cast<size_t>(count) : 0);
    if (count > 0 && syscall(SYS_getgroups, count, groups.data()) != count)
        groups.clear();
    return groups;
}

// setfsuid() and setfsgid() answer with the previous id, never an error: the
// switch is checked by asking again with an id that cannot be set.
bool FsUidIs(uid_t uid) { return static_cast<uid_t>(setfsuid(static_cast<uid_t>(-1))) == uid; }
bool FsGidIs(gid_t gid) { return static_cast<gid_t>(setfsgid(static_cast<gid_t>(-1))) == gid; }

}  // namespace

OwnerIdentity IdentityOfUser(uid_t uid, gid_t fallbackGroup)
{
    OwnerIdentity identity{uid, fallbackGroup, {}};
    struct passwd entry;
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return identity;
    identity.gid = found->pw_gid;
    int count = 64;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    if (getgrouplist(found->pw_name, found->pw_gid, groups.data(), &count) < 0) {
        groups.resize(static_cast<size_t>(count));
        if (getgrouplist(found->pw_name, found->pw_gid, groups.data(), &count) < 0)
            count = 0;
    }
    groups.resize(static_cast<size_t>(count));
    identity.groups = std::move(groups);
    return identity;
}

ActingAsOwner::ActingAsOwner(const OwnerIdentity& owner)
{
    if (geteuid() != 0 || owner.uid == 0)
        return;
    savedGroups_ = ThreadGroups();
    savedUid_ = static_cast<uid_t>(setfsuid(static_cast<uid_t>(-1)));
    savedGid_ = static_cast<gid_t>(setfsgid(static_cast<gid_t>(-1)));
    switched_ = true;
    errno = 0;
    // Groups first: once the user id is no longer root, nothing else may change.
    const bool done = SetThreadGroups(owner.groups) && (setfsgid(owner.gid), FsGidIs(owner.gid)) &&
                      (setfsuid(owner.uid), FsUidIs(owner.uid));
    if (!done) {
        // setfsuid() and setfsgid() set no errno when they refuse an id.
        const int error = errno;
        Restore();
        throw OwnerIdentityError("cannot act as user " + std::to_string(owner.uid) + ": " +
                                 (error ? std::strerror(error) : "the system refused the user or group id"));
    }
}

ActingAsOwner::~ActingAsOwner() { Restore(); }

void ActingAsOwner::Restore()
{
    if (!switched_)
        return;
    switched_ = false;
    setfsuid(savedUid_);
    setfsgid(savedGid_);
    SetThreadGroups(savedGroups_);
}
