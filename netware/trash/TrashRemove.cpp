// SPDX-License-Identifier: GPL-3.0-or-later
// Removal and sizes below a trash can, relative to open directories.
#include "netware/trash/TrashRemove.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "netware/trash/OwnedFolders.h"
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

// A path below the entry, for the texts that name what failed.
std::string Below(const std::string& parent, const std::string& name)
{
    return parent.empty() ? name : name.empty() ? parent : parent + "/" + name;
}

// What a removal is allowed to enter: folders on the can's device that only
// the owner (or root) may change. A folder that others may write to could
// hold the owner's live files, moved there by another user.
struct Removal {
    dev_t device;
    uid_t owner;
    std::string& refused;
    OthersMayWrite others;

    // Opens the folder at path (below the entry) to empty it; -1 with the errno.
    int OpenFolder(int dirFd, const char* name, const std::string& path, int& error, struct stat& info) const
    {
        const int fd = OpenSubdirectoryFd(dirFd, name, device, error, info);
        if (fd >= 0 && !FolderFitForOwner(info, owner, true, others, path, refused)) {
            close(fd);
            error = EPERM;
            return -1;
        }
        return fd;
    }
};

DIR* OpenedAsList(int fd, int& error)
{
    DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (fd >= 0 && !dir) {
        error = errno;
        close(fd);
    }
    return dir;
}

int RemoveEntry(int dirFd, const std::string& name, const Removal& removal, int depth, const std::string& parent);

int RemoveDirectoryContents(DIR* dir, const Removal& removal, int depth, const std::string& path)
{
    const int fd = dirfd(dir);
    while (struct dirent* entry = readdir(dir)) {
        if (IsDotOrDotDot(entry->d_name))
            continue;
        if (int error = RemoveEntry(fd, entry->d_name, removal, depth, path))
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
// came from (one moved away meanwhile ends the walk with ESTALE). A removal's
// walk enters only the folders the removal may empty.
class FolderWalk {
public:
    FolderWalk(dev_t device, std::string parent, const Removal* removal = nullptr)
        : device_(device), parent_(std::move(parent)), removal_(removal)
    {
    }
    ~FolderWalk()
    {
        if (current_ >= 0)
            close(current_);
    }
    FolderWalk(const FolderWalk&) = delete;
    FolderWalk& operator=(const FolderWalk&) = delete;

    int Fd() const { return current_; }
    size_t Depth() const { return levels_.size(); }
    // The path of the current folder's entry `name` below the item.
    std::string PathOf(const std::string& name) const
    {
        std::string path = parent_;
        for (const Level& level : levels_)
            path = Below(path, level.name);
        return Below(path, name);
    }

    // Enters the subfolder `name` of dirFd (the current folder, or at the
    // start the folder holding the tree); 0 or the errno.
    int Enter(int dirFd, const std::string& name)
    {
        int error = 0;
        struct stat info;
        const std::string path = PathOf(name);
        const int next = removal_ ? removal_->OpenFolder(dirFd, name.c_str(), path, error, info)
                                  : OpenSubdirectoryFd(dirFd, name.c_str(), device_, error, info);
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
    std::string parent_;  // the path, below the item, of the folder holding the tree
    const Removal* removal_;
    int current_ = -1;
    std::vector<Level> levels_;
};

// Removes the folder `name` of dirFd however deep it is nested, holding one
// of its folders open at a time.
int RemoveDeepFolder(int dirFd, const std::string& name, const Removal& removal, const std::string& parent)
{
    FolderWalk walk(removal.device, parent, &removal);
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

// Counts a regular file's size and blocks.
void CountFile(const struct stat& info, TrashedSize& total)
{
    total.bytes += static_cast<std::uint64_t>(info.st_size);
    total.allocated += static_cast<std::uint64_t>(info.st_blocks) * 512;
}

// Keeps the first thing that could not be counted.
void Uncounted(TrashedSize& total, const std::string& path, const std::string& why)
{
    if (total.uncounted.empty())
        total.uncounted = path + " " + why;
}

std::string WhyNotEntered(int error)
{
    return error == EXDEV ? "lies on another file system" : std::string("cannot be read: ") + std::strerror(error);
}

// Adds the regular files in the open folder to total, from the entry after
// `after` on (from the start when it is empty), up to its next subfolder,
// whose name is left in folder. False when `after` is not there.
bool SumFilesUpToAFolder(int fd, const std::string& after, TrashedSize& total, std::string& folder,
                         const FolderWalk& walk)
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
        if (IsDotOrDotDot(entry->d_name))
            continue;
        struct stat info;
        if (fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                Uncounted(total, walk.PathOf(entry->d_name), std::string("cannot be looked at: ") + std::strerror(errno));
        } else if (S_ISREG(info.st_mode)) {
            CountFile(info, total);
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
void AddDeepFolderSize(int dirFd, const std::string& name, dev_t device, const std::string& parent,
                       TrashedSize& total)
{
    FolderWalk walk(device, parent);
    if (int error = walk.Enter(dirFd, name)) {
        Uncounted(total, Below(parent, name), WhyNotEntered(error));
        return;
    }
    std::string after;
    for (;;) {
        std::string folder;
        if (!SumFilesUpToAFolder(walk.Fd(), after, total, folder, walk)) {
            Uncounted(total, walk.PathOf(after), "changed while it was counted");
            return;
        }
        after.clear();
        if (!folder.empty()) {
            const std::string path = walk.PathOf(folder);
            if (int error = walk.Enter(walk.Fd(), folder)) {
                Uncounted(total, path, WhyNotEntered(error));
                after = folder;  // not entered: counted as empty, and said
            }
            continue;
        }
        if (walk.Depth() == 1)
            return;
        if (walk.Leave(after)) {
            Uncounted(total, walk.PathOf(""), "changed while it was counted");
            return;
        }
    }
}

int RemoveEntry(int dirFd, const std::string& name, const Removal& removal, int depth, const std::string& parent)
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
        return RemoveDeepFolder(dirFd, name, removal, parent);

    const std::string path = Below(parent, name);
    int error = 0;
    DIR* dir = OpenedAsList(removal.OpenFolder(dirFd, name.c_str(), path, error, info), error);
    if (!dir)
        return error;
    error = RemoveDirectoryContents(dir, removal, depth + 1, path);
    closedir(dir);
    if (error)
        return error;
    return unlinkat(dirFd, name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOENT ? 0 : errno;
}

void AddEntrySize(int dirFd, const char* name, dev_t device, int depth, const std::string& parent,
                  TrashedSize& total)
{
    struct stat info;
    if (fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT)
            Uncounted(total, Below(parent, name), std::string("cannot be looked at: ") + std::strerror(errno));
        return;
    }
    if (S_ISREG(info.st_mode))
        CountFile(info, total);
    if (!S_ISDIR(info.st_mode))
        return;
    if (depth >= HeldLevels)
        return AddDeepFolderSize(dirFd, name, device, parent, total);
    const std::string path = Below(parent, name);
    int error = 0;
    DIR* dir = OpenedAsList(OpenSubdirectoryFd(dirFd, name, device, error, info), error);
    if (!dir)
        return Uncounted(total, path, WhyNotEntered(error));
    while (struct dirent* entry = readdir(dir))
        if (!IsDotOrDotDot(entry->d_name))
            AddEntrySize(dirfd(dir), entry->d_name, device, depth + 1, path, total);
    closedir(dir);
}

}  // namespace

int RemoveTrashedEntry(int dirFd, const std::string& name, dev_t device, uid_t owner, std::string& refused,
                       OthersMayWrite inside)
{
    refused.clear();
    // "." or ".." would be the trash can's own folder or the one above it.
    return IsItemName(name) ? RemoveEntry(dirFd, name, Removal{device, owner, refused, inside}, 0, "") : EINVAL;
}

TrashedSize TrashedEntrySize(int dirFd, const std::string& name, dev_t device)
{
    TrashedSize total;
    if (IsItemName(name))
        AddEntrySize(dirFd, name.c_str(), device, 0, "", total);
    return total;
}
