// SPDX-License-Identifier: GPL-3.0-or-later
// Atomic file replacement: temporary file, fsync, rename, fsync of the folder;
// and the sidecar lock for a read-modify-write.
#include "util/AtomicFile.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string FileBehindLinks(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr)
        return path;
    return resolved;
}

int MakeFolders(int start, const std::string& folder)
{
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!part.empty() && ::mkdirat(start, part.c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
        if (slash == std::string::npos)
            return 0;
    }
}

constexpr char TemporaryMark[] = ".tmp-";
// Names taken by others (a file, a link or a pipe someone placed there, or
// another writer of the same file) are passed over up to this many times.
constexpr int TemporaryNameAttempts = 100;

// "<name>.tmp-<pid>-<attempt>": writers in other processes never pick the
// same name; writers of this process take the lowest one still free.
std::string TemporaryNameFor(const std::string& path, int attempt)
{
    return path + TemporaryMark + std::to_string(::getpid()) + "-" + std::to_string(attempt);
}

// The process id in a temporary name of the file called base, or 0 when the
// name is no such temporary name.
pid_t WriterOf(const std::string& name, const std::string& base)
{
    const std::string prefix = base + TemporaryMark;
    if (name.compare(0, prefix.size(), prefix) != 0)
        return 0;
    const std::string rest = name.substr(prefix.size());
    const auto dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos || dash + 1 == rest.size() || dash > 9
        || rest.find_first_not_of("0123456789-") != std::string::npos || rest.find('-', dash + 1) != std::string::npos)
        return 0;
    return static_cast<pid_t>(std::stol(rest.substr(0, dash)));
}

bool ProcessIsGone(pid_t pid)
{
    // EPERM: it exists, under another user.
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// A writer killed between creating its temporary file and the rename leaves
// that file behind; nothing else ever removes it.
void RemoveStaleTemporaries(int start, const std::string& target)
{
    const std::string folder = FolderOf(target);
    const auto slash = target.find_last_of('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    const int fd = ::openat(start, folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (dir == nullptr) {
        if (fd >= 0)
            ::close(fd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        const pid_t writer = WriterOf(name, base);
        if (writer > 0 && ProcessIsGone(writer))
            ::unlinkat(::dirfd(dir), name.c_str(), 0);
    }
    ::closedir(dir);
}

// Makes the rename itself durable; a folder that cannot be opened or synced
// (some file systems refuse) does not undo a file that is already in place.
void SyncFolder(int start, const std::string& folder)
{
    const int fd = ::openat(start, folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

AtomicFileError::AtomicFileError(AtomicFileStep step, int error, const std::string& path)
    : std::runtime_error("\"" + path + "\": " + std::strerror(error)), step_(step), error_(error)
{
}

AtomicFile::AtomicFile(const std::string& path, AtomicFileOptions options)
    : path_(path), fault_(std::move(options.fault)), folder_(options.folder)
{
    if (path.empty())
        Fail(AtomicFileStep::CreateTemporary, ENOENT);
    target_ = options.followLinks && folder_ == AT_FDCWD ? FileBehindLinks(path) : path;

    // In an open folder nothing is looked up through a link: a link at the
    // path lends the new file neither mode nor owner, and is replaced.
    struct stat old {};
    const bool exists = folder_ == AT_FDCWD ? ::fstatat(folder_, target_.c_str(), &old, 0) == 0
                                            : ::fstatat(folder_, target_.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0
                                                  && !S_ISLNK(old.st_mode);
    if (exists && options.refuseReadOnly) {
        if (int error = FaultAt(AtomicFileStep::CheckTarget))
            Fail(AtomicFileStep::CheckTarget, error);
        // Root opens any file for writing; a file that grants writing to
        // nobody is meant to stay as it is all the same.
        if ((old.st_mode & 0222) == 0)
            Fail(AtomicFileStep::CheckTarget, EACCES);
        const int probe = ::openat(folder_, target_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (probe < 0)
            Fail(AtomicFileStep::CheckTarget, errno);
        ::close(probe);
    } else if (!exists && options.createFolders) {
        int error = FaultAt(AtomicFileStep::CreateFolder);
        if (error == 0)
            error = MakeFolders(folder_, FolderOf(target_));
        if (error)
            Fail(AtomicFileStep::CreateFolder, error);
    }

    if (options.removeStaleTemporaries)
        RemoveStaleTemporaries(folder_, target_);
    if (int error = FaultAt(AtomicFileStep::CreateTemporary))
        Fail(AtomicFileStep::CreateTemporary, error);
    // Created where no file was: whatever already stands at a name, even a
    // link, is never opened. The default mode 0666 lets the umask decide, as
    // for any new file the user creates.
    for (int attempt = 0; fd_ < 0 && attempt < TemporaryNameAttempts; ++attempt) {
        temporary_ = TemporaryNameFor(target_, attempt);
        fd_ = ::openat(folder_, temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                       options.createMode);
        if (fd_ < 0 && errno != EEXIST)
            break;
    }
    if (fd_ < 0)
        Fail(AtomicFileStep::CreateTemporary, errno);
    created_ = true;
    try {
        if (exists && options.keepOwner)
            KeepOwner(old.st_uid, old.st_gid);
    } catch (...) {
        // The destructor does not run for an object whose constructor failed.
        Discard();
        throw;
    }
    // After the owner: changing that clears the set-id bits.
    if (exists && options.keepMode)
        ::fchmod(fd_, old.st_mode & 07777);
}

void AtomicFile::KeepOwner(uid_t owner, gid_t group)
{
    if (int error = FaultAt(AtomicFileStep::KeepOwner))
        Fail(AtomicFileStep::KeepOwner, error);
    struct stat fresh {};
    if (::fstat(fd_, &fresh) != 0)
        Fail(AtomicFileStep::KeepOwner, errno);
    if (fresh.st_uid == owner && fresh.st_gid == group)
        return;
    // A user may give his own file any group he belongs to, but no other group
    // and no other owner; root may give any.
    const uid_t newOwner = fresh.st_uid == owner ? static_cast<uid_t>(-1) : owner;
    const gid_t newGroup = fresh.st_gid == group ? static_cast<gid_t>(-1) : group;
    if (::fchown(fd_, newOwner, newGroup) != 0)
        Fail(AtomicFileStep::KeepOwner, errno);
}

void AtomicFile::Discard()
{
    const int error = errno;  // a caller's reason survives the clean-up
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (created_ && !committed_)
        ::unlinkat(folder_, temporary_.c_str(), 0);
    created_ = false;
    errno = error;
}

AtomicFile::~AtomicFile()
{
    Discard();
}

void AtomicFile::Write(std::string_view data)
{
    if (int error = FaultAt(AtomicFileStep::Write))
        Fail(AtomicFileStep::Write, error);
    if (fd_ < 0)
        Fail(AtomicFileStep::Write, EBADF);
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail(AtomicFileStep::Write, errno);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

void AtomicFile::Commit()
{
    if (fd_ < 0)
        Fail(AtomicFileStep::Sync, EBADF);
    int error = FaultAt(AtomicFileStep::Sync);
    if (error == 0 && ::fsync(fd_) != 0)
        error = errno;
    if (::close(fd_) != 0 && error == 0)
        error = errno;
    fd_ = -1;
    if (error)
        Fail(AtomicFileStep::Sync, error);

    error = FaultAt(AtomicFileStep::Rename);
    if (error == 0 && ::renameat(folder_, temporary_.c_str(), folder_, target_.c_str()) != 0)
        error = errno;
    if (error)
        Fail(AtomicFileStep::Rename, error);
    committed_ = true;
    SyncFolder(folder_, FolderOf(target_));
}

void AtomicFile::Fail(AtomicFileStep step, int error) const
{
    throw AtomicFileError(step, error, path_);
}

int AtomicFile::FaultAt(AtomicFileStep step) const
{
    return fault_ ? fault_(step) : 0;
}

AtomicFileLock::AtomicFileLock(const std::string& path, std::chrono::milliseconds timeout)
    : lockPath_(FileBehindLinks(path) + ".lock")
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        // Not through a link: one planted in a shared folder would have the
        // file it names created.
        fd_ = ::open(lockPath_.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ < 0)
            throw AtomicFileError(AtomicFileStep::Lock, errno, lockPath_);
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            if (error != EWOULDBLOCK && error != EINTR) {
                ::close(fd_);
                throw AtomicFileError(AtomicFileStep::Lock, error, lockPath_);
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                ::close(fd_);
                throw AtomicFileError(AtomicFileStep::Lock, EWOULDBLOCK, lockPath_);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        // The holder before may have removed the sidecar as it let go; a lock
        // on a removed sidecar keeps nobody out, so take the one now there.
        struct stat held {};
        struct stat named {};
        if (::fstat(fd_, &held) == 0 && ::stat(lockPath_.c_str(), &named) == 0 && held.st_ino == named.st_ino
            && held.st_dev == named.st_dev)
            return;
        ::close(fd_);
    }
}

AtomicFileLock::~AtomicFileLock()
{
    // Removed while still held, so that whoever waits on it sees it is gone.
    const int error = errno;
    ::unlink(lockPath_.c_str());
    ::close(fd_);
    errno = error;
}
