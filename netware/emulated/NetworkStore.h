// SPDX-License-Identifier: GPL-3.0-or-later
// Reads and writes the contents of an emulated network: the queries the client
// answers from, and the additions that fixtures, the generator and the demo
// network make. Statements are prepared once and reused; the read-mostly tables
// are answered from memory.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "netware/emulated/EmulatedDatabase.h"

struct StoredServer {
    long long id = 0;
    std::string name;
    std::string tree;
};

struct StoredVolume {
    long long id = 0;
    int number = 0;
    std::string name;
};

struct StoredDeletedFile {
    std::uint32_t id = 0;
    std::string name;
    std::uint32_t size = 0;
    std::uint32_t deletedAt = 0;
    std::uint32_t deletor = 0;
};

struct StoredEntry {
    std::string name;
    bool isDirectory = false;
};

struct StoredFault {
    std::uint16_t code = 0;
    long long after = 0;
    std::string fileName;  // empty for a fault on the whole directory
};

class NetworkStore {
public:
    explicit NetworkStore(EmulatedDatabase& db);
    ~NetworkStore();

    EmulatedDatabase& Database() { return db_; }

    // Look-ups; 0 / false when absent. Names compare case-insensitively.
    bool FindServer(const std::string& name, StoredServer& server);
    bool ServerById(long long id, StoredServer& server);
    // The same record without a copy, or nullptr: it lies in the store's
    // tables and stays valid until the store is next read or changed.
    const StoredServer* ServerRecord(long long id);
    std::vector<StoredServer> Servers();
    bool FindVolume(long long serverId, const std::string& name, StoredVolume& volume);
    bool VolumeByNumber(long long serverId, int number, StoredVolume& volume);
    std::vector<StoredVolume> Volumes(long long serverId);
    long long RootDirectory(long long volumeId);
    long long FindChild(long long volumeId, long long parentId, const std::string& name);
    long long FindDirectory(long long volumeId, const std::vector<std::string>& components);
    std::vector<StoredEntry> Children(long long dirId);  // directories first, each in creation order
    std::vector<StoredDeletedFile> DeletedFiles(long long dirId);
    bool UserName(std::uint32_t id, std::string& name);
    std::vector<std::pair<long long, bool>> Connections();  // server id, primary
    std::vector<StoredFault> Faults(const char* operation, long long dirId);
    bool UserFault(std::uint32_t userId, std::uint16_t& code);

    // A volume's size and used bytes (its salvageable files included); false
    // when the volume has no size, so nobody can tell its free space.
    bool VolumeSpace(long long volumeId, std::uint64_t& sizeBytes, std::uint64_t& usedBytes);

    // Removes one deleted-file record; true when it existed.
    bool PurgeDeleted(std::uint32_t id);

    // Additions.
    void AddTree(const std::string& name);
    long long AddServer(const std::string& name, const std::string& tree);
    long long AddVolume(long long serverId, const std::string& name, int number);  // number < 0: next free
    long long EnsureDirectory(long long volumeId, const std::vector<std::string>& components);
    long long AddDirectory(long long volumeId, long long parentId, const std::string& name);
    void AddFile(long long dirId, const std::string& name, std::uint32_t size);
    long long AddDeleted(long long dirId, const std::string& name, std::uint32_t size, std::uint32_t deletedAt,
                         std::uint32_t deletor);
    // Gives the volume a size and the bytes in use besides its salvageable
    // files, which add their own sizes as they are added.
    void SetVolumeSpace(long long volumeId, std::uint64_t sizeBytes, std::uint64_t usedBytes);
    void AddUser(std::uint32_t id, const std::string& name);
    void AddConnection(long long serverId, bool primary);
    void AddFault(const std::string& operation, long long dirId, const std::string& fileName, long long userId,
                  std::uint16_t code, long long after);

private:
    struct Tables;

    Statement& Prepared(int slot, const char* sql);
    // The in-memory copy of servers, volumes, directories, live file names,
    // connections, users and faults (not the deleted files), or nullptr when it cannot be trusted now (see the
    // definition) and the database must answer.
    const Tables* Memory();
    void Load(Tables& tables);

    bool FindServerSql(const std::string& name, StoredServer& server);
    bool ServerByIdSql(long long id, StoredServer& server);
    StoredServer serverRead_;  // ServerRecord's answer when no tables are loaded
    std::vector<StoredServer> ServersSql();
    bool FindVolumeSql(long long serverId, const std::string& name, StoredVolume& volume);
    bool VolumeByNumberSql(long long serverId, int number, StoredVolume& volume);
    std::vector<StoredVolume> VolumesSql(long long serverId);
    long long RootDirectorySql(long long volumeId);
    long long FindChildSql(long long volumeId, long long parentId, const std::string& name);
    bool UserNameSql(std::uint32_t id, std::string& name);
    std::vector<std::pair<long long, bool>> ConnectionsSql();
    std::vector<StoredFault> FaultsSql(const char* operation, long long dirId);
    bool UserFaultSql(std::uint32_t userId, std::uint16_t& code);

    EmulatedDatabase& db_;
    std::vector<std::unique_ptr<Statement>> statements_;
    std::unique_ptr<Tables> tables_;
    long long tablesChangeCount_ = -1;  // the connection's change count the copy was loaded at
};
