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

// A walk down a folder tree that holds one of its folders open at a time:
// down into a subfolder, and back up through ".." only to the very folder it
// came from (one moved away meanwhile ends the walk with ESTALE).
class FolderWalk {
public:
    explicit FolderWalk(dev_t device) : device_(device) {}
    ~FolderWalk()
    {
        if (current_ >= 0)
            close(current_);
    }
    FolderWalk(const FolderWalk&) = delete;
    FolderWalk& operator=(const FolderWalk&) = delete;

    int Fd() const { return current_; }
    size_t Depth() const { return levels_.size(); }

    // Enters the subfolder `name` of dirFd (the current folder, or at the
    // start the folder holding the tree); 0 or the errno.
    int Enter(int dirFd, const std::string& name)
    {
        int error = 0;
        struct stat info;
        const int next = OpenSubdirectoryFd(dirFd, name.c_str(), device_, error, info);
        if (next < 0)
            return error;
        if (current_ >= 0)
            close(current_);
        current_ = next;
        levels_.push_back({name, info.st_dev, info.st_ino});
        return 0;
    }
    // Goes back up to the folder above (not above the first folder entered);
    // left is the name of the folder it came from. 0 or the errno.
    int Leave(std::string& left)
    {
        left = levels_.back().name;
        const Level& above = levels_[levels_.size() - 2];
        struct stat info;
        const int up = openat(current_, "..", FolderFlags);
        if (up < 0)
            return errno;
        if (fstat(up, &info) != 0 || info.st_dev != above.device || info.st_ino != above.inode) {
            close(up);
            return ESTALE;
        }
        close(current_);
        current_ = up;
        levels_.pop_back();
        return 0;
    }

private:
    struct Level {
        std::string name;
        dev_t device;
        ino_t inode;
    };
    dev_t device_;
    int current_ = -1;
    std::vector<Level> levels_;
};

// Removes the folder `name` of dirFd however deep it is nested, holding one
// of its folders open at a time.
int RemoveDeepFolder(int dirFd, const std::string& name, dev_t device)
{
    FolderWalk walk(device);
    if (int error = walk.Enter(dirFd, name))
        return error;
    for (;;) {
        std::string folder;
        if (int error = RemoveAllButOneFolder(walk.Fd(), folder))
            return error;
        if (!folder.empty()) {
            if (int error = walk.Enter(walk.Fd(), folder))
                return error;
            continue;
        }
        if (walk.Depth() == 1)
            break;
        std::string emptied;
        if (int error = walk.Leave(emptied))
            return error;
        if (unlinkat(walk.Fd(), emptied.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT)
            return errno;
    }
    return unlinkat(dirFd, name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOENT ? 0 : errno;
}

// Adds the sizes of the regular files in the open folder to total, from the
// entry after `after` on (from the start when it is empty), up to its next
// subfolder, whose name is left in folder. False when `after` is not there.
bool SumFilesUpToAFolder(int fd, const std::string& after, std::uint64_t& total, std::string& folder)
{
    folder.clear();
    const int listFd = openat(fd, ".", FolderFlags);
    DIR* dir = listFd >= 0 ? fdopendir(listFd) : nullptr;
    if (!dir) {
        if (listFd >= 0)
            close(listFd);
        return false;
    }
    bool counting = after.empty();
    while (struct dirent* entry = readdir(dir)) {
        if (!counting) {
            counting = after == entry->d_name;
            continue;
        }
        struct stat info;
        if (IsDotOrDotDot(entry->d_name) || fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISREG(info.st_mode)) {
            total += static_cast<std::uint64_t>(info.st_size);
        } else if (S_ISDIR(info.st_mode)) {
            folder = entry->d_name;
            break;
        }
    }
    closedir(dir);
    return counting;
}

// The size of the folder `name` of dirFd however deep it is nested, holding
// one of its folders open at a time; a folder is listed again from its start
// after each subfolder, and the count goes on after that subfolder's name.
std::uint64_t DeepFolderSize(int dirFd, const std::string& name, dev_t device)
{
    FolderWalk walk(device);
    std::uint64_t total = 0;
    if (walk.Enter(dirFd, name))
        return total;
    std::string after;
    for (;;) {
        std::string folder;
        if (!SumFilesUpToAFolder(walk.Fd(), after, total, folder))
            return total;
        after.clear();
        if (!folder.empty()) {
            if (walk.Enter(walk.Fd(), folder))
                after = folder;  // not entered (another device, no access): counted as empty
            continue;
        }
        if (walk.Depth() == 1 || walk.Leave(after))
            return total;
    }
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
    if (!S_ISDIR(info.st_mode))
        return 0;
    if (depth >= HeldLevels)
        return DeepFolderSize(dirFd, name, device);
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
