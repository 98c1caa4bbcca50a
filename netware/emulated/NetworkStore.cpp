// SPDX-License-Identifier: GPL-3.0-or-later
// Queries and additions over the emulated network's tables.
#include "netware/emulated/NetworkStore.h"

#include <functional>
#include <limits>
#include <stdexcept>

#include "util/D_Util.h"

namespace {

enum Slot {
    kFindServer, kServerById, kServers, kFindVolume, kVolumeByNumber, kVolumes, kRoot, kFindChild,
    kChildDirs, kChildFiles, kDeleted, kUserName, kConnections, kFaults, kUserFault, kPurge,
    kAddTree, kTreeSpelling, kAddServer, kAddVolume, kNextVolumeNumber, kAddDir, kAddFile, kAddDeleted, kAddUser,
    kClearPrimary, kAddConnection, kAddFault, kLoadDirectories, kLoadFiles, kLoadUsers, kLoadFaults, kSlotCount
};

StoredServer ServerRow(Statement& s) { return {s.Int(0), s.Text(1), s.Text(2)}; }
StoredVolume VolumeRow(Statement& s) { return {s.Int(0), static_cast<int>(s.Int(1)), s.Text(2)}; }

// Directory names compare as the NOCASE collation does: ASCII letters only.
std::string FoldedName(const std::string& name)
{
    std::string folded = name;
    for (char& c : folded)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return folded;
}

struct ChildKey {
    long long volumeId;
    long long parentId;
    std::string foldedName;
    bool operator==(const ChildKey&) const = default;
};

struct ChildKeyHash {
    size_t operator()(const ChildKey& key) const
    {
        size_t hash = std::hash<std::string>()(key.foldedName);
        hash ^= std::hash<long long>()(key.parentId) + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2);
        hash ^= std::hash<long long>()(key.volumeId) + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2);
        return hash;
    }
};

}  // namespace

struct NetworkStore::Tables {
    std::map<long long, StoredServer> servers;                   // by id
    std::map<long long, std::vector<StoredVolume>> volumes;      // server id -> its volumes by number
    std::unordered_map<long long, long long> roots;              // volume id -> root directory id
    std::unordered_map<ChildKey, long long, ChildKeyHash> childByName;  // -> directory id
    std::unordered_map<long long, std::vector<std::string>> childNames;  // parent id -> names, by id
    std::unordered_map<long long, std::vector<std::string>> fileNames;   // directory id -> live files, by id
    std::vector<std::pair<long long, bool>> connections;         // workstation order
    std::unordered_map<std::uint32_t, std::string> users;
    std::unordered_map<std::uint32_t, std::uint16_t> nameFaults;  // the first fault per user id
    std::map<std::pair<std::string, long long>, std::vector<StoredFault>> directoryFaults;  // (operation, dir)
};

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

// The copy holds while this connection has changed no row since it was loaded
// (SQLite counts every row the connection inserts, updates or deletes, whatever
// the statement). After a change it is loaded again, but only outside a
// transaction: inside one the change may still be rolled back, so until then
// the database answers. Changes another connection makes to the same file
// (nwemu working on it while the program runs) are not seen by a client that
// has loaded its copy; a client opened afterwards sees them.
const NetworkStore::Tables* NetworkStore::Memory()
{
    const long long changes = sqlite3_total_changes64(db_.Handle());
    if (tables_ && tablesChangeCount_ == changes)
        return tables_.get();
    if (!sqlite3_get_autocommit(db_.Handle()))
        return nullptr;
    auto tables = std::make_unique<Tables>();
    Load(*tables);
    tables_ = std::move(tables);
    tablesChangeCount_ = changes;
    return tables_.get();
}

void NetworkStore::Load(Tables& tables)
{
    for (StoredServer& server : ServersSql()) {
        tables.volumes[server.id] = VolumesSql(server.id);
        tables.servers[server.id] = std::move(server);
    }
    auto& directories = Prepared(kLoadDirectories, "SELECT id, volume_id, parent_id, name FROM directories ORDER BY id");
    while (directories.Step()) {
        const long long id = directories.Int(0);
        const long long volumeId = directories.Int(1);
        if (directories.IsNull(2)) {
            tables.roots.emplace(volumeId, id);
            continue;
        }
        const long long parentId = directories.Int(2);
        std::string name = directories.Text(3);
        tables.childByName.emplace(ChildKey{volumeId, parentId, FoldedName(name)}, id);
        tables.childNames[parentId].push_back(std::move(name));
    }
    auto& files = Prepared(kLoadFiles, "SELECT dir_id, name FROM files ORDER BY id");
    while (files.Step())
        tables.fileNames[files.Int(0)].push_back(files.Text(1));
    tables.connections = ConnectionsSql();

    constexpr long long kMaxId = std::numeric_limits<std::uint32_t>::max();
    auto& users = Prepared(kLoadUsers, "SELECT id, name FROM users");
    while (users.Step())
        if (users.Int(0) >= 0 && users.Int(0) <= kMaxId)
            tables.users[static_cast<std::uint32_t>(users.Int(0))] = users.Text(1);

    auto& faults = Prepared(kLoadFaults,
                            "SELECT operation, dir_id, IFNULL(file_name, ''), user_id, code, after FROM faults "
                            "ORDER BY id");
    while (faults.Step()) {
        const std::string operation = faults.Text(0);
        const auto code = static_cast<std::uint16_t>(faults.Int(4));
        // As the queries match: a directory fault by its directory id, a name
        // fault by an integer user id in the id range.
        if (faults.IsInteger(1))
            tables.directoryFaults[{operation, faults.Int(1)}].push_back({code, faults.Int(5), faults.Text(2)});
        if (operation == "name" && faults.IsInteger(3) && faults.Int(3) >= 0 && faults.Int(3) <= kMaxId)
            tables.nameFaults.emplace(static_cast<std::uint32_t>(faults.Int(3)), code);
    }
}

bool NetworkStore::FindServer(const std::string& name, StoredServer& server)
{
    const Tables* memory = Memory();
    if (!memory)
        return FindServerSql(name, server);
    for (const auto& [id, stored] : memory->servers)
        if (SameTextAscii(stored.name, name)) {
            server = stored;
            return true;
        }
    return false;
}

bool NetworkStore::ServerById(long long id, StoredServer& server)
{
    const StoredServer* record = ServerRecord(id);
    if (record)
        server = *record;
    return record != nullptr;
}

const StoredServer* NetworkStore::ServerRecord(long long id)
{
    const Tables* memory = Memory();
    if (!memory)
        return ServerByIdSql(id, serverRead_) ? &serverRead_ : nullptr;
    const auto found = memory->servers.find(id);
    return found == memory->servers.end() ? nullptr : &found->second;
}

std::vector<StoredServer> NetworkStore::Servers()
{
    const Tables* memory = Memory();
    if (!memory)
        return ServersSql();
    std::vector<StoredServer> servers;
    for (const auto& [id, server] : memory->servers)
        servers.push_back(server);
    return servers;
}

bool NetworkStore::FindVolume(long long serverId, const std::string& name, StoredVolume& volume)
{
    const Tables* memory = Memory();
    if (!memory)
        return FindVolumeSql(serverId, name, volume);
    const auto found = memory->volumes.find(serverId);
    if (found != memory->volumes.end())
        for (const StoredVolume& stored : found->second)
            if (SameTextAscii(stored.name, name)) {
                volume = stored;
                return true;
            }
    return false;
}

bool NetworkStore::VolumeByNumber(long long serverId, int number, StoredVolume& volume)
{
    const Tables* memory = Memory();
    if (!memory)
        return VolumeByNumberSql(serverId, number, volume);
    const auto found = memory->volumes.find(serverId);
    if (found != memory->volumes.end())
        for (const StoredVolume& stored : found->second)
            if (stored.number == number) {
                volume = stored;
                return true;
            }
    return false;
}

std::vector<StoredVolume> NetworkStore::Volumes(long long serverId)
{
    const Tables* memory = Memory();
    if (!memory)
        return VolumesSql(serverId);
    const auto found = memory->volumes.find(serverId);
    return found == memory->volumes.end() ? std::vector<StoredVolume>{} : found->second;
}

long long NetworkStore::RootDirectory(long long volumeId)
{
    const Tables* memory = Memory();
    if (!memory)
        return RootDirectorySql(volumeId);
    const auto found = memory->roots.find(volumeId);
    return found == memory->roots.end() ? 0 : found->second;
}

long long NetworkStore::FindChild(long long volumeId, long long parentId, const std::string& name)
{
    const Tables* memory = Memory();
    if (!memory)
        return FindChildSql(volumeId, parentId, name);
    const auto found = memory->childByName.find(ChildKey{volumeId, parentId, FoldedName(name)});
    return found == memory->childByName.end() ? 0 : found->second;
}

bool NetworkStore::UserName(std::uint32_t id, std::string& name)
{
    const Tables* memory = Memory();
    if (!memory)
        return UserNameSql(id, name);
    const auto found = memory->users.find(id);
    if (found == memory->users.end())
        return false;
    name = found->second;
    return true;
}

std::vector<std::pair<long long, bool>> NetworkStore::Connections()
{
    const Tables* memory = Memory();
    return memory ? memory->connections : ConnectionsSql();
}

std::vector<StoredFault> NetworkStore::Faults(const char* operation, long long dirId)
{
    const Tables* memory = Memory();
    if (!memory)
        return FaultsSql(operation, dirId);
    const auto found = memory->directoryFaults.find({operation, dirId});
    return found == memory->directoryFaults.end() ? std::vector<StoredFault>{} : found->second;
}

bool NetworkStore::UserFault(std::uint32_t userId, std::uint16_t& code)
{
    const Tables* memory = Memory();
    if (!memory)
        return UserFaultSql(userId, code);
    const auto found = memory->nameFaults.find(userId);
    if (found == memory->nameFaults.end())
        return false;
    code = found->second;
    return true;
}

bool NetworkStore::FindServerSql(const std::string& name, StoredServer& server)
{
    auto& s = Prepared(kFindServer, "SELECT id, name, tree FROM servers WHERE name = ?");
    s.Bind(1, name);
    if (!s.Step())
        return false;
    server = ServerRow(s);
    return true;
}

bool NetworkStore::ServerByIdSql(long long id, StoredServer& server)
{
    auto& s = Prepared(kServerById, "SELECT id, name, tree FROM servers WHERE id = ?");
    s.Bind(1, id);
    if (!s.Step())
        return false;
    server = ServerRow(s);
    return true;
}

std::vector<StoredServer> NetworkStore::ServersSql()
{
    auto& s = Prepared(kServers, "SELECT id, name, tree FROM servers ORDER BY id");
    std::vector<StoredServer> servers;
    while (s.Step())
        servers.push_back(ServerRow(s));
    return servers;
}

bool NetworkStore::FindVolumeSql(long long serverId, const std::string& name, StoredVolume& volume)
{
    auto& s = Prepared(kFindVolume, "SELECT id, number, name FROM volumes WHERE server_id = ? AND name = ?");
    s.Bind(1, serverId).Bind(2, name);
    if (!s.Step())
        return false;
    volume = VolumeRow(s);
    return true;
}

bool NetworkStore::VolumeByNumberSql(long long serverId, int number, StoredVolume& volume)
{
    auto& s = Prepared(kVolumeByNumber, "SELECT id, number, name FROM volumes WHERE server_id = ? AND number = ?");
    s.Bind(1, serverId).Bind(2, number);
    if (!s.Step())
        return false;
    volume = VolumeRow(s);
    return true;
}

std::vector<StoredVolume> NetworkStore::VolumesSql(long long serverId)
{
    auto& s = Prepared(kVolumes, "SELECT id, number, name FROM volumes WHERE server_id = ? ORDER BY number");
    s.Bind(1, serverId);
    std::vector<StoredVolume> volumes;
    while (s.Step())
        volumes.push_back(VolumeRow(s));
    return volumes;
}

long long NetworkStore::RootDirectorySql(long long volumeId)
{
    auto& s = Prepared(kRoot, "SELECT id FROM directories WHERE volume_id = ? AND parent_id IS NULL");
    s.Bind(1, volumeId);
    return s.Step() ? s.Int(0) : 0;
}

long long NetworkStore::FindChildSql(long long volumeId, long long parentId, const std::string& name)
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
    if (const Tables* memory = Memory()) {
        const auto dirs = memory->childNames.find(dirId);
        const auto files = memory->fileNames.find(dirId);
        entries.reserve((dirs == memory->childNames.end() ? 0 : dirs->second.size()) +
                        (files == memory->fileNames.end() ? 0 : files->second.size()));
        if (dirs != memory->childNames.end())
            for (const std::string& name : dirs->second)
                entries.push_back({name, true});
        if (files != memory->fileNames.end())
            for (const std::string& name : files->second)
                entries.push_back({name, false});
        return entries;
    }
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

bool NetworkStore::UserNameSql(std::uint32_t id, std::string& name)
{
    auto& s = Prepared(kUserName, "SELECT name FROM users WHERE id = ?");
    s.Bind(1, id);
    if (!s.Step())
        return false;
    name = s.Text(0);
    return true;
}

std::vector<std::pair<long long, bool>> NetworkStore::ConnectionsSql()
{
    auto& s = Prepared(kConnections, "SELECT server_id, is_primary FROM connections ORDER BY id");
    std::vector<std::pair<long long, bool>> connections;
    while (s.Step())
        connections.emplace_back(s.Int(0), s.Int(1) != 0);
    return connections;
}

std::vector<StoredFault> NetworkStore::FaultsSql(const char* operation, long long dirId)
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

bool NetworkStore::UserFaultSql(std::uint32_t userId, std::uint16_t& code)
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
    // A purge touches no table the in-memory copy holds: a copy that was right
    // before it stays right.
    const long long before = sqlite3_total_changes64(db_.Handle());
    auto& s = Prepared(kPurge, "DELETE FROM deleted WHERE id = ?");
    s.Bind(1, id).Run();
    const bool existed = db_.Changes() > 0;
    if (tables_ && tablesChangeCount_ == before && sqlite3_get_autocommit(db_.Handle()))
        tablesChangeCount_ = sqlite3_total_changes64(db_.Handle());
    return existed;
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
