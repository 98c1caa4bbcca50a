// SPDX-License-Identifier: GPL-3.0-or-later
// Removal and sizes below a trash can, relative to open directories.
#include "netware/trash/TrashRemove.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "netware/trash/TrashNames.h"

namespace {

// Folders held open at once by a removal or a size count: a tree deeper than
// this is walked on with one folder open at a time, so that no nesting runs
// out of descriptors.
constexpr int HeldLevels = 64;
constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool IsDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Opens a subdirectory for reading, refusing links and other devices.
int OpenSubdirectoryFd(int dirFd, const char* name, dev_t device, int& error, struct stat& info)
{
    int fd = openat(dirFd, name, FolderFlags);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    error = fstat(fd, &info) != 0 ? errno : info.st_dev != device ? EXDEV : 0;
    if (error) {
        close(fd);
        return -1;
    }
    return fd;
}

DIR* OpenSubdirectory(int dirFd, const char* name, dev_t device, int& error)
{
    struct stat info;
    const int fd = OpenSubdirectoryFd(dirFd, name, device, error, info);
    if (fd < 0)
        return nullptr;
    DIR* dir = fdopendir(fd);
    if (!dir) {
        error = errno;
        close(fd);
    }
    return dir;
}

int RemoveEntry(int dirFd, const std::string& name, dev_t device, int depth);

int RemoveDirectoryContents(DIR* dir, dev_t device, int depth)
{
    const int fd = dirfd(dir);
    while (struct dirent* entry = readdir(dir)) {
        if (IsDotOrDotDot(entry->d_name))
            continue;
        if (int error = RemoveEntry(fd, entry->d_name, device, depth))
            return error;
    }
    return 0;
}

// Deletes what is not a folder in the open folder; the name of the first
// subfolder found is left in folder (empty when there is none).
int RemoveAllButOneFolder(int fd, std::string& folder)
{
    folder.clear();
    // A description of its own, so that the listing starts at the beginning.
    const int listFd = openat(fd, ".", FolderFlags);
    DIR* dir = listFd >= 0 ? fdopendir(listFd) : nullptr;
    if (!dir) {
        const int error = errno;
        if (listFd >= 0)
            close(listFd);
        return error;
    }
    int error = 0;
    while (struct dirent* entry = readdir(dir)) {
        if (IsDotOrDotDot(entry->d_name) || unlinkat(fd, entry->d_name, 0) == 0 || errno == ENOENT)
            continue;
        const int unlinkError = errno;
        struct stat info;
        if (fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            error = errno == ENOENT ? 0 : errno;
        } else if (S_ISDIR(info.st_mode)) {
            folder = entry->d_name;
            break;
        } else {
            error = unlinkError;
        }
        if (error)
            break;
    }
    closedir(dir);
    return error;
}

// Removes the folder `name` of dirFd however deep it is nested, holding one
// of its folders open at a time: down into a subfolder, and back up through
// ".." only to the very folder it came from.
int RemoveDeepFolder(int dirFd, const std::string& name, dev_t device)
{
    struct Level {
        std::string name;
        dev_t device;
        ino_t inode;
    };
    std::vector<Level> levels;
    int error = 0;
    struct stat info;
    int current = OpenSubdirectoryFd(dirFd, name.c_str(), device, error, info);
    if (current < 0)
        return error;
    levels.push_back({name, info.st_dev, info.st_ino});
    for (;;) {
        std::string folder;
        if ((error = RemoveAllButOneFolder(current, folder)))
            break;
        if (!folder.empty()) {
            const int next = OpenSubdirectoryFd(current, folder.c_str(), device, error, info);
            if (next < 0)
                break;
            close(current);
            current = next;
            levels.push_back({folder, info.st_dev, info.st_ino});
            continue;
        }
        const std::string emptied = levels.back().name;
        levels.pop_back();
        if (levels.empty()) {
            close(current);
            return unlinkat(dirFd, emptied.c_str(), AT_REMOVEDIR) == 0 || errno == ENOENT ? 0 : errno;
        }
        const int up = openat(current, "..", FolderFlags);
        if (up < 0 || fstat(up, &info) != 0 || info.st_dev != levels.back().device ||
            info.st_ino != levels.back().inode) {
            // Moved away meanwhile: going on would delete somewhere else.
            error = up < 0 ? errno : ESTALE;
            if (up >= 0)
                close(up);
            break;
        }
        close(current);
        current = up;
        if (unlinkat(current, emptied.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT) {
            error = errno;
            break;
        }
    }
    close(current);
    return error;
}

int RemoveEntry(int dirFd, const std::string& name, dev_t device, int depth)
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
    if (depth >= HeldLevels)
        return RemoveDeepFolder(dirFd, name, device);

    int error = 0;
    DIR* dir = OpenSubdirectory(dirFd, name.c_str(), device, error);
    if (!dir)
        return error;
    error = RemoveDirectoryContents(dir, device, depth + 1);
    closedir(dir);
    if (error)
        return error;
    return unlinkat(dirFd, name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOENT ? 0 : errno;
}

}  // namespace

int RemoveTrashedEntry(int dirFd, const std::string& name, dev_t device)
{
    // "." or ".." would be the trash can's own folder or the one above it.
    return IsItemName(name) ? RemoveEntry(dirFd, name, device, 0) : EINVAL;
}

namespace {

std::uint64_t EntrySize(int dirFd, const char* name, dev_t device, int depth)
{
    struct stat info;
    if (fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return 0;
    if (S_ISREG(info.st_mode))
        return static_cast<std::uint64_t>(info.st_size);
    // Folders nested deeper than the held levels are not counted.
    if (!S_ISDIR(info.st_mode) || depth >= HeldLevels)
        return 0;
    int error = 0;
    DIR* dir = OpenSubdirectory(dirFd, name, device, error);
    if (!dir)
        return 0;
    std::uint64_t total = 0;
    while (struct dirent* entry = readdir(dir))
        if (!IsDotOrDotDot(entry->d_name))
            total += EntrySize(dirfd(dir), entry->d_name, device, depth + 1);
    closedir(dir);
    return total;
}

}  // namespace

std::uint64_t TrashedEntrySize(int dirFd, const std::string& name, dev_t device)
{
    return IsItemName(name) ? EntrySize(dirFd, name.c_str(), device, 0) : 0;
}
