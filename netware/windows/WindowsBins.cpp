// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the recycle bins of the mounted drives and reading their items.
#include "netware/windows/WindowsBins.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <pwd.h>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "netware/PackedDateTime.h"
#include "netware/ShownName.h"
#include "netware/trash/CanFiles.h"
#include "netware/trash/OwnedFolders.h"
#include "netware/trash/ParallelFor.h"
#include "netware/trash/TrashRemove.h"
#include "netware/windows/RecycleIndexFile.h"
#include "util/FileText.h"

namespace {

constexpr const char* BinFolders[] = {"$Recycle.Bin", "$RECYCLE.BIN"};

std::string Joined(const std::string& directory, const std::string& name)
{
    return directory == "/" ? "/" + name : directory + "/" + name;
}

// A local date-time as packed, clamped to the years a packed date-time holds
// and to now: a date to come is the drive's word against the clock.
nuint32 PackedLocalTime(std::time_t time, std::time_t now)
{
    std::tm parts{};
    localtime_r(&time, &parts);
    if (time > now)
        localtime_r(&now, &parts);
    if (parts.tm_year + 1900 < 1980)
        return PackDeletedDateTime(1980, 1, 1, 0, 0, 0);
    if (parts.tm_year + 1900 > 2043)
        return PackDeletedDateTime(2043, 12, 31, 23, 59, 59);
    return PackDeletedDateTime(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min,
                               parts.tm_sec);
}

// Who a drive's files are handled as: the user a desktop mounted it for
// (under /media/USER/, its root that user's) when root runs the job; else
// the running user, unchanged.
OwnerIdentity DriveOwner(const std::string& mountPoint, uid_t rootOwner, const WindowsBinEnvironment& environment)
{
    if (!environment.asRoot || rootOwner == 0)
        return {};
    for (const TrashUser& user : environment.users)
        if (user.uid == rootOwner && mountPoint.rfind("/media/" + user.name + "/", 0) == 0)
            return IdentityOfUser(user.uid, user.gid);
    return {};
}

std::string FolderProblem(const std::string& path, int error)
{
    if (error == ELOOP)
        return path + " is a symbolic link: not followed";
    if (error == EXDEV)
        return path + " lies on another file system: not entered";
    return path + " cannot be opened: " + std::strerror(error);
}

// Whether the folder lists an entry of exactly that name; inode is the
// number the listing gives it.
bool HoldsName(int dirFd, const char* name, ino_t& inode)
{
    DIR* dir = fdopendir(dup(dirFd));
    if (!dir)
        return false;
    bool found = false;
    while (struct dirent* entry = readdir(dir))
        if (std::strcmp(entry->d_name, name) == 0) {
            found = true;
            inode = entry->d_ino;
        }
    closedir(dir);
    return found;
}

struct ReadItem {
    bool hasIndex = false;
    bool hasItem = false;
    ino_t itemInode = 0;
    unsigned char itemType = DT_UNKNOWN;
};

}  // namespace

int OpenFolderOnDevice(int dirFd, const char* name, dev_t device)
{
    const int fd = openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        // A link to a folder fails as "not a folder" with O_DIRECTORY.
        struct stat info;
        if (errno == ENOTDIR && fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode))
            errno = ELOOP;
        return -1;
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || info.st_dev != device) {
        close(fd);
        errno = EXDEV;
        return -1;
    }
    return fd;
}

WindowsBinEnvironment SystemWindowsBinEnvironment()
{
    WindowsBinEnvironment environment;
    environment.asRoot = geteuid() == 0;
    std::string text;
    const char* ownMounts = std::getenv("MORVANE_WINDOWS_MOUNTS");
    if (ownMounts && *ownMounts) {
        ReadFileText(ownMounts, text);  // an unreadable list is an empty one
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);)
            if (!line.empty() && line.front() == '/')
                environment.mountPoints.push_back(line);
    } else {
        ReadFileText("/proc/self/mountinfo", text);
        environment.mountPoints = MountPointsOfMountInfo(text);
    }
    setpwent();
    while (struct passwd* user = getpwent())
        environment.users.push_back({user->pw_uid, user->pw_name, user->pw_dir ? user->pw_dir : "", user->pw_gid});
    endpwent();
    return environment;
}

std::vector<std::pair<std::string, std::string>> ParseUserMapping(std::string_view text,
                                                                  const std::vector<TrashUser>& users)
{
    std::vector<std::pair<std::string, std::string>> mapping;
    std::istringstream lines{std::string(text)};
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t first = line.find(':');
        const size_t second = first == std::string::npos ? first : line.find(':', first + 1);
        if (line.empty() || line.front() == '#' || second == std::string::npos || first == 0)
            continue;
        std::string user = line.substr(0, first);
        const std::string sid = line.substr(second + 1);
        if (sid.empty())
            continue;
        if (std::all_of(user.begin(), user.end(), [](char c) { return c >= '0' && c <= '9'; }))
            for (const TrashUser& known : users)
                if (std::to_string(known.uid) == user)
                    user = known.name;
        mapping.emplace_back(sid, user);
    }
    return mapping;
}

WindowsBinIndex WindowsBinIndex::Read(const WindowsBinEnvironment& environment)
{
    WindowsBinIndex index;
    std::vector<std::string> mountPoints = environment.mountPoints;
    std::sort(mountPoints.begin(), mountPoints.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    mountPoints.erase(std::unique(mountPoints.begin(), mountPoints.end()), mountPoints.end());
    std::set<std::string> names;
    for (const std::string& mountPoint : mountPoints) {
        // A quick look first: most file systems hold no bin.
        struct stat info;
        if (std::none_of(std::begin(BinFolders), std::end(BinFolders), [&](const char* folder) {
                return lstat(Joined(mountPoint, folder).c_str(), &info) == 0;
            }))
            continue;
        std::string name = VolumeNameOfMountPoint(mountPoint);
        for (int n = 2; names.count(name); ++n)
            name = VolumeNameOfMountPoint(mountPoint) + "_" + std::to_string(n);
        names.insert(name);
        index.ReadDrive(mountPoint, environment, name);
    }
    return index;
}

void WindowsBinIndex::ReadDrive(const std::string& mountPoint, const WindowsBinEnvironment& environment,
                                const std::string& volume)
{
    struct stat root;
    if (lstat(mountPoint.c_str(), &root) != 0)
        return;
    WindowsDrive drive{mountPoint, {}, root.st_uid, DriveOwner(mountPoint, root.st_uid, environment), 0, false};
    try {
        const ActingAsOwner asOwner(drive.owner);
        std::string problem;
        const int mountFd = OpenOwnedFolder(mountPoint, root.st_uid, problem, OthersMayWrite::AsMounted);
        if (mountFd < 0) {
            if (!problem.empty())
                problems.push_back("Drive " + ShownText(mountPoint) + " is not used: " + ShownText(problem));
            return;
        }
        struct stat opened;
        fstat(mountFd, &opened);
        drive.device = opened.st_dev;
        std::string mapText;
        std::vector<std::pair<std::string, std::string>> mapping;
        const int mapFd = OpenFolderOnDevice(mountFd, ".NTFS-3G", drive.device);
        if (mapFd >= 0) {
            if (ReadCanFile(mapFd, "UserMapping", 1024 * 1024, mapText) == 0)
                mapping = ParseUserMapping(mapText, environment.users);
            close(mapFd);
        }
        for (const char* folder : BinFolders) {
            // Only the name the drive holds: where case is folded, opening
            // the other spelling would read the same bin twice.
            ino_t listed = 0;
            if (!HoldsName(mountFd, folder, listed))
                continue;
            const int binFd = OpenFolderOnDevice(mountFd, folder, drive.device);
            if (binFd < 0) {
                if (errno != ENOENT)
                    problems.push_back("Recycle bin " + ShownText(FolderProblem(Joined(mountPoint, folder), errno)));
                continue;
            }
            // Some FUSE drives list other inode numbers than they give a
            // look: their items are looked at one by one.
            struct stat binInfo;
            drive.listingInodes = fstat(binFd, &binInfo) == 0 && binInfo.st_ino == listed;
            if (drive.binFolder.empty()) {
                drive.binFolder = folder;
                drives.push_back(drive);
                folders.directories.push_back({volume, 0, {}, {}});
                folders.volumes.push_back({volume, mountPoint, folders.directories.size() - 1});
            }
            if (DIR* dir = fdopendir(binFd)) {
                std::vector<std::string> sids;
                while (struct dirent* entry = readdir(dir))
                    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                        sids.emplace_back(entry->d_name);
                std::sort(sids.begin(), sids.end());
                for (const std::string& sid : sids) {
                    const int sidFd = OpenFolderOnDevice(dirfd(dir), sid.c_str(), drive.device);
                    if (sidFd < 0) {
                        // Files beside the users' folders (desktop.ini) are no bins.
                        if (errno != ENOTDIR && errno != ENOENT)
                            problems.push_back("Recycle bin " + ShownText(FolderProblem(
                                                                    Joined(mountPoint, folder) + "/" + sid, errno)));
                        continue;
                    }
                    struct stat sidInfo;
                    fstat(sidFd, &sidInfo);
                    bins.push_back({drives.size() - 1, sid, sidInfo.st_ino});
                    ReadBin(bins.size() - 1, sidFd, mapping);
                    close(sidFd);
                }
                closedir(dir);
            } else {
                close(binFd);
            }
        }
        close(mountFd);
    } catch (const OwnerIdentityError& e) {
        problems.push_back("Drive " + ShownText(mountPoint) + " is not read: " + e.what());
    }
}

nuint32 WindowsBinIndex::UserNumber(const std::string& name)
{
    auto known = std::find(users.begin(), users.end(), name);
    if (known == users.end())
        known = users.insert(users.end(), name);
    return static_cast<nuint32>(known - users.begin() + 1);
}

void WindowsBinIndex::ReadBin(size_t bin, int binFd, const std::vector<std::pair<std::string, std::string>>& mapping)
{
    const WindowsDrive& drive = drives[bins[bin].drive];
    const std::string& sid = bins[bin].sid;
    std::string userName = ShownName(sid);
    for (const auto& [mappedSid, name] : mapping)
        if (mappedSid == sid)
            userName = ShownName(name);
    const nuint32 user = UserNumber(userName);

    std::map<std::string, ReadItem> found;  // by id
    if (DIR* dir = fdopendir(dup(binFd))) {
        while (struct dirent* entry = readdir(dir)) {
            std::string_view id;
            if (IsRecycleName(entry->d_name, 'I', id))
                found[std::string(id)].hasIndex = true;
            else if (IsRecycleName(entry->d_name, 'R', id)) {
                ReadItem& read = found[std::string(id)];
                read.hasItem = true;
                read.itemInode = entry->d_ino;
                read.itemType = entry->d_type;
            }
        }
        closedir(dir);
    }
    const size_t first = items.size();
    items.resize(first + found.size());
    std::vector<std::optional<std::string>> originalPaths(found.size());
    std::vector<const ReadItem*> order;
    for (const auto& [id, read] : found) {
        order.push_back(&read);
        items[first + order.size() - 1].id = id;
    }
    const std::time_t now = std::time(nullptr);
    // The index files are read on every processor at once: on a big bin,
    // opening and reading them is most of the work of a job. More readers
    // than processors do not help on a drive through FUSE either: its server
    // answers one request at a time, and the switching between them costs.
    ForEachInParallel(
        order.size(),
        [&](size_t i) {
            WindowsBinItem& item = items[first + i];
            item.bin = bin;
            item.user = user;
            const std::string indexName = "$I" + item.id, itemName = "$R" + item.id;
            std::optional<RecycleIndex> parsed;
            struct stat info;
            if (order[i]->hasIndex) {
                // One look serves the reading and the identity; what cannot
                // be read (a link, a pipe) is looked at without opening it.
                std::string bytes;
                const int error = ReadFileText(
                    indexName, bytes, {.folder = binFd, .followLinks = false, .limit = RecycleIndexSizeLimit, .opened = &info});
                if (error == 0 || error == EFBIG || error == EISDIR ||
                    (error != ENOENT && fstatat(binFd, indexName.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0)) {
                    item.hasIndex = true;
                    item.index = IdentityOf(info);
                    item.indexSize = static_cast<std::uint64_t>(info.st_size);
                    if (error == 0)
                        parsed = ParseRecycleIndex(bytes);
                    item.deleted =
                        PackedLocalTime(parsed ? UnixTimeOfFileTime(parsed->deleted) : info.st_ctime, now);
                }
            }
            // The listing tells a file from a folder: a file with an index
            // is not looked at (on a drive through FUSE every look costs).
            const ReadItem& read = *order[i];
            if (read.hasItem && read.itemType == DT_REG && parsed && drive.listingInodes) {
                item.hasItem = true;
                item.itemInode = read.itemInode;
                item.size = parsed->size;
                item.sizeFromIndex = true;
            } else if (read.hasItem && fstatat(binFd, itemName.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
                item.hasItem = true;
                item.itemInode = info.st_ino;
                item.isDirectory = S_ISDIR(info.st_mode);
                item.size = item.isDirectory ? TrashedEntrySize(binFd, itemName, drive.device).bytes
                                             : static_cast<std::uint64_t>(info.st_size);
                if (!item.hasIndex)
                    item.deleted = PackedLocalTime(info.st_ctime, now);
            } else if (parsed) {
                item.size = parsed->size;
            }
            if (parsed)
                originalPaths[i] = std::move(parsed->path);
        },
        [&] { return ActingAsOwner(drive.owner); });
    for (size_t i = 0; i < order.size(); ++i)
        if (items[first + i].hasIndex || items[first + i].hasItem)
            PlaceItem(first + i, originalPaths[i]);
        else
            items[first + i].purged = true;  // gone while it was read
}

void WindowsBinIndex::PlaceItem(size_t item, const std::optional<std::string>& originalPath)
{
    WindowsBinItem& entry = items[item];
    size_t directory = folders.volumes[bins[entry.bin].drive].root;  // a volume per drive, in their order
    std::vector<std::string> parts;
    std::string name;
    if (originalPath && SplitOriginalPath(*originalPath, parts, name)) {
        for (const std::string& part : parts)
            directory = folders.ChildDirectory(directory, part);
        entry.name = ShownName(name);
    } else {
        directory = folders.ChildDirectory(directory, std::string());  // shown as UnknownOriginDirectory
        entry.name = ShownName((entry.hasItem ? "$R" : "$I") + entry.id);
    }
    folders.directories[directory].entries.push_back(item);
}
