// Queries and additions over the emulated network's tables.
#include "netware/emulated/NetworkStore.h"

#include <stdexcept>

namespace {

enum Slot {
    kFindServer, kServerById, kServers, kFindVolume, kVolumeByNumber, kVolumes, kRoot, kFindChild,
    kChildDirs, kChildFiles, kDeleted, kUserName, kConnections, kFaults, kUserFault, kPurge,
    kAddTree, kTreeSpelling, kAddServer, kAddVolume, kNextVolumeNumber, kAddDir, kAddFile, kAddDeleted, kAddUser,
    kClearPrimary, kAddConnection, kAddFault, kSlotCount
};

StoredServer ServerRow(Statement& s) { return {s.Int(0), s.Text(1), s.Text(2)}; }
StoredVolume VolumeRow(Statement& s) { return {s.Int(0), static_cast<int>(s.Int(1)), s.Text(2)}; }

}  // namespace

NetworkStore::NetworkStore(EmulatedDatabase& db) : db_(db), statements_(kSlotCount) {}

NetworkStore::~NetworkStore() = default;

Statement& NetworkStore::Prepared(int slot, const char* sql)
{
    auto& statement = statements_[slot];
    if (!statement)
        statement = std::make_unique<Statement>(db_.Handle(), sql);
    else
        statement->Reset();
    return *statement;
}

bool NetworkStore::FindServer(const std::string& name, StoredServer& server)
{
    auto& s = Prepared(kFindServer, "SELECT id, name, tree FROM servers WHERE name = ?");
    s.Bind(1, name);
    if (!s.Step())
        return false;
    server = ServerRow(s);
    return true;
}

bool NetworkStore::ServerById(long long id, StoredServer& server)
{
    auto& s = Prepared(kServerById, "SELECT id, name, tree FROM servers WHERE id = ?");
    s.Bind(1, id);
    if (!s.Step())
        return false;
    server = ServerRow(s);
    return true;
}

std::vector<StoredServer> NetworkStore::Servers()
{
    auto& s = Prepared(kServers, "SELECT id, name, tree FROM servers ORDER BY id");
    std::vector<StoredServer> servers;
    while (s.Step())
        servers.push_back(ServerRow(s));
    return servers;
}

bool NetworkStore::FindVolume(long long serverId, const std::string& name, StoredVolume& volume)
{
    auto& s = Prepared(kFindVolume, "SELECT id, number, name FROM volumes WHERE server_id = ? AND name = ?");
    s.Bind(1, serverId).Bind(2, name);
    if (!s.Step())
        return false;
    volume = VolumeRow(s);
    return true;
}

bool NetworkStore::VolumeByNumber(long long serverId, int number, StoredVolume& volume)
{
    auto& s = Prepared(kVolumeByNumber, "SELECT id, number, name FROM volumes WHERE server_id = ? AND number = ?");
    s.Bind(1, serverId).Bind(2, number);
    if (!s.Step())
        return false;
    volume = VolumeRow(s);
    return true;
}

std::vector<StoredVolume> NetworkStore::Volumes(long long serverId)
{
    auto& s = Prepared(kVolumes, "SELECT id, number, name FROM volumes WHERE server_id = ? ORDER BY number");
    s.Bind(1, serverId);
    std::vector<StoredVolume> volumes;
    while (s.Step())
        volumes.push_back(VolumeRow(s));
    return volumes;
}

long long NetworkStore::RootDirectory(long long volumeId)
{
    auto& s = Prepared(kRoot, "SELECT id FROM directories WHERE volume_id = ? AND parent_id IS NULL");
    s.Bind(1, volumeId);
    return s.Step() ? s.Int(0) : 0;
}

long long NetworkStore::FindChild(long long volumeId, long long parentId, const std::string& name)
{
    auto& s = Prepared(kFindChild, "SELECT id FROM directories WHERE volume_id = ? AND parent_id = ? AND name = ?");
    s.Bind(1, volumeId).Bind(2, parentId).Bind(3, name);
    return s.Step() ? s.Int(0) : 0;
}

long long NetworkStore::FindDirectory(long long volumeId, const std::vector<std::string>& components)
{
    long long dir = RootDirectory(volumeId);
    for (const auto& name : components) {
        if (!dir)
            return 0;
        dir = FindChild(volumeId, dir, name);
    }
    return dir;
}

std::vector<StoredEntry> NetworkStore::Children(long long dirId)
{
    std::vector<StoredEntry> entries;
    auto& dirs = Prepared(kChildDirs, "SELECT name FROM directories WHERE parent_id = ? ORDER BY id");
    dirs.Bind(1, dirId);
    while (dirs.Step())
        entries.push_back({dirs.Text(0), true});
    auto& files = Prepared(kChildFiles, "SELECT name FROM files WHERE dir_id = ? ORDER BY id");
    files.Bind(1, dirId);
    while (files.Step())
        entries.push_back({files.Text(0), false});
    return entries;
}

std::vector<StoredDeletedFile> NetworkStore::DeletedFiles(long long dirId)
{
    auto& s = Prepared(kDeleted,
                       "SELECT id, name, size, deleted_at, deletor FROM deleted WHERE dir_id = ? ORDER BY id");
    s.Bind(1, dirId);
    std::vector<StoredDeletedFile> files;
    while (s.Step())
        files.push_back({static_cast<std::uint32_t>(s.Int(0)), s.Text(1), static_cast<std::uint32_t>(s.Int(2)),
                         static_cast<std::uint32_t>(s.Int(3)), static_cast<std::uint32_t>(s.Int(4))});
    return files;
}

bool NetworkStore::UserName(std::uint32_t id, std::string& name)
{
    auto& s = Prepared(kUserName, "SELECT name FROM users WHERE id = ?");
    s.Bind(1, id);
    if (!s.Step())
        return false;
    name = s.Text(0);
    return true;
}

std::vector<std::pair<long long, bool>> NetworkStore::Connections()
{
    auto& s = Prepared(kConnections, "SELECT server_id, is_primary FROM connections ORDER BY id");
    std::vector<std::pair<long long, bool>> connections;
    while (s.Step())
        connections.emplace_back(s.Int(0), s.Int(1) != 0);
    return connections;
}

std::vector<StoredFault> NetworkStore::Faults(const char* operation, long long dirId)
{
    auto& s = Prepared(kFaults,
                       "SELECT code, after, IFNULL(file_name, '') FROM faults WHERE operation = ? AND dir_id = ? "
                       "ORDER BY id");
    s.Bind(1, std::string(operation)).Bind(2, dirId);
    std::vector<StoredFault> faults;
    while (s.Step())
        faults.push_back({static_cast<std::uint16_t>(s.Int(0)), s.Int(1), s.Text(2)});
    return faults;
}

bool NetworkStore::UserFault(std::uint32_t userId, std::uint16_t& code)
{
    auto& s = Prepared(kUserFault, "SELECT code FROM faults WHERE operation = 'name' AND user_id = ? ORDER BY id");
    s.Bind(1, userId);
    if (!s.Step())
        return false;
    code = static_cast<std::uint16_t>(s.Int(0));
    return true;
}

bool NetworkStore::PurgeDeleted(std::uint32_t id)
{
    auto& s = Prepared(kPurge, "DELETE FROM deleted WHERE id = ?");
    s.Bind(1, id).Run();
    return db_.Changes() > 0;
}

void NetworkStore::AddTree(const std::string& name)
{
    Prepared(kAddTree, "INSERT OR IGNORE INTO trees(name) VALUES (?)").Bind(1, name).Run();
}

long long NetworkStore::AddServer(const std::string& name, const std::string& tree)
{
    // A tree is one tree whatever case a server line writes it in; its servers
    // report the spelling it was declared with first.
    std::string spelling = tree;
    if (!tree.empty()) {
        AddTree(tree);
        auto& s = Prepared(kTreeSpelling, "SELECT name FROM trees WHERE name = ?");
        s.Bind(1, tree);
        if (s.Step())
            spelling = s.Text(0);
    }
    Prepared(kAddServer, "INSERT INTO servers(name, tree) VALUES (?, ?)").Bind(1, name).Bind(2, spelling).Run();
    return db_.LastInsertId();
}

long long NetworkStore::AddVolume(long long serverId, const std::string& name, int number)
{
    if (number < 0) {
        auto& next = Prepared(kNextVolumeNumber, "SELECT IFNULL(MAX(number) + 1, 0) FROM volumes WHERE server_id = ?");
        next.Bind(1, serverId);
        next.Step();
        number = static_cast<int>(next.Int(0));
    }
    if (number > 255)
        throw std::runtime_error("volume number out of range: " + std::to_string(number));
    Prepared(kAddVolume, "INSERT INTO volumes(server_id, number, name) VALUES (?, ?, ?)")
        .Bind(1, serverId).Bind(2, number).Bind(3, name).Run();
    long long volumeId = db_.LastInsertId();
    Prepared(kAddDir, "INSERT INTO directories(volume_id, parent_id, name) VALUES (?, ?, ?)")
        .Bind(1, volumeId).BindNull(2).Bind(3, std::string()).Run();
    return volumeId;
}

long long NetworkStore::EnsureDirectory(long long volumeId, const std::vector<std::string>& components)
{
    long long dir = RootDirectory(volumeId);
    if (!dir)
        throw std::runtime_error("volume without root directory");
    for (const auto& name : components) {
        long long child = FindChild(volumeId, dir, name);
        dir = child ? child : AddDirectory(volumeId, dir, name);
    }
    return dir;
}

long long NetworkStore::AddDirectory(long long volumeId, long long parentId, const std::string& name)
{
    Prepared(kAddDir, "INSERT INTO directories(volume_id, parent_id, name) VALUES (?, ?, ?)")
        .Bind(1, volumeId).Bind(2, parentId).Bind(3, name).Run();
    return db_.LastInsertId();
}

void NetworkStore::AddFile(long long dirId, const std::string& name, std::uint32_t size)
{
    Prepared(kAddFile, "INSERT INTO files(dir_id, name, size) VALUES (?, ?, ?)")
        .Bind(1, dirId).Bind(2, name).Bind(3, size).Run();
}

long long NetworkStore::AddDeleted(long long dirId, const std::string& name, std::uint32_t size,
                                   std::uint32_t deletedAt, std::uint32_t deletor)
{
    Prepared(kAddDeleted, "INSERT INTO deleted(dir_id, name, size, deleted_at, deletor) VALUES (?, ?, ?, ?, ?)")
        .Bind(1, dirId).Bind(2, name).Bind(3, size).Bind(4, deletedAt).Bind(5, deletor).Run();
    return db_.LastInsertId();
}

void NetworkStore::AddUser(std::uint32_t id, const std::string& name)
{
    Prepared(kAddUser, "INSERT OR REPLACE INTO users(id, name) VALUES (?, ?)").Bind(1, id).Bind(2, name).Run();
}

void NetworkStore::AddConnection(long long serverId, bool primary)
{
    if (primary)
        Prepared(kClearPrimary, "UPDATE connections SET is_primary = 0").Run();
    Prepared(kAddConnection,
             "INSERT INTO connections(server_id, is_primary) VALUES (?, ?) "
             "ON CONFLICT(server_id) DO UPDATE SET is_primary = MAX(is_primary, excluded.is_primary)")
        .Bind(1, serverId).Bind(2, primary ? 1 : 0).Run();
}

void NetworkStore::AddFault(const std::string& operation, long long dirId, const std::string& fileName,
                            long long userId, std::uint16_t code, long long after)
{
    auto& s = Prepared(kAddFault,
                       "INSERT INTO faults(operation, dir_id, file_name, user_id, code, after) VALUES (?, ?, ?, ?, ?, ?)");
    s.Bind(1, operation);
    if (dirId)
        s.Bind(2, dirId);
    if (!fileName.empty())
        s.Bind(3, fileName);
    if (operation == "name")
        s.Bind(4, userId);
    s.Bind(5, code).Bind(6, after).Run();
}
