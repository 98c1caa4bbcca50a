// Reads and writes the contents of an emulated network: the queries the client
// answers from, and the additions that fixtures, the generator and the demo
// network make. Statements are prepared once and reused.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
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
    void AddUser(std::uint32_t id, const std::string& name);
    void AddConnection(long long serverId, bool primary);
    void AddFault(const std::string& operation, long long dirId, const std::string& fileName, long long userId,
                  std::uint16_t code, long long after);

private:
    Statement& Prepared(int slot, const char* sql);

    EmulatedDatabase& db_;
    std::vector<std::unique_ptr<Statement>> statements_;
};
