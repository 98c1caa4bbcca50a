// Settings file location, whole-file reads and atomic replacement.
#include "settings/IniTextFile.h"

#include "settings/IniFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

IniWriteFault& CurrentFault()
{
    static IniWriteFault fault;
    return fault;
}

// The errno with which a step fails: an injected fault, else the one the
// system call left.
int FaultAt(IniWriteStep step)
{
    const auto& fault = CurrentFault();
    return fault ? fault(step) : 0;
}

[[noreturn]] void Fail(const std::string& path, int error)
{
    throw IniFileError("Cannot write file \"" + path + "\". " + std::strerror(error));
}

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return ".";
}

std::string ConfigFolder()
{
    // A relative $XDG_CONFIG_HOME is invalid by the base-directory rules and ignored.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/')
        return config;
    return HomeFolder() + "/.config";
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A symbolic link to the settings file stays a link: the file it points to is replaced.
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
    if (int error = FaultAt(IniWriteStep::CreateFolder))
        return error;
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
        if (slash == std::string::npos)
            return 0;
    }
}

std::string TemporaryNameFor(const std::string& path)
{
    static std::atomic<unsigned> counter{0};
    return path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

int WriteAll(int fd, const std::string& data)
{
    if (int error = FaultAt(IniWriteStep::Write))
        return error;
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return 0;
}

int SyncAndClose(int fd)
{
    int error = FaultAt(IniWriteStep::Sync);
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    return error;
}

// Makes the rename itself durable; a folder that cannot be synced (some file
// systems refuse) does not undo a file that is already in place.
void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool IsBareIniName(const std::string& fileName)
{
    return !fileName.empty() && fileName.find('/') == std::string::npos;
}

std::string ResolveIniPath(const std::string& fileName)
{
    return IsBareIniName(fileName) ? ConfigFolder() + "/" + fileName : fileName;
}

IniFileBytes ReadIniBytes(const std::string& path)
{
    IniFileBytes result;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.error = errno;
        result.state = (errno == ENOENT || errno == ENOTDIR) ? IniFileBytes::State::Missing
                                                              : IniFileBytes::State::Unreadable;
        return result;
    }
    result.state = IniFileBytes::State::Read;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            result.state = IniFileBytes::State::Unreadable;
            result.error = errno;
            result.bytes.clear();
            break;
        }
        result.bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return result;
}

void ReplaceIniBytes(const std::string& path, const std::string& bytes, bool createFolder)
{
    if (path.empty())
        Fail(path, ENOENT);
    const std::string target = FileBehindLinks(path);

    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists) {
        // The rename would replace a file the user has made read-only; refuse
        // as a write in place would.
        const int probe = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (probe < 0)
            Fail(path, errno);
        ::close(probe);
    } else if (createFolder) {
        if (int error = MakeFolders(FolderOf(target)))
            Fail(path, error);
    }

    const std::string temporary = TemporaryNameFor(target);
    int error = FaultAt(IniWriteStep::CreateTemporary);
    // Mode 0666 lets the umask decide for a new file; a replaced one keeps its mode.
    const int fd = error ? -1 : ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        Fail(path, error ? error : errno);
    if (exists) {
        ::fchmod(fd, old.st_mode & 07777);
        if (::geteuid() == 0 && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Best effort: the content matters more than the owner.
        }
    }

    error = WriteAll(fd, bytes);
    if (error) {
        ::close(fd);
    } else {
        error = SyncAndClose(fd);
    }
    if (error == 0) {
        error = FaultAt(IniWriteStep::Rename);
        if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0)
            error = errno;
    }
    if (error) {
        ::unlink(temporary.c_str());
        Fail(path, error);
    }
    SyncFolder(FolderOf(target));
}

IniWriteFault SetIniWriteFault(IniWriteFault fault)
{
    IniWriteFault previous = std::move(CurrentFault());
    CurrentFault() = std::move(fault);
    return previous;
}
