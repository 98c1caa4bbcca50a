// SPDX-License-Identifier: GPL-3.0-or-later
// Acting as a trash can's owner: the calling thread's file-system identity
// (user, group, supplementary groups) switched for as long as a guard lives.
#pragma once

#include <stdexcept>
#include <string>
#include <sys/types.h>
#include <vector>

// Who a trash can belongs to, as far as the file system is concerned.
struct OwnerIdentity {
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups;  // supplementary groups
};

// The identity of a user: primary and supplementary groups from the user and
// group databases, or (for a user not in them) the given group alone.
OwnerIdentity IdentityOfUser(uid_t uid, gid_t fallbackGroup);

class OwnerIdentityError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// While it lives, every file operation of the calling thread (and of no
// other) is checked as the owner's: root's capabilities to override file
// permissions are gone. Changes nothing when the process is not root or the
// owner is root. Throws OwnerIdentityError when the switch fails, so that
// nothing runs as root by mistake.
class ActingAsOwner {
public:
    explicit ActingAsOwner(const OwnerIdentity& owner);
    ~ActingAsOwner();
    ActingAsOwner(const ActingAsOwner&) = delete;
    ActingAsOwner& operator=(const ActingAsOwner&) = delete;

private:
    void Restore();

    bool switched_ = false;
    uid_t savedUid_ = 0;
    gid_t savedGid_ = 0;
    std::vector<gid_t> savedGroups_;
};
