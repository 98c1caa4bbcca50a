// Settings file location, whole-file reads and atomic replacement.
#include "settings/IniTextFile.h"

#include "settings/IniFile.h"

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
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.error = errno;
        result.state = (errno == ENOENT || errno == ENOTDIR) ? IniFileBytes::State::Missing
                                                              : IniFileBytes::State::Unreadable;
        return result;
    }
    result.state = IniFileBytes::State::Read;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            result.state = IniFileBytes::State::Unreadable;
            result.error = errno;
            result.bytes.clear();
            break;
        }
        result.bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return result;
}

void ReplaceIniBytes(const std::string& path, const std::string& bytes, bool createFolder)
{
    // The file is replaced as a write in place would change it: through links,
    // keeping its mode, and not at all when it is read-only.
    AtomicFileOptions options;
    options.followLinks = true;
    options.refuseReadOnly = true;
    options.keepMode = true;
    options.createFolders = createFolder;
    options.fault = CurrentFault();
    try {
        AtomicFile file(path, std::move(options));
        file.Write(bytes);
        file.Commit();
    } catch (const AtomicFileError& error) {
        throw IniFileError("Cannot write file \"" + path + "\". " + std::strerror(error.error()));
    }
}

IniWriteFault SetIniWriteFault(IniWriteFault fault)
{
    IniWriteFault previous = std::move(CurrentFault());
    CurrentFault() = std::move(fault);
    return previous;
}
