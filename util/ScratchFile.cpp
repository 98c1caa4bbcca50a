// SPDX-License-Identifier: GPL-3.0-or-later
// The nameless scratch file: O_TMPFILE where the file system has it, else a
// unique name that is removed at once.
#include "util/ScratchFile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <utility>
#include <vector>

ScratchFile::~ScratchFile()
{
    Close();
}

ScratchFile::ScratchFile(ScratchFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

ScratchFile& ScratchFile::operator=(ScratchFile&& other) noexcept
{
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

std::string ScratchFolder()
{
    const char* tmpdir = std::getenv("TMPDIR");
    return tmpdir && *tmpdir ? tmpdir : "/var/tmp";
}

bool ScratchFile::Open(const std::string& folder)
{
    Close();
    const std::string where = folder.empty() ? ScratchFolder() : folder;
    fd_ = ::open(where.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd_ >= 0)
        return true;
    std::string pattern = where + "/morvane-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd_ >= 0)
        ::unlink(name.data());
    return fd_ >= 0;
}

void ScratchFile::Close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool ScratchFile::WriteAt(std::uint64_t offset, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::pwrite(fd_, data, size, static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
        offset += static_cast<std::uint64_t>(written);
    }
    return true;
}

bool ScratchFile::ReadAt(std::uint64_t offset, char* data, std::size_t size) const
{
    while (size > 0) {
        const ssize_t got = ::pread(fd_, data, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        data += got;
        size -= static_cast<std::size_t>(got);
        offset += static_cast<std::uint64_t>(got);
    }
    return true;
}

void ScratchFile::Clear()
{
    if (fd_ >= 0 && ::ftruncate(fd_, 0) != 0)
        Close();  // not emptied: a new file is made when one is needed again
}
