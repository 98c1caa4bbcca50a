// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a credentials file, after checking who may read it.
#include "netware/smb/SmbCredentials.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "netware/TextFields.h"
#include "util/D_Util.h"

namespace {

constexpr size_t kMaxFileSize = 64 * 1024;

bool KeyIs(std::string_view key, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        if (SameTextAscii(std::string(key), name))
            return true;
    return false;
}

// Reads the whole open file into text; 0 or the errno.
int ReadAll(int fd, std::string& text)
{
    text.reserve(kMaxFileSize + 1);  // never reallocated: no stray copy of the bytes
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            break;
        if (text.size() + static_cast<size_t>(n) > kMaxFileSize) {
            explicit_bzero(buffer, sizeof buffer);
            return EFBIG;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    explicit_bzero(buffer, sizeof buffer);
    return 0;
}

// Why the open file may not be used; empty when it may.
std::string RefusalOf(int fd)
{
    struct stat info {};
    if (fstat(fd, &info) != 0)
        return std::strerror(errno);
    if (!S_ISREG(info.st_mode))
        return "is not a regular file";
    if (info.st_uid != geteuid())
        return "is refused: it does not belong to this user";
    if (info.st_mode & (S_IRGRP | S_IROTH | S_IWGRP | S_IWOTH))
        return "is refused: others may read or change it (chmod 600 it)";
    return {};
}

void Parse(std::string_view text, SmbCredentials& read)
{
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const auto equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view key = Trimmed(line.substr(0, equals));
        // A password may begin or end with blanks: only the line's end is cut.
        std::string_view value = line.substr(equals + 1);
        if (!value.empty() && value.back() == '\r')
            value.remove_suffix(1);
        if (KeyIs(key, {"username", "user"}))
            read.user = Trimmed(value);
        else if (KeyIs(key, {"password", "pass"}))
            read.password = SmbSecret::Of(value);
        else if (KeyIs(key, {"domain", "workgroup", "dom"}))
            read.domain = Trimmed(value);
    }
    if (const auto percent = read.user.find('%'); percent != std::string::npos) {
        if (read.password.Empty())
            read.password = SmbSecret::Of(std::string_view(read.user).substr(percent + 1));
        explicit_bzero(read.user.data() + percent, read.user.size() - percent);
        read.user.erase(percent);
    }
    if (const auto slash = read.user.find_first_of("/\\"); slash != std::string::npos) {
        read.domain = read.user.substr(0, slash);
        read.user.erase(0, slash + 1);
    }
}

}  // namespace

SmbSecret SmbSecret::Take(std::string& text)
{
    SmbSecret secret = Of(text);
    WipeText(text);
    return secret;
}

SmbSecret SmbSecret::Of(std::string_view text)
{
    SmbSecret secret;
    secret.bytes_.assign(text.begin(), text.end());
    return secret;
}

SmbSecret& SmbSecret::operator=(SmbSecret&& other) noexcept
{
    if (this != &other) {
        Wipe();
        bytes_ = std::move(other.bytes_);
        other.bytes_.clear();
    }
    return *this;
}

void SmbSecret::Wipe()
{
    if (!bytes_.empty())  // an empty vector may have no storage at all
        explicit_bzero(bytes_.data(), bytes_.size());
    bytes_.clear();
}

void WipeText(std::string& text)
{
    explicit_bzero(text.data(), text.size());
    text.clear();
}

bool ReadCredentialsFile(const std::string& fileName, SmbCredentials& credentials, std::string& error)
{
    const std::string what = "The credentials file ";
    const int fd = open(fileName.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = what + (errno == ELOOP ? std::string("is a symbolic link, which is not followed")
                                       : std::string("cannot be opened: ") + std::strerror(errno));
        return false;
    }
    std::string refusal = RefusalOf(fd);
    std::string text;
    int failure = 0;
    if (refusal.empty())
        failure = ReadAll(fd, text);
    close(fd);
    if (!refusal.empty()) {
        error = what + refusal;
        return false;
    }
    if (failure) {
        WipeText(text);
        error = what + "cannot be read: " + std::strerror(failure);
        return false;
    }
    SmbCredentials read;
    Parse(text, read);
    WipeText(text);
    if (read.user.empty()) {
        error = what + "names no user (username=)";
        return false;
    }
    read.given = true;
    credentials = std::move(read);
    return true;
}
