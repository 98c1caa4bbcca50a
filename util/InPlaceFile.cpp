// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/InPlaceFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Describe(InPlaceFileStep step, int error, const std::string& path)
{
    const char* what = step == InPlaceFileStep::Open ? "open" : step == InPlaceFileStep::Write ? "write" : "sync";
    return std::string("cannot ") + what + " \"" + path + "\": " + std::strerror(error);
}

}  // namespace

InPlaceFileError::InPlaceFileError(InPlaceFileStep step, int error, const std::string& path)
    : std::runtime_error(Describe(step, error, path)), step_(step), error_(error)
{
}

InPlaceFile::InPlaceFile(const std::string& path) : path_(path)
{
    if (path.empty())
        Fail(InPlaceFileStep::Open, ENOENT);

    // Read-only is the owner's decision, not a permission question: root,
    // who may write anything, must not overwrite it either.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        Fail(InPlaceFileStep::Open, EACCES);

    // Non-blocking only for the open: a pipe without a reader fails at once
    // instead of hanging the run.
    do {
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0)
        Fail(InPlaceFileStep::Open, errno);
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0 || ::fstat(fd_, &info) != 0)
        Fail(InPlaceFileStep::Open, errno);
    regular_ = S_ISREG(info.st_mode);
    // Emptied only once it is open for writing: a refused open leaves the old
    // content alone.
    if (regular_ && ::ftruncate(fd_, 0) != 0)
        Fail(InPlaceFileStep::Open, errno);
}

InPlaceFile::~InPlaceFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void InPlaceFile::Write(std::string_view data)
{
    if (fd_ < 0)
        Fail(InPlaceFileStep::Write, EBADF);
    while (!data.empty()) {
        const ssize_t written = ::write(fd_, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            Fail(InPlaceFileStep::Write, errno);
        }
        if (written == 0)
            Fail(InPlaceFileStep::Write, EIO);
        data.remove_prefix(static_cast<std::size_t>(written));
    }
}

void InPlaceFile::Commit()
{
    if (fd_ < 0)
        Fail(InPlaceFileStep::Sync, EBADF);
    if (regular_ && ::fsync(fd_) != 0)
        Fail(InPlaceFileStep::Sync, errno);
    const int fd = fd_;
    fd_ = -1;
    // A network file system may report a failed write only here.
    if (::close(fd) != 0 && errno != EINTR)
        Fail(InPlaceFileStep::Sync, errno);
}

void InPlaceFile::Fail(InPlaceFileStep step, int error)
{
    // A failed rewrite is over: the file is closed here, also when the
    // constructor fails and no destructor runs.
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    throw InPlaceFileError(step, error, path_);
}
