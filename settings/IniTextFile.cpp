// SPDX-License-Identifier: GPL-3.0-or-later
// Settings file location, whole-file reads and atomic replacement.
#include "settings/IniTextFile.h"

#include "settings/IniFile.h"
#include "util/FileText.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

namespace {

IniWriteFault& CurrentFault()
{
    static IniWriteFault fault;
    return fault;
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

[[noreturn]] void FailWrite(const std::string& path, const AtomicFileError& error)
{
    std::string reason = std::strerror(error.error());
    if (error.step() == AtomicFileStep::Lock && error.error() == EWOULDBLOCK)
        reason = "Another program is writing it and keeps it locked.";
    else if (error.step() == AtomicFileStep::KeepOwner)
        reason = "Its owner and group cannot be kept: " + reason;
    else if (error.step() == AtomicFileStep::CheckTarget && error.error() == EACCES)
        reason += " (the file is read-only)";
    throw IniFileError("Cannot write file \"" + path + "\". " + reason);
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
    result.error = ReadFileText(path, result.bytes);
    if (result.error == 0)
        result.state = IniFileBytes::State::Read;
    else if (result.error == ENOENT || result.error == ENOTDIR)
        result.state = IniFileBytes::State::Missing;
    else
        result.state = IniFileBytes::State::Unreadable;
    return result;
}

std::string ReadIniText(const std::string& path)
{
    const IniFileBytes file = ReadIniBytes(path);
    if (file.state != IniFileBytes::State::Read)
        return std::string();
    return DecodeIniText(file.bytes, DetectIniEncoding(file.bytes));
}

IniFileUpdate::IniFileUpdate(std::string path, bool createFolder)
    : path_(std::move(path)), createFolder_(createFolder)
{
    try {
        lock_.emplace(path_);
    } catch (const AtomicFileError& error) {
        if (error.error() == EWOULDBLOCK)
            FailWrite(path_, error);
        // No folder yet, or none this user may write in: Replace tries again
        // once it has made its temporary file, or fails with the reason.
    }
    read_ = ReadIniBytes(path_);
    if (read_.state == IniFileBytes::State::Unreadable)
        throw IniFileError("Cannot read file \"" + path_ + "\". " + std::strerror(read_.error));
    encoding_ = DetectIniEncoding(read_.bytes);
    text_ = DecodeIniText(read_.bytes, encoding_);
}

bool IniFileUpdate::Replace(const std::string& text)
{
    // The file is replaced as a write in place would change it: through links,
    // keeping its mode, owner and group, and not at all when it is read-only.
    AtomicFileOptions options;
    options.followLinks = true;
    options.refuseReadOnly = true;
    options.keepMode = true;
    options.keepOwner = true;
    options.createFolders = createFolder_;
    options.removeStaleTemporaries = true;
    options.fault = CurrentFault();
    // A UTF-16 file holds characters, not bytes: 8-bit text that is no UTF-8
    // would come back changed, so it is refused and the file left as it is.
    if (!IniTextFits(text, encoding_))
        throw IniFileError("Cannot write file \"" + path_ + "\". The file is UTF-16 text and the new text is not UTF-8.");
    try {
        AtomicFile file(path_, std::move(options));
        if (!lock_) {
            lock_.emplace(path_);
            const IniFileBytes now = ReadIniBytes(path_);
            if (now.state != read_.state || now.bytes != read_.bytes)
                return false;
        }
        file.Write(EncodeIniText(text, encoding_));
        file.Commit();
        return true;
    } catch (const AtomicFileError& error) {
        FailWrite(path_, error);
    }
}

IniWriteFault SetIniWriteFault(IniWriteFault fault)
{
    IniWriteFault previous = std::move(CurrentFault());
    CurrentFault() = std::move(fault);
    return previous;
}
