// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a check as the ordinary user nobody, in a child process: root reads and
// writes whatever the permission bits say, so tests of refused access drop to
// nobody when the suite runs as root instead of being skipped.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

// Runs check in a child process as nobody, member of the given extra groups as
// well, and returns its report: empty when all went as expected. Only root can
// become another user; a caller that is not root runs its check directly.
inline std::string AsNobody(const std::vector<gid_t>& groups, const std::function<std::string()>& check)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return "no pipe";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        std::string report;
        const passwd* nobody = ::getpwnam("nobody");
        if (nobody == nullptr)
            report = "no user nobody";
        else if (::setgroups(groups.size(), groups.data()) != 0 || ::setgid(nobody->pw_gid) != 0
                 || ::setuid(nobody->pw_uid) != 0)
            report = "cannot become nobody";
        else
            try {
                report = check();
            } catch (const std::exception& e) {
                report = std::string("raised: ") + e.what();
            }
        if (::write(pipeFds[1], report.data(), report.size()) < 0)
            ::_exit(2);
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string report;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        report += " (the child process failed)";
    return report;
}

// The check run as nobody when this process is root, else run here directly.
inline std::string AsOrdinaryUser(const std::function<std::string()>& check)
{
    return ::geteuid() == 0 ? AsNobody({}, check) : check();
}
