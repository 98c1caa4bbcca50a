// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the trash cans of the users and file systems of this machine.
#include "netware/trash/TrashCans.h"
#include "util/FileText.h"

#include <algorithm>
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

    void Add(const std::string& path, TrashCanKind kind, const std::string& topdir, uid_t uid)
    {
        // A quick look first: most users have no trash can on most mounts.
        struct stat info;
        if (lstat(path.c_str(), &info) != 0)
            return;
        TrashCan can{path, topdir, kind, OwnerOf(uid), 0, 0, {}};
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
    std::vector<TrashCan> Take() { return std::move(cans_); }

private:
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

// $topdir/.Trash is shared by all users: it counts only with its sticky bit,
// so that nobody can take another user's folder in it away.
bool SharedTrashUsable(const std::string& topdir)
{
    struct stat info;
    return IsUsableDirectory(Joined(topdir, ".Trash"), info) && (info.st_mode & S_ISVTX);
}

void AddTopDirCansOf(CanCollector& cans, const std::string& topdir, uid_t uid)
{
    const std::string id = std::to_string(uid);
    if (SharedTrashUsable(topdir))
        cans.Add(Joined(topdir, ".Trash/" + id), TrashCanKind::TopDir, topdir, uid);
    cans.Add(Joined(topdir, ".Trash-" + id), TrashCanKind::TopDir, topdir, uid);
}

// Every user's cans at the top of one file system, found by name, so that the
// cans of users no longer in the password database are seen too.
void AddEveryUsersTopDirCans(CanCollector& cans, const std::string& topdir)
{
    if (SharedTrashUsable(topdir))
        if (DIR* dir = opendir(Joined(topdir, ".Trash").c_str())) {
            while (struct dirent* entry = readdir(dir))
                if (IsNumber(entry->d_name))
                    cans.Add(Joined(topdir, ".Trash/") + entry->d_name, TrashCanKind::TopDir, topdir,
                             static_cast<uid_t>(std::strtoul(entry->d_name, nullptr, 10)));
            closedir(dir);
        }
    if (DIR* dir = opendir(topdir.c_str())) {
        while (struct dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.rfind(".Trash-", 0) == 0 && IsNumber(name.c_str() + 7))
                cans.Add(Joined(topdir, name), TrashCanKind::TopDir, topdir,
                         static_cast<uid_t>(std::strtoul(name.c_str() + 7, nullptr, 10)));
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
                cans.Add(Joined(ResolvedHome(user.home), ".local/share/Trash"), TrashCanKind::Home, "", user.uid);
    for (const std::string& topdir : environment.mountPoints) {
        if (environment.everyUser)
            AddEveryUsersTopDirCans(cans, topdir);
        else
            AddTopDirCansOf(cans, topdir, environment.uid);
    }
    return cans.Take();
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
