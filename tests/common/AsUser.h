// SPDX-License-Identifier: GPL-3.0-or-later
// Runs steps as a user made for a test (a uid no account has, its group of the
// same number), in a child process: root's tests of what one user can do to
// another's files.
#pragma once

#include <functional>
#include <vector>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// True when the steps all succeeded (returned true, raised nothing) as that
// user, member of the given supplementary groups too.
inline bool AsUser(uid_t uid, const std::function<bool()>& steps, const std::vector<gid_t>& groups = {})
{
    const pid_t child = fork();
    if (child == 0) {
        umask(022);
        const bool dropped = setgroups(groups.size(), groups.data()) == 0 && setgid(uid) == 0 && setuid(uid) == 0;
        // An exception must not carry the child back into the test run.
        bool done = false;
        try {
            done = dropped && steps();
        } catch (...) {
            done = false;
        }
        _exit(done ? 0 : 1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
