// SPDX-License-Identifier: GPL-3.0-or-later
// The SMB servers the client shows: the sections of the servers file, then the
// servers of the SMB shares mounted on this machine (type cifs).
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

// Where a share keeps its deleted files, and which of a file's times says when
// it was deleted.
struct SmbRepositorySettings {
    // Below the share's root; "%U" marks the users' folders of a per-user
    // repository. Empty: the first of .recycle, #recycle, @Recycle found.
    std::string repository;
    bool deletionTimeIsWriteTime = false;  // DeletionTime=write; else the access time
};

struct SmbServerSettings {
    std::string name;  // as shown and as paths name it: \\NAME\SHARE\DIR
    std::string host;
    int port = 445;
    std::string credentialsFile;  // empty: none
    int timeoutSeconds = 5;
    SmbRepositorySettings repository;
    // Sections "[NAME\SHARE]": settings of one share, by share name in upper
    // case. A hidden share (ending in "$") is shown only when named here.
    std::map<std::string, SmbRepositorySettings> shares;

    const SmbRepositorySettings& ShareSettings(const std::string& share) const;
};

class SmbServersFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The servers of a servers file's text, in the file's order. Sections:
// "[NAME]" with the keys Host, Port, Repository, DeletionTime (access or
// write), Credentials and Timeout (seconds), all optional; "[NAME\SHARE]" with
// Repository and DeletionTime. Lines starting with ";" or "#" are comments.
// Raises SmbServersFileError naming the file, line and what is wrong.
std::vector<SmbServerSettings> ParseServersFile(const std::string& text, const std::string& fileName);

// Reads and parses the file; a file that does not exist holds no servers.
std::vector<SmbServerSettings> ReadServersFile(const std::string& fileName);

// Adds the servers of the cifs mounts in a mount table's text (the format of
// /proc/self/mounts) that are not listed yet, in the table's order.
void AddMountedServers(const std::string& mountTable, std::vector<SmbServerSettings>& servers);

// $XDG_CONFIG_HOME/morvane/servers.ini (~/.config when the variable is unset).
std::string DefaultServersFile();
