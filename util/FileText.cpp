// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a file whole.
#include "util/FileText.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int ReadOpenFile(int fd, std::string& text, std::size_t limit, struct stat* opened)
{
    struct stat info;
    if (fstat(fd, &info) != 0)
        return errno;
    if (opened)
        *opened = info;
    if (S_ISDIR(info.st_mode))
        return EISDIR;
    if (!S_ISREG(info.st_mode))
        return EINVAL;
    // A file is read as large as it was when opened, without a last read to
    // find its end: many small files are read at a time. Files under /proc
    // tell no size and are read to their end. One byte beyond the limit tells
    // a file that grew past it meanwhile. No more than the size is asked
    // for: on a FUSE drive a read beyond the end costs a request to learn
    // the size again.
    const std::size_t size = static_cast<std::size_t>(info.st_size);
    if (size > limit)
        return EFBIG;
    char buffer[65536];
    while (text.size() <= limit && (size == 0 || text.size() < size)) {
        const std::size_t wanted = size > 0 ? std::min(size - text.size(), sizeof buffer)
                                   : limit - text.size() < sizeof buffer ? limit - text.size() + 1
                                                                         : sizeof buffer;
        const ssize_t n = ::read(fd, buffer, wanted);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text.size() > limit ? EFBIG : 0;
}

}  // namespace

int ReadFileText(const std::string& path, std::string& text, const FileReadOptions& options)
{
    text.clear();
    // Opened without blocking: the type is only known once it is open, and
    // opening a pipe without a writer would wait for one.
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (options.followLinks ? 0 : O_NOFOLLOW);
    const int fd = ::openat(options.folder, path.c_str(), flags);
    if (fd < 0)
        return errno;
    const int error = ReadOpenFile(fd, text, options.limit, options.opened);
    ::close(fd);
    if (error)
        text.clear();
    return error;
}
