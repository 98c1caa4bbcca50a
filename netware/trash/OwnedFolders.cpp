// SPDX-License-Identifier: GPL-3.0-or-later
// Opening folders component by component without following links, checking
// who owns each and who else may write to it.
#include "netware/trash/OwnedFolders.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::string Reason(int error) { return std::strerror(error); }

// Opens one component; -1 with the problem (empty for a plain absence).
int OpenComponent(int dirFd, const char* name, const std::string& where, std::string& problem)
{
    const int fd = openat(dirFd, name, FolderFlags);
    if (fd >= 0)
        return fd;
    const int error = errno;
    if (error == ENOENT)
        return -1;
    struct stat info;
    if (error == ELOOP || (error == ENOTDIR && fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                           S_ISLNK(info.st_mode)))
        problem = where + " is a symbolic link";
    else if (error != ENOTDIR)
        problem = where + " cannot be opened: " + Reason(error);
    errno = error;
    return -1;
}

// Checks the folder open as fd; false with errno EPERM (or fstat's) when it does not fit.
bool FitForOwner(int fd, uid_t owner, bool rootAllowed, OthersMayWrite others, const std::string& where,
                 std::string& problem)
{
    struct stat info;
    if (fstat(fd, &info) != 0) {
        problem = where + " cannot be looked at: " + Reason(errno);
        return false;
    }
    if (!FolderFitForOwner(info, owner, rootAllowed, others, where, problem)) {
        errno = EPERM;
        return false;
    }
    return true;
}

}  // namespace

bool FolderFitForOwner(const struct stat& info, uid_t owner, bool rootAllowed, OthersMayWrite others,
                       const std::string& where, std::string& problem)
{
    if (info.st_uid != owner && !(rootAllowed && info.st_uid == 0)) {
        problem = where + " belongs to user " + std::to_string(info.st_uid) + ", not to user " +
                  std::to_string(owner);
        return false;
    }
    const bool othersWrite = info.st_mode & (S_IWGRP | S_IWOTH);
    if (othersWrite && others != OthersMayWrite::AsMounted && (others == OthersMayWrite::Never || !(info.st_mode & S_ISVTX))) {
        problem = where + " may be changed by users other than root and user " + std::to_string(owner) +
                  (others == OthersMayWrite::Never ? " (it is group- or world-writable)"
                                                   : " (it is group- or world-writable without the sticky bit)");
        return false;
    }
    return true;
}

int OpenOwnedFolder(const std::string& path, uid_t owner, std::string& problem, OthersMayWrite lastRule)
{
    problem.clear();
    if (path.empty() || path.front() != '/') {
        problem = path + " is not an absolute path";
        return -1;
    }
    int fd = open("/", FolderFlags);
    if (fd < 0) {
        problem = "/ cannot be opened: " + Reason(errno);
        return -1;
    }
    if (!FitForOwner(fd, owner, true, OthersMayWrite::OnlyWithStickyBit, "/", problem)) {
        close(fd);
        return -1;
    }
    std::string where;
    size_t start = 1;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string name = path.substr(start, end - start);
        start = end + 1;
        if (name.empty() || name == ".")
            continue;
        where += "/" + name;
        if (name == "..") {
            problem = path + " is not a plain path";
            close(fd);
            errno = EINVAL;
            return -1;
        }
        const bool last = start > path.size() || path.find_first_not_of('/', start) == std::string::npos;
        const int next = OpenComponent(fd, name.c_str(), where, problem);
        const int error = errno;
        close(fd);
        if (next < 0) {
            // A can found where its owner cannot even pass: said, as whom.
            if (!last && error == EACCES)
                problem = where + " cannot be passed by user " + std::to_string(owner) + ": " + Reason(error);
            errno = error;
            return -1;
        }
        fd = next;
        if (!FitForOwner(fd, owner, !last, last ? lastRule : OthersMayWrite::OnlyWithStickyBit, where, problem)) {
            const int error = errno;
            close(fd);
            errno = error;
            return -1;
        }
    }
    return fd;
}

int OpenOwnedSubfolder(int dirFd, const char* name, uid_t owner, const std::string& where, std::string& problem)
{
    problem.clear();
    const int fd = OpenComponent(dirFd, name, where, problem);
    if (fd >= 0 && !FitForOwner(fd, owner, false, OthersMayWrite::Never, where, problem)) {
        const int error = errno;
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}
