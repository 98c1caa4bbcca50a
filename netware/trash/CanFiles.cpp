// SPDX-License-Identifier: GPL-3.0-or-later
// Bounded, non-blocking reads and an exclusive-create rewrite of a can's files.
#include "netware/trash/CanFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "netware/trash/TrashInfo.h"

namespace {

constexpr const char* DirectorySizesName = "directorysizes";

int WriteAll(int fd, const std::string& text)
{
    for (size_t written = 0; written < text.size();) {
        const ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n < 0)
            return errno;
        written += static_cast<size_t>(n);
    }
    return 0;
}

// A new file beside the cache, under a name nobody has taken: an existing
// file or link at that name is never opened.
int CreateTemporary(int canFd, mode_t mode, std::string& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = std::string(DirectorySizesName) + ".morvane-" + std::to_string(getpid()) + "-" +
               std::to_string(attempt);
        const int fd = openat(canFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

int ReadCanFile(int dirFd, const char* name, std::size_t limit, std::string& text)
{
    text.clear();
    // Non-blocking, so that a FIFO placed there cannot hold the reader.
    const int fd = openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    struct stat info;
    int error = fstat(fd, &info) != 0        ? errno
                : !S_ISREG(info.st_mode)    ? EINVAL
                : static_cast<std::size_t>(info.st_size) > limit ? EFBIG
                                                                  : 0;
    if (!error) {
        text.resize(limit + 1);
        size_t got = 0;
        ssize_t n = 0;
        // The size may have changed since it was looked at: never beyond the limit.
        while (got < text.size() && (n = read(fd, text.data() + got, text.size() - got)) > 0)
            got += static_cast<size_t>(n);
        if (n < 0)
            error = errno;
        else if (got > limit)
            error = EFBIG;
        text.resize(error ? 0 : got);
    }
    close(fd);
    return error;
}

int RemoveDirectorySizesLines(int canFd, const std::set<std::string>& entryNames)
{
    std::string text, kept;
    if (int error = ReadCanFile(canFd, DirectorySizesName, DirectorySizesSizeLimit, text))
        return error == ENOENT ? 0 : error;
    if (!WithoutDirectorySizesLines(text, entryNames, kept))
        return 0;

    struct stat old;
    const mode_t mode = fstatat(canFd, DirectorySizesName, &old, AT_SYMLINK_NOFOLLOW) == 0 ? old.st_mode & 0666 : 0600;
    std::string temporary;
    const int fd = CreateTemporary(canFd, mode, temporary);
    if (fd < 0)
        return errno;
    int error = WriteAll(fd, kept);
    if (close(fd) != 0 && !error)
        error = errno;
    if (!error && renameat(canFd, temporary.c_str(), canFd, DirectorySizesName) != 0)
        error = errno;
    if (error)
        unlinkat(canFd, temporary.c_str(), 0);
    return error;
}
