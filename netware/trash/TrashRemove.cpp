// SPDX-License-Identifier: GPL-3.0-or-later
// Removal and sizes below a trash can, relative to open directories.
#include "netware/trash/TrashRemove.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Opens a subdirectory for reading, refusing links and other devices.
DIR* OpenSubdirectory(int dirFd, const char* name, dev_t device, int& error)
{
    int fd = openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    struct stat info;
    error = fstat(fd, &info) != 0 ? errno : info.st_dev != device ? EXDEV : 0;
    if (error) {
        close(fd);
        return nullptr;
    }
    DIR* dir = fdopendir(fd);
    if (!dir) {
        error = errno;
        close(fd);
    }
    return dir;
}

int RemoveDirectoryContents(DIR* dir, dev_t device)
{
    const int fd = dirfd(dir);
    while (struct dirent* entry = readdir(dir)) {
        if (IsDotOrDotDot(entry->d_name))
            continue;
        if (int error = RemoveTrashedEntry(fd, entry->d_name, device))
            return error;
    }
    return 0;
}

}  // namespace

int RemoveTrashedEntry(int dirFd, const std::string& name, dev_t device)
{
    // Nearly every entry is a file: unlinking it straight away (which never
    // follows a link) saves a stat per entry. Only when that fails is the
    // entry looked at, and a directory emptied.
    if (unlinkat(dirFd, name.c_str(), 0) == 0)
        return 0;
    const int unlinkError = errno;
    if (unlinkError == ENOENT)
        return 0;
    struct stat info;
    if (fstatat(dirFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? 0 : errno;
    if (!S_ISDIR(info.st_mode))
        return unlinkError;

    int error = 0;
    DIR* dir = OpenSubdirectory(dirFd, name.c_str(), device, error);
    if (!dir)
        return error;
    error = RemoveDirectoryContents(dir, device);
    closedir(dir);
    if (error)
        return error;
    return unlinkat(dirFd, name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOENT ? 0 : errno;
}

std::uint64_t TrashedEntrySize(int dirFd, const std::string& name, dev_t device)
{
    struct stat info;
    if (fstatat(dirFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return 0;
    if (S_ISREG(info.st_mode))
        return static_cast<std::uint64_t>(info.st_size);
    if (!S_ISDIR(info.st_mode))
        return 0;
    int error = 0;
    DIR* dir = OpenSubdirectory(dirFd, name.c_str(), device, error);
    if (!dir)
        return 0;
    std::uint64_t total = 0;
    while (struct dirent* entry = readdir(dir))
        if (!IsDotOrDotDot(entry->d_name))
            total += TrashedEntrySize(dirfd(dir), entry->d_name, device);
    closedir(dir);
    return total;
}
