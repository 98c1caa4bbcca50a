// Writing the result log atomically: temporary file, fsync, rename, fsync of
// the folder.
#include "app/ResultLog.h"

#include "widgets/ResultList.h"

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

// The new log while it is written; removed again unless it was renamed into
// place, so a failure leaves nothing behind. Mode 0666 lets the umask decide,
// as for any new file the user creates.
struct TemporaryFile {
    explicit TemporaryFile(std::string temporaryName)
        : name(std::move(temporaryName)), fd(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666))
    {
    }
    ~TemporaryFile()
    {
        const int error = errno;  // the caller's reason survives the clean-up
        if (fd >= 0)
            ::close(fd);
        if (!renamed && created())
            ::unlink(name.c_str());
        errno = error;
    }
    bool created() const { return fd >= 0 || closed; }
    bool Close()
    {
        const int result = ::close(fd);
        fd = -1;
        closed = true;
        return result == 0;
    }

    std::string name;
    int fd;
    bool closed = false;
    bool renamed = false;
};

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
    SaveResultLog(lines.size(), [&lines](std::size_t i) { return lines[i]; }, path);
}

void SaveResultLog(const ResultList& list, const std::string& path)
{
    SaveResultLog(static_cast<std::size_t>(list.count()),
                  [&list](std::size_t i) { return list.line(static_cast<int>(i)); }, path);
}

void SaveResultLog(std::size_t count, const std::function<std::string(std::size_t)>& line, const std::string& path)
{
    if (path.empty())
        throw ResultLogError("Cannot create file \"\". " + Reason(ENOENT));

    TemporaryFile file(TemporaryNameFor(path));
    if (file.fd < 0)
        Fail("Cannot create file", path, errno);

    // Lines go out in large blocks, so a long log costs neither a copy of the
    // whole text nor a system call per line.
    constexpr std::size_t BlockSize = 1 << 16;
    std::string block;
    block.reserve(BlockSize * 2);
    bool written = true;
    for (std::size_t i = 0; i < count && written; ++i) {
        block += line(i);
        block += "\r\n";
        if (block.size() >= BlockSize) {
            written = WriteAll(file.fd, block);
            block.clear();
        }
    }
    if (!written || !WriteAll(file.fd, block) || ::fsync(file.fd) != 0 || !file.Close())
        Fail("Cannot write file", path, errno);
    if (::rename(file.name.c_str(), path.c_str()) != 0)
        Fail("Cannot create file", path, errno);
    file.renamed = true;
    SyncFolder(FolderOf(path));
}
