// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the servers file and the cifs mounts of the mount table.
#include "netware/smb/SmbServers.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "netware/TextFields.h"
#include "util/D_Util.h"
#include "util/FileText.h"

namespace {


class LineReader {
public:
    LineReader(const std::string& fileName, int line) : fileName_(fileName), line_(line) {}
    [[noreturn]] void Fail(const std::string& what) const
    {
        throw SmbServersFileError(fileName_ + ", line " + std::to_string(line_) + ": " + what);
    }
    int Number(const std::string& key, const std::string& value, int low, int high) const
    {
        char* end = nullptr;
        errno = 0;
        const long number = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || errno != 0 || number < low || number > high)
            Fail(key + " must be a number from " + std::to_string(low) + " to " + std::to_string(high));
        return static_cast<int>(number);
    }

private:
    const std::string& fileName_;
    int line_;
};

void SetRepositoryKey(const LineReader& line, const std::string& key, const std::string& value,
                      SmbRepositorySettings& settings)
{
    if (SameTextAscii(key, "Repository")) {
        if (value.empty() || value.front() == '/' || value.front() == '\\' || value.find("..") != std::string::npos)
            line.Fail("Repository must be a folder below the share's root");
        settings.repository = value;
    } else if (SameTextAscii(key, "DeletionTime")) {
        if (SameTextAscii(value, "write"))
            settings.deletionTimeIsWriteTime = true;
        else if (SameTextAscii(value, "access"))
            settings.deletionTimeIsWriteTime = false;
        else
            line.Fail("DeletionTime must be access or write");
    } else {
        line.Fail("unknown key " + key);
    }
}

SmbServerSettings* FindServer(std::vector<SmbServerSettings>& servers, const std::string& name)
{
    for (SmbServerSettings& server : servers)
        if (SameTextAscii(server.name, name))
            return &server;
    return nullptr;
}

}  // namespace

const SmbRepositorySettings& SmbServerSettings::ShareSettings(const std::string& share) const
{
    const auto found = shares.find(AsciiUpper(share));
    return found != shares.end() ? found->second : repository;
}

std::vector<SmbServerSettings> ParseServersFile(const std::string& text, const std::string& fileName)
{
    std::vector<SmbServerSettings> servers;
    SmbServerSettings* server = nullptr;
    SmbRepositorySettings* share = nullptr;
    std::istringstream lines(text);
    std::string raw;
    for (int number = 1; std::getline(lines, raw); ++number) {
        const LineReader line(fileName, number);
        const std::string content = std::string(Trimmed(raw));
        if (content.empty() || content.front() == ';' || content.front() == '#')
            continue;
        if (content.front() == '[') {
            if (content.back() != ']')
                line.Fail("a section name must end with ]");
            const std::string name = std::string(Trimmed(content.substr(1, content.size() - 2)));
            const auto slash = name.find('\\');
            const std::string serverName = name.substr(0, slash);
            if (serverName.empty() || serverName.find_first_of("/:") != std::string::npos)
                line.Fail("no valid server name in [" + name + "]");
            server = FindServer(servers, serverName);
            if (!server) {
                servers.emplace_back();
                server = &servers.back();
                server->name = serverName;
                server->host = serverName;
            }
            share = nullptr;
            if (slash != std::string::npos) {
                const std::string shareName = name.substr(slash + 1);
                if (shareName.empty() || shareName.find_first_of("\\/") != std::string::npos)
                    line.Fail("no valid share name in [" + name + "]");
                share = &server->shares[AsciiUpper(shareName)];
                *share = server->repository;
            }
            continue;
        }
        const auto equals = content.find('=');
        if (equals == std::string::npos)
            line.Fail("expected key=value");
        if (!server)
            line.Fail("a key before the first [server] section");
        const std::string key = std::string(Trimmed(content.substr(0, equals)));
        const std::string value = std::string(Trimmed(content.substr(equals + 1)));
        if (share)
            SetRepositoryKey(line, key, value, *share);
        else if (SameTextAscii(key, "Host")) {
            // user:password@host would put a password where messages show the host.
            if (value.find_first_of("@%") != std::string::npos)
                line.Fail("Host must be a host name or address only; the user and password belong in a "
                          "credentials file (Credentials=)");
            server->host = value.empty() ? server->name : value;
        }
        else if (SameTextAscii(key, "Port"))
            server->port = line.Number(key, value, 1, 65535);
        else if (SameTextAscii(key, "Timeout"))
            server->timeoutSeconds = line.Number(key, value, 1, 3600);
        else if (SameTextAscii(key, "Credentials"))
            server->credentialsFile = value;
        else
            SetRepositoryKey(line, key, value, server->repository);
    }
    return servers;
}

std::vector<SmbServerSettings> ReadServersFile(const std::string& fileName)
{
    std::string text;
    const int error = ReadFileText(fileName, text);
    if (error == ENOENT)
        return {};
    if (error != 0)
        throw SmbServersFileError(fileName + ": " + std::strerror(error));
    return ParseServersFile(text, fileName);
}

void AddMountedServers(const std::string& mountTable, std::vector<SmbServerSettings>& servers)
{
    std::istringstream lines(mountTable);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint, type, options;
        if (!(fields >> device >> mountPoint >> type >> options) || type != "cifs")
            continue;
        device = MountFieldUnescaped(device);
        if (device.size() < 3 || device.compare(0, 2, "//") != 0)
            continue;
        const std::string host = device.substr(2, device.find('/', 2) - 2);
        if (host.empty() || FindServer(servers, host))
            continue;
        SmbServerSettings server;
        server.name = host;
        server.host = host;
        std::istringstream optionList(options);
        std::string option;
        while (std::getline(optionList, option, ','))
            if (option.compare(0, 5, "port=") == 0)
                server.port = std::atoi(option.c_str() + 5) > 0 ? std::atoi(option.c_str() + 5) : 445;
        servers.push_back(std::move(server));
    }
}

std::string DefaultServersFile()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config == '/')
        return std::string(config) + "/morvane/servers.ini";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config/morvane/servers.ini";
}
