// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a file whole.
#include "util/FileText.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// fstat, or with asOpened the attributes the system holds already.
int LookAtOpenFile(int fd, bool asOpened, struct stat& info)
{
    if (!asOpened)
        return fstat(fd, &info) == 0 ? 0 : errno;
    struct statx look;
    if (statx(fd, "", AT_EMPTY_PATH | AT_STATX_DONT_SYNC, STATX_BASIC_STATS, &look) != 0)
        return errno;
    info = {};
    info.st_dev = makedev(look.stx_dev_major, look.stx_dev_minor);
    info.st_ino = look.stx_ino;
    info.st_mode = look.stx_mode;
    info.st_nlink = look.stx_nlink;
    info.st_uid = look.stx_uid;
    info.st_gid = look.stx_gid;
    info.st_rdev = makedev(look.stx_rdev_major, look.stx_rdev_minor);
    info.st_size = static_cast<off_t>(look.stx_size);
    info.st_blksize = look.stx_blksize;
    info.st_blocks = static_cast<blkcnt_t>(look.stx_blocks);
    info.st_atim = {look.stx_atime.tv_sec, look.stx_atime.tv_nsec};
    info.st_mtim = {look.stx_mtime.tv_sec, look.stx_mtime.tv_nsec};
    info.st_ctim = {look.stx_ctime.tv_sec, look.stx_ctime.tv_nsec};
    return 0;
}

int ReadOpenFile(int fd, std::string& text, std::size_t limit, bool asOpened, struct stat* opened)
{
    struct stat info;
    if (const int error = LookAtOpenFile(fd, asOpened, info))
        return error;
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
    const int error = ReadOpenFile(fd, text, options.limit, options.lookAsOpened, options.opened);
    ::close(fd);
    if (error)
        text.clear();
    return error;
}
