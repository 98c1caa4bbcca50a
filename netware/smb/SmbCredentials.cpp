// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a credentials file, after checking who may read it.
#include "netware/smb/SmbCredentials.h"

#include <cstring>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "netware/TextFields.h"
#include "util/D_Util.h"
#include "util/FileText.h"

namespace {


bool KeyIs(const std::string& key, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        if (SameTextAscii(key, name))
            return true;
    return false;
}

}  // namespace

bool ReadCredentialsFile(const std::string& fileName, SmbCredentials& credentials, std::string& error)
{
    const std::string what = "Credentials file " + fileName;
    struct stat info {};
    if (lstat(fileName.c_str(), &info) != 0) {
        error = what + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = what + " is not a regular file";
        return false;
    }
    if (info.st_uid != geteuid()) {
        error = what + " is refused: it does not belong to this user";
        return false;
    }
    if (info.st_mode & (S_IRGRP | S_IROTH | S_IWGRP | S_IWOTH)) {
        error = what + " is refused: others may read or change it (chmod 600 it)";
        return false;
    }
    std::string text;
    FileReadOptions options;
    options.followLinks = false;
    options.limit = 64 * 1024;
    if (const int failure = ReadFileText(fileName, text, options)) {
        error = what + ": " + std::strerror(failure);
        return false;
    }
    SmbCredentials read;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = std::string(Trimmed(line.substr(0, equals)));
        // A password may begin or end with blanks: only the line's end is cut.
        std::string value = line.substr(equals + 1);
        if (!value.empty() && value.back() == '\r')
            value.pop_back();
        if (KeyIs(key, {"username", "user"}))
            read.user = std::string(Trimmed(value));
        else if (KeyIs(key, {"password", "pass"}))
            read.password = value;
        else if (KeyIs(key, {"domain", "workgroup", "dom"}))
            read.domain = std::string(Trimmed(value));
    }
    if (const auto percent = read.user.find('%'); percent != std::string::npos) {
        if (read.password.empty())
            read.password = read.user.substr(percent + 1);
        read.user.erase(percent);
    }
    if (const auto slash = read.user.find_first_of("/\\"); slash != std::string::npos) {
        read.domain = read.user.substr(0, slash);
        read.user.erase(0, slash + 1);
    }
    if (read.user.empty()) {
        error = what + " names no user (username=)";
        return false;
    }
    read.given = true;
    credentials = std::move(read);
    return true;
}
