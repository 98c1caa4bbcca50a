// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the trash cans into volumes, directories and entries.
#include "netware/trash/TrashIndex.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <set>
#include <tuple>
#include <sys/stat.h>
#include <unistd.h>

#include "netware/PackedDateTime.h"
#include "netware/ShownName.h"
#include "netware/trash/CanFiles.h"
#include "netware/trash/OwnedFolders.h"
#include "netware/trash/ParallelFor.h"
#include "netware/trash/TrashInfo.h"
#include "netware/trash/TrashNames.h"
#include "netware/trash/TrashRemove.h"
#include "util/D_Util.h"

namespace {

constexpr std::string_view InfoSuffix = ".trashinfo";

// Components of a path, "." and empty ones dropped, ".." taking one back.
std::vector<std::string> Components(const std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(std::move(part));
        }
        start = end + 1;
    }
    return parts;
}

bool InPackedRange(const std::tm& parts) { return parts.tm_year + 1900 >= 1980 && parts.tm_year + 1900 <= 2043; }

// A problem with part of a can, as the list and the log show it.
std::string CanProblem(const TrashCan& can, const std::string& problem)
{
    return "Trash can " + ShownText(can.path) + ": " + ShownText(problem);
}

// Why a .trashinfo could not be read (ReadCanFile's errno).
std::string CanFileError(int error)
{
    switch (error) {
    case EFBIG:
        return "it is larger than " + std::to_string(TrashInfoSizeLimit / 1024) + " kB";
    case EISDIR:
        return "it is a folder";
    case EINVAL:
        return "it is not a regular file";
    default:
        return std::strerror(error);
    }
}

// The open folders of a trash can and its cache of folder sizes. Its readers
// change nothing, so that many can run at once.
struct CanFolders {
    int filesFd;
    int infoFd;
    dev_t device;
    const DirectorySizes& cachedSizes;
    const std::tm& now;  // local time

    // Sizes the item as it was looked at: a regular file by itself, a folder
    // from the cache while its .trashinfo has the modification time the cache
    // gives (never for an entry without one; its space on the disk then stays
    // unknown), else by counting its files. Links and other kinds hold nothing.
    void Measure(const struct stat& fileInfo, std::optional<std::int64_t> infoMtime, TrashEntry& entry,
                 std::string& problem) const
    {
        entry.size = 0;
        entry.setAllocated(0);
        if (S_ISREG(fileInfo.st_mode)) {
            entry.size = static_cast<std::uint64_t>(fileInfo.st_size);
            entry.setAllocated(static_cast<std::uint64_t>(fileInfo.st_blocks) * 512);
            return;
        }
        if (!S_ISDIR(fileInfo.st_mode))
            return;
        if (infoMtime) {
            auto cached = cachedSizes.find(entry.trashName);
            if (cached != cachedSizes.end() && cached->second.infoMtime == *infoMtime) {
                entry.size = cached->second.size;
                entry.setAllocated(std::nullopt);
                return;
            }
        }
        const TrashedSize counted = TrashedEntrySize(filesFd, entry.trashName, device);
        entry.size = counted.bytes;
        entry.setAllocated(counted.allocated);
        if (!counted.uncounted.empty())
            problem = "the size of files/" + entry.trashName + " is not known in full: files/" + counted.uncounted;
    }

    // Fills in what a .trashinfo and its item in files/ tell of one entry
    // (all but its name) and what could not be read of it; returns the
    // decoded original path, when there is one.
    std::optional<std::string> ReadEntry(std::uint32_t can, std::string&& name, TrashEntry& entry,
                                         std::string& problem) const
    {
        entry.can = can;
        entry.trashName = std::move(name);
        const std::string& trashName = entry.trashName;
        entry.hasInfo = true;
        const std::string infoName = trashName + std::string(InfoSuffix);
        std::string text;
        const int readError = ReadCanFile(infoFd, infoName.c_str(), TrashInfoSizeLimit, text);
        const bool readable = readError == 0;
        // The .trashinfo's own times are needed only for a folder's cached
        // size and for an entry without a valid date.
        struct stat info{};
        bool infoRead = false;
        auto infoStat = [&]() -> const struct stat& {
            if (!infoRead && fstatat(infoFd, infoName.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
                info = {};
            infoRead = true;
            return info;
        };
        TrashInfo parsed = readable ? ParseTrashInfo(text) : TrashInfo{};

        // An item that is there but cannot be looked at is still there: its
        // purge will tell why.
        struct stat fileInfo{};
        const bool fileStat = fstatat(filesFd, trashName.c_str(), &fileInfo, AT_SYMLINK_NOFOLLOW) == 0;
        const int lookError = errno;
        entry.hasFile = fileStat || (filesFd >= 0 && lookError != ENOENT && lookError != ENOTDIR);
        if (fileStat)
            entry.setIdentity(IdentityOf(fileInfo));
        entry.isDirectory = fileStat && S_ISDIR(fileInfo.st_mode);
        if (fileStat)
            Measure(fileInfo,
                    entry.isDirectory ? std::optional<std::int64_t>(infoStat().st_mtime) : std::nullopt, entry,
                    problem);
        else if (entry.hasFile)
            problem = "files/" + trashName + " cannot be looked at (" + std::strerror(lookError) +
                      "): its size is not known";
        if (!readable && readError != ENOENT)
            problem += (problem.empty() ? "" : "; ") + ("info/" + infoName + " cannot be read (" +
                        CanFileError(readError) + "): its item is listed under " + UnknownOriginDirectory);
        // Without a valid date, the time the item came into the trash: the
        // change time of its file, else of its .trashinfo.
        // A date to come is the owner's word against the clock: it counts as now.
        if (parsed.deletionDate && InPackedRange(*parsed.deletionDate))
            entry.deleted = PackedLocalTime(*parsed.deletionDate, now);
        else
            entry.deleted = PackedLocalTime(
                fileStat ? fileInfo.st_ctime : readable ? infoStat().st_ctime : std::time(nullptr), now);
        return std::move(parsed.path);
    }
};

}  // namespace

// Two names and a few numbers: the entries of 100,000 items take 11 MB.
static_assert(sizeof(void*) != 8 || sizeof(TrashEntry) <= 2 * sizeof(std::string) + 48);

TrashItemIdentity IdentityOf(const struct stat& info)
{
    return {static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::int64_t>(info.st_ctim.tv_sec) * 1'000'000'000 + info.st_ctim.tv_nsec};
}

bool StillAsRead(int filesFd, const TrashEntry& entry)
{
    struct stat now{};
    if (filesFd < 0 || fstatat(filesFd, entry.trashName.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) {
        // What cannot be looked at cannot be deleted either: its purge fails
        // and says why. What is gone was only as read if it was never there.
        const bool gone = filesFd < 0 || errno == ENOENT;
        return gone ? !entry.hasFile : true;
    }
    // An item whose look failed when it was read cannot be told apart from
    // another one now.
    return entry.identity() == IdentityOf(now);
}

TrashIndex TrashIndex::Read(const TrashEnvironment& environment)
{
    TrashIndex index;
    index.cans = FindTrashCans(environment);

    // Names are given shortest mount point first, so that "/" is always ROOT
    // and a later "/root" becomes ROOT_2.
    std::vector<std::string> mountPoints = environment.mountPoints;
    std::sort(mountPoints.begin(), mountPoints.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    mountPoints.erase(std::unique(mountPoints.begin(), mountPoints.end()), mountPoints.end());
    std::set<std::string> names;
    std::vector<std::string> volumeNames;
    for (const std::string& mountPoint : mountPoints) {
        std::string name = VolumeNameOfMountPoint(mountPoint);
        for (int n = 2; names.count(name); ++n)
            name = VolumeNameOfMountPoint(mountPoint) + "_" + std::to_string(n);
        names.insert(name);
        volumeNames.push_back(name);
    }
    // Longer mount points first while the cans are read, so that a path falls
    // to the innermost one.
    for (size_t m = mountPoints.size(); m-- > 0;) {
        index.directories.push_back({volumeNames[m], index.directories.size(), {}, {}});
        index.volumes.push_back({volumeNames[m], mountPoints[m], index.directories.size() - 1});
    }
    if (index.volumes.empty())
        return index;
    const std::tm now = LocalNow();
    for (size_t can = 0; can < index.cans.size(); ++can) {
        if (!index.cans[can].problem.empty()) {
            index.problems.push_back(UnusedCanText(index.cans[can]));
            continue;
        }
        try {
            const ActingAsOwner asOwner(index.cans[can].owner);
            index.ReadCan(can, now);
        } catch (const OwnerIdentityError& e) {
            index.problems.push_back("Trash can " + ShownText(index.cans[can].path) + " is not read: " + e.what());
        }
    }

    // Volumes without a trash can or an entry are of no interest: the pseudo
    // file systems of the mount table would only crowd the folder tree.
    std::vector<bool> used(index.volumes.size(), false);
    for (const TrashCan& can : index.cans) {
        std::string relative;
        used[index.VolumeOfPath(can.kind == TrashCanKind::TopDir ? can.topdir : can.path, relative)] = true;
    }
    for (size_t v = 0; v < index.volumes.size(); ++v)
        if (!index.directories[index.volumes[v].root].entries.empty() ||
            !index.directories[index.volumes[v].root].children.empty())
            used[v] = true;
    // Folders are listed in the order of their names.
    for (TrashDirectory& directory : index.directories)
        std::sort(directory.children.begin(), directory.children.end(), [&index](size_t a, size_t b) {
            return index.directories[a].name < index.directories[b].name;
        });
    std::vector<TrashVolume> kept;
    for (size_t v = 0; v < index.volumes.size(); ++v)
        if (used[v])
            kept.push_back(index.volumes[v]);
    std::sort(kept.begin(), kept.end(), [](const TrashVolume& a, const TrashVolume& b) { return a.name < b.name; });
    index.volumes = std::move(kept);
    return index;
}

size_t TrashIndex::VolumeOfPath(const std::string& absolutePath, std::string& relative)
{
    // Volumes are sorted longest mount point first while the cans are read.
    for (size_t v = 0; v < volumes.size(); ++v) {
        const std::string& mount = volumes[v].mountPoint;
        if (mount == "/") {
            relative = absolutePath;
            return v;
        }
        if (absolutePath.compare(0, mount.size(), mount) == 0 &&
            (absolutePath.size() == mount.size() || absolutePath[mount.size()] == '/')) {
            relative = absolutePath.substr(mount.size());
            return v;
        }
    }
    // A mount table without "/" still shows what lies outside it: on the
    // shortest mount point, under the whole path.
    relative = absolutePath;
    return volumes.empty() ? 0 : volumes.size() - 1;
}

size_t TrashIndex::ChildDirectory(size_t parent, const std::string& name)
{
    size_t child = 0;
    if (names_.Exact(parent, name, child))
        return child;
    directories.push_back({name, parent, {}, {}});
    child = directories.size() - 1;
    directories[parent].children.push_back(child);
    names_.Add(parent, name, child);
    return child;
}

void TrashIndex::PlaceEntry(size_t index, const std::optional<std::string>& originalPath)
{
    TrashEntry& entry = entries[index];
    const TrashCan& trashCan = cans[entry.can];
    std::string relative;
    size_t volume;
    std::vector<std::string> folders;
    bool originKnown = false;
    // A path with "." or ".." in it could be shown anywhere: its item is of
    // unknown origin.
    if (originalPath && !originalPath->empty() && !HasDotComponents(*originalPath) &&
        (originalPath->front() == '/' || trashCan.kind == TrashCanKind::TopDir)) {
        const std::string absolute =
            originalPath->front() == '/' ? *originalPath : trashCan.topdir + "/" + *originalPath;
        volume = VolumeOfPath(absolute, relative);
        folders = Components(relative);
        if (!folders.empty()) {
            entry.name = ShownName(folders.back());
            folders.pop_back();
            originKnown = true;
        }
    }
    if (!originKnown) {
        volume = VolumeOfPath(trashCan.kind == TrashCanKind::TopDir ? trashCan.topdir : trashCan.path, relative);
        folders = {std::string()};
        entry.name = ShownName(entry.trashName);
    }
    size_t directory = volumes[volume].root;
    for (const std::string& folder : folders)
        directory = ChildDirectory(directory, folder);
    directories[directory].entries.push_back(index);
}

void TrashIndex::ReadCan(size_t can, const std::tm& now)
{
    const TrashCan& trashCan = cans[can];
    const OpenTrashCan open(trashCan);
    if (!open.problem.empty()) {
        // A can that went away since it was found is simply not there.
        if (open.can >= 0 || open.error != ENOENT)
            problems.push_back("Trash can " + ShownText(trashCan.path) + " cannot be read (" +
                               ShownText(open.problem) + "): nothing in it is purged");
        return;
    }
    const int filesFd = open.files, infoFd = open.info;
    const dev_t device = open.device;

    // Root's sweep counts the folder sizes of other users' cans itself: a
    // size their owner wrote must not decide root's purge.
    DirectorySizes cachedSizes;
    if (geteuid() != 0 || trashCan.owner.uid == 0) {
        std::string text;
        if (ReadCanFile(open.can, "directorysizes", DirectorySizesSizeLimit, text) == 0)
            cachedSizes = ParseDirectorySizes(text);
    }

    // The .trashinfo files are read on every processor at once: on a big
    // trash can, opening and reading them is most of the work of a job.
    std::vector<std::string> trashNames;  // the names in info/ without their suffix
    if (infoFd >= 0)
        if (DIR* dir = fdopendir(dup(infoFd))) {
            while (struct dirent* entry = readdir(dir)) {
                std::string_view name = entry->d_name;
                if (name.size() > InfoSuffix.size() && name.substr(name.size() - InfoSuffix.size()) == InfoSuffix &&
                    IsItemName(name.substr(0, name.size() - InfoSuffix.size())))
                    trashNames.emplace_back(name.substr(0, name.size() - InfoSuffix.size()));
            }
            closedir(dir);
        }
    trashNames.shrink_to_fit();
    const CanFolders folders{filesFd, infoFd, device, cachedSizes, now};
    const size_t first = entries.size(), count = trashNames.size();
    entries.resize(first + count);
    // A block of entries at a time: their original paths are kept only
    // until they are placed, not for the whole of a big can.
    constexpr size_t ReadBlock = 4096;
    struct ReadInfo {
        std::optional<std::string> originalPath;
        std::string problem;
    };
    std::vector<ReadInfo> read;
    for (size_t start = 0; start < count; start += ReadBlock) {
        const size_t block = std::min(ReadBlock, count - start);
        read.assign(block, ReadInfo{});
        // Every reading thread acts as the can's owner, as this one does.
        ForEachInParallel(
            block,
            [&](size_t i) {
                read[i].originalPath = folders.ReadEntry(static_cast<std::uint32_t>(can),
                                                         std::move(trashNames[start + i]),
                                                         entries[first + start + i], read[i].problem);
            },
            [&] { return ActingAsOwner(trashCan.owner); });
        for (size_t i = 0; i < block; ++i) {
            PlaceEntry(first + start + i, read[i].originalPath);
            if (!read[i].problem.empty())
                problems.push_back(CanProblem(trashCan, read[i].problem));
        }
    }
    read = {};
    trashNames = {};  // each name now lies in its entry

    // Items whose .trashinfo is missing still show, so that they can be
    // purged; they come in the order of their names. The names with one are
    // looked up in a sorted list of views of their entries' names, a fraction
    // of a hash set's size.
    std::vector<std::string_view> withInfo;
    withInfo.reserve(count);
    for (size_t i = first; i < first + count; ++i)
        withInfo.emplace_back(entries[i].trashName);
    std::sort(withInfo.begin(), withInfo.end());
    std::vector<std::string> withoutInfo;
    if (filesFd >= 0)
        if (DIR* dir = fdopendir(dup(filesFd))) {
            while (struct dirent* entry = readdir(dir)) {
                std::string_view name = entry->d_name;
                if (IsItemName(name) && !std::binary_search(withInfo.begin(), withInfo.end(), name))
                    withoutInfo.emplace_back(name);
            }
            closedir(dir);
        }
    withInfo = {};  // its views go stale once entries are added below
    std::sort(withoutInfo.begin(), withoutInfo.end());
    for (const std::string& trashName : withoutInfo) {
        struct stat fileInfo{};
        if (fstatat(filesFd, trashName.c_str(), &fileInfo, AT_SYMLINK_NOFOLLOW) != 0) {
            // Neither its kind nor its date is known: it cannot be listed
            // as what it is, and is not purged.
            if (errno != ENOENT)
                problems.push_back(CanProblem(trashCan, "files/" + trashName + " cannot be looked at (" +
                                                            std::strerror(errno) + "): it is neither listed nor purged"));
            continue;
        }
        TrashEntry& entry = entries.emplace_back();
        entry.can = static_cast<std::uint32_t>(can);
        entry.trashName = trashName;
        std::string problem;
        folders.Measure(fileInfo, std::nullopt, entry, problem);
        if (!problem.empty())
            problems.push_back(CanProblem(trashCan, problem));
        entry.deleted = PackedLocalTime(fileInfo.st_ctime, now);
        entry.hasFile = true;
        entry.isDirectory = S_ISDIR(fileInfo.st_mode);
        entry.setIdentity(IdentityOf(fileInfo));
        PlaceEntry(entries.size() - 1, std::nullopt);
    }
}

bool TrashIndex::FindVolume(const std::string& name, size_t& volume) const
{
    for (size_t v = 0; v < volumes.size(); ++v)
        if (SameTextAscii(volumes[v].name, name)) {
            volume = v;
            return true;
        }
    return false;
}

NameLookup TrashIndex::FindChild(size_t parent, std::string_view shownName, size_t& child) const
{
    return names_.Find(parent, FolderNameOfShown(shownName), child);
}

std::string TrashIndex::ShownPath(size_t directory) const
{
    return ShownFolderPath(
        directory, [this](size_t d) { return directories[d].parent == d; },
        [this](size_t d) { return directories[d].parent; },
        [this](size_t d) { return ShownFolderName(directories[d].name); });
}
