// Atomic file replacement: temporary file, fsync, rename, fsync of the folder.
#include "util/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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

int MakeFolders(const std::string& folder)
{
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
        if (slash == std::string::npos)
            return 0;
    }
}

// A name beside the target that no other writer of this process or another
// one picks at the same moment.
std::string TemporaryNameFor(const std::string& path)
{
    static std::atomic<unsigned> counter{0};
    return path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

// Makes the rename itself durable; a folder that cannot be opened or synced
// (some file systems refuse) does not undo a file that is already in place.
void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
    : path_(path), fault_(std::move(options.fault))
{
    if (path.empty())
        Fail(AtomicFileStep::CreateTemporary, ENOENT);
    target_ = options.followLinks ? FileBehindLinks(path) : path;

    struct stat old {};
    const bool exists = ::stat(target_.c_str(), &old) == 0;
    if (exists && options.refuseReadOnly) {
        if (int error = FaultAt(AtomicFileStep::CheckTarget))
            Fail(AtomicFileStep::CheckTarget, error);
        const int probe = ::open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (probe < 0)
            Fail(AtomicFileStep::CheckTarget, errno);
        ::close(probe);
    } else if (!exists && options.createFolders) {
        int error = FaultAt(AtomicFileStep::CreateFolder);
        if (error == 0)
            error = MakeFolders(FolderOf(target_));
        if (error)
            Fail(AtomicFileStep::CreateFolder, error);
    }

    temporary_ = TemporaryNameFor(target_);
    if (int error = FaultAt(AtomicFileStep::CreateTemporary))
        Fail(AtomicFileStep::CreateTemporary, error);
    // Mode 0666 lets the umask decide, as for any new file the user creates.
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0)
        Fail(AtomicFileStep::CreateTemporary, errno);
    created_ = true;
    if (exists && options.keepMode) {
        ::fchmod(fd_, old.st_mode & 07777);
        if (::geteuid() == 0 && ::fchown(fd_, old.st_uid, old.st_gid) != 0) {
            // Best effort: the content matters more than the owner.
        }
    }
}

AtomicFile::~AtomicFile()
{
    const int error = errno;  // a caller's reason survives the clean-up
    if (fd_ >= 0)
        ::close(fd_);
    if (created_ && !committed_)
        ::unlink(temporary_.c_str());
    errno = error;
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
    if (error == 0 && ::rename(temporary_.c_str(), target_.c_str()) != 0)
        error = errno;
    if (error)
        Fail(AtomicFileStep::Rename, error);
    committed_ = true;
    SyncFolder(FolderOf(target_));
}

void AtomicFile::Fail(AtomicFileStep step, int error) const
{
    throw AtomicFileError(step, error, path_);
}

int AtomicFile::FaultAt(AtomicFileStep step) const
{
    return fault_ ? fault_(step) : 0;
}
