// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the trash cans of the users and file systems of this machine.
#include "netware/trash/TrashCans.h"
#include "util/FileText.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <limits.h>
#include <map>
#include <pwd.h>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "netware/ShownName.h"
#include "netware/TextFields.h"
#include "netware/trash/OwnedFolders.h"

namespace {

std::string ReadText(const std::string& path)
{
    std::string text;
    ReadFileText(path, text);  // an unreadable list is an empty one
    return text;
}

bool IsUsableDirectory(const std::string& path, struct stat& info)
{
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsNumber(const char* text)
{
    if (!*text)
        return false;
    for (; *text; ++text)
        if (*text < '0' || *text > '9')
            return false;
    return true;
}

std::string Joined(const std::string& directory, const std::string& name)
{
    return directory == "/" ? "/" + name : directory + "/" + name;
}

class CanCollector {
public:
    explicit CanCollector(const TrashEnvironment& environment) : environment_(environment) {}

    void Add(const std::string& path, TrashCanKind kind, const std::string& topdir, uid_t uid,
             const std::string& home = {})
    {
        // A quick look first: most users have no trash can on most mounts.
        struct stat info;
        if (lstat(path.c_str(), &info) != 0)
            return;
        TrashCan can{path, topdir, kind, OwnerOf(uid), 0, 0, {}, home, {}};
        int fd = -1;
        try {
            const ActingAsOwner asOwner(can.owner);
            fd = OpenOwnedFolder(path, uid, can.problem);
            if (fd >= 0 && fstat(fd, &info) != 0)
                can.problem = path + " cannot be looked at";
        } catch (const OwnerIdentityError& e) {
            can.problem = e.what();
        }
        if (fd >= 0)
            close(fd);
        if (!can.problem.empty()) {
            cans_.push_back(std::move(can));
            return;
        }
        if (fd < 0 || !seen_.insert({info.st_dev, info.st_ino}).second)
            return;
        can.device = info.st_dev;
        can.inode = info.st_ino;
        cans_.push_back(std::move(can));
    }
    // A folder that looks like a can (or holds cans) but is not used, and why.
    void Refuse(const std::string& path, const std::string& topdir, const std::string& problem)
    {
        TrashCan can;
        can.path = path;
        can.topdir = topdir;
        can.kind = TrashCanKind::TopDir;
        can.owner.uid = static_cast<uid_t>(-1);  // nobody's: nothing is read or purged as its owner
        can.problem = problem;
        cans_.push_back(std::move(can));
    }
    std::vector<TrashCan> Take()
    {
        NameCansReachedThroughAnotherHome();
        return std::move(cans_);
    }

private:
    // A home that leads into another user's home finds that user's can,
    // which is refused as its own but used as the other user's: the report
    // says so.
    void NameCansReachedThroughAnotherHome()
    {
        for (TrashCan& refused : cans_) {
            if (refused.kind != TrashCanKind::Home || refused.problem.empty())
                continue;
            for (const TrashCan& used : cans_)
                if (used.problem.empty() && used.path == refused.path && used.owner.uid != refused.owner.uid)
                    refused.usedAsCanOf = used.owner.uid;
        }
    }

    const OwnerIdentity& OwnerOf(uid_t uid)
    {
        auto known = owners_.find(uid);
        if (known != owners_.end())
            return known->second;
        // A user the databases do not know acts with the group its entry
        // gives, or with none of root's.
        gid_t group = uid;
        for (const TrashUser& user : environment_.users)
            if (user.uid == uid)
                group = user.gid;
        return owners_[uid] = IdentityOfUser(uid, group);
    }

    const TrashEnvironment& environment_;
    std::map<uid_t, OwnerIdentity> owners_;
    std::set<std::pair<dev_t, ino_t>> seen_;
    std::vector<TrashCan> cans_;
};

// The home folder as the administrator set it up, links resolved: what lies
// below it is the user's and is opened without following any link.
std::string ResolvedHome(const std::string& home)
{
    char resolved[PATH_MAX];
    return realpath(home.c_str(), resolved) ? std::string(resolved) : home;
}

// $topdir/.Trash is shared by all users: it counts only as a folder (not a
// link) with its sticky bit, so that nobody can take another user's folder in
// it away. One that is there but does not count is reported.
bool SharedTrashUsable(CanCollector& cans, const std::string& topdir)
{
    const std::string shared = Joined(topdir, ".Trash");
    struct stat info;
    if (lstat(shared.c_str(), &info) != 0)
        return false;
    if (S_ISLNK(info.st_mode))
        cans.Refuse(shared, topdir, "it is a symbolic link, so no user's can in it is used");
    else if (!S_ISDIR(info.st_mode))
        cans.Refuse(shared, topdir, "it is not a folder");
    else if (!(info.st_mode & S_ISVTX))
        cans.Refuse(shared, topdir,
                    "it is shared by every user but has no sticky bit, so any user could take another's can "
                    "in it away; no user's can in it is used");
    else
        return true;
    return false;
}

void AddTopDirCansOf(CanCollector& cans, const std::string& topdir, uid_t uid)
{
    const std::string id = std::to_string(uid);
    if (SharedTrashUsable(cans, topdir))
        cans.Add(Joined(topdir, ".Trash/" + id), TrashCanKind::TopDir, topdir, uid);
    cans.Add(Joined(topdir, ".Trash-" + id), TrashCanKind::TopDir, topdir, uid);
}

// A can found by a name ending in digits: used as that user's when the
// digits give a user id, else refused.
void AddNamedCan(CanCollector& cans, const std::string& path, const std::string& topdir, const std::string& digits)
{
    uid_t uid = 0;
    std::string why;
    if (UserIdOfCanName(digits, uid, why))
        cans.Add(path, TrashCanKind::TopDir, topdir, uid);
    else
        cans.Refuse(path, topdir, "its name gives no user id: " + why);
}

// Every user's cans at the top of one file system, found by name, so that the
// cans of users no longer in the password database are seen too.
void AddEveryUsersTopDirCans(CanCollector& cans, const std::string& topdir)
{
    if (SharedTrashUsable(cans, topdir))
        if (DIR* dir = opendir(Joined(topdir, ".Trash").c_str())) {
            while (struct dirent* entry = readdir(dir))
                if (IsNumber(entry->d_name))
                    AddNamedCan(cans, Joined(topdir, ".Trash/") + entry->d_name, topdir, entry->d_name);
            closedir(dir);
        }
    if (DIR* dir = opendir(topdir.c_str())) {
        while (struct dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.rfind(".Trash-", 0) == 0 && IsNumber(name.c_str() + 7))
                AddNamedCan(cans, Joined(topdir, name), topdir, name.substr(7));
        }
        closedir(dir);
    }
}

}  // namespace

std::vector<std::string> MountPointsOfMountInfo(const std::string& text)
{
    std::vector<std::string> mountPoints;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint;
        if (!(fields >> id >> parent >> device >> root >> mountPoint))
            continue;
        mountPoint = MountFieldUnescaped(mountPoint);
        if (std::find(mountPoints.begin(), mountPoints.end(), mountPoint) == mountPoints.end())
            mountPoints.push_back(mountPoint);
    }
    return mountPoints;
}

TrashEnvironment SystemTrashEnvironment()
{
    TrashEnvironment environment;
    environment.uid = getuid();

    const char* home = std::getenv("HOME");
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome == '/')
        environment.homeTrash = std::string(dataHome) + "/Trash";
    else if (home && *home)
        environment.homeTrash = std::string(home) + "/.local/share/Trash";

    const char* ownMounts = std::getenv("MORVANE_TRASH_MOUNTS");
    if (ownMounts && *ownMounts) {
        std::istringstream lines(ReadText(ownMounts));
        for (std::string line; std::getline(lines, line);)
            if (!line.empty() && line.front() == '/')
                environment.mountPoints.push_back(line);
        if (struct passwd* own = getpwuid(environment.uid))
            environment.users.push_back({own->pw_uid, own->pw_name, own->pw_dir, own->pw_gid});
        return environment;
    }

    environment.mountPoints = MountPointsOfMountInfo(ReadText("/proc/self/mountinfo"));
    environment.everyUser = environment.uid == 0;
    setpwent();
    while (struct passwd* user = getpwent())
        environment.users.push_back({user->pw_uid, user->pw_name, user->pw_dir ? user->pw_dir : "", user->pw_gid});
    endpwent();
    return environment;
}

std::vector<TrashCan> FindTrashCans(const TrashEnvironment& environment)
{
    CanCollector cans(environment);
    if (!environment.homeTrash.empty())
        cans.Add(environment.homeTrash, TrashCanKind::Home, "", environment.uid);
    if (environment.everyUser)
        for (const TrashUser& user : environment.users)
            if (!user.home.empty() && user.home.front() == '/')
                cans.Add(Joined(ResolvedHome(user.home), ".local/share/Trash"), TrashCanKind::Home, "", user.uid,
                         user.home);
    for (const std::string& topdir : environment.mountPoints) {
        if (environment.everyUser)
            AddEveryUsersTopDirCans(cans, topdir);
        else
            AddTopDirCansOf(cans, topdir, environment.uid);
    }
    return cans.Take();
}

std::string UnusedCanText(const TrashCan& can)
{
    if (can.usedAsCanOf)
        return "Trash can " + ShownText(can.path) + " is read and purged as the can of user " +
               std::to_string(*can.usedAsCanOf) + " only, not as that of user " + std::to_string(can.owner.uid) +
               ", whose home " + ShownText(can.home) + " leads there: " + ShownText(can.problem);
    return "Trash can " + ShownText(can.path) + " is not used: " + ShownText(can.problem);
}

bool UserIdOfCanName(const std::string& digits, uid_t& uid, std::string& why)
{
    // (uid_t)-1 is no user: it stands for "unchanged" where ids are set.
    constexpr std::uint64_t LargestUserId = static_cast<uid_t>(-1) - 1;
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) {
        why = "\"" + digits + "\" is not a decimal number";
        return false;
    }
    if (digits.size() > 1 && digits.front() == '0') {
        why = digits + " has a leading zero";
        return false;
    }
    std::uint64_t value = 0;
    for (char digit : digits) {
        value = value * 10 + static_cast<std::uint64_t>(digit - '0');
        if (value > LargestUserId) {
            why = digits + " is beyond the largest user id, " + std::to_string(LargestUserId);
            return false;
        }
    }
    uid = static_cast<uid_t>(value);
    return true;
}

OpenTrashCan::OpenTrashCan(const TrashCan& trashCan)
{
    const uid_t owner = trashCan.owner.uid;
    can = OpenOwnedFolder(trashCan.path, owner, problem);
    struct stat info;
    if (can < 0) {
        error = errno;
        if (problem.empty())
            problem = trashCan.path + " is gone";
        return;
    }
    if (fstat(can, &info) != 0 || info.st_dev != trashCan.device || info.st_ino != trashCan.inode) {
        error = ESTALE;
        problem = trashCan.path + " is another folder than the one read";
        return;
    }
    device = info.st_dev;
    files = OpenOwnedSubfolder(can, "files", owner, trashCan.path + "/files", problem);
    if (files < 0 && !problem.empty()) {
        error = errno;
        return;
    }
    this->info = OpenOwnedSubfolder(can, "info", owner, trashCan.path + "/info", problem);
    if (this->info < 0 && !problem.empty()) {
        error = errno;
        return;
    }
    if (files >= 0 && fstat(files, &info) == 0)
        device = info.st_dev;
}

OpenTrashCan::~OpenTrashCan()
{
    for (int fd : {can, files, info})
        if (fd >= 0)
            close(fd);
}

std::string VolumeNameOfMountPoint(const std::string& mountPoint)
{
    std::string name;
    for (char c : mountPoint) {
        if (c >= 'a' && c <= 'z')
            name += static_cast<char>(c - 'a' + 'A');
        else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            name += c;
        else if (!name.empty())
            name += '_';
    }
    while (!name.empty() && name.back() == '_')
        name.pop_back();
    return name.empty() ? "ROOT" : name;
}
