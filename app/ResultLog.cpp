// Writing the result log atomically: temporary file, fsync, rename, fsync of
// the folder.
#include "app/ResultLog.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::string Reason(int error)
{
    return std::strerror(error);
}

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error)
{
    throw ResultLogError(what + " \"" + path + "\". " + Reason(error));
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A name beside the target that no other writer of this process or another
// one picks at the same moment.
std::string TemporaryNameFor(const std::string& path)
{
    static std::atomic<unsigned> counter{0};
    return path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

bool WriteAll(int fd, const std::string& data)
{
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// Makes the rename itself durable; a folder that cannot be opened or synced
// (some file systems refuse) does not undo a log that is already in place.
void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

void SaveResultLog(const std::vector<std::string>& lines, const std::string& path)
{
    if (path.empty())
        throw ResultLogError("Cannot create file \"\". " + Reason(ENOENT));

    std::string data;
    std::size_t size = 0;
    for (const auto& line : lines)
        size += line.size() + 2;
    data.reserve(size);
    for (const auto& line : lines) {
        data += line;
        data += "\r\n";
    }

    const std::string temporary = TemporaryNameFor(path);
    // Mode 0666 lets the umask decide, as for any new file the user creates.
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        Fail("Cannot create file", path, errno);

    if (!WriteAll(fd, data) || ::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(temporary.c_str());
        Fail("Cannot write file", path, error);
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        Fail("Cannot write file", path, error);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        Fail("Cannot create file", path, error);
    }
    SyncFolder(FolderOf(path));
}
