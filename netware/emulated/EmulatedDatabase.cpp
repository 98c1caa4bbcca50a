// SPDX-License-Identifier: GPL-3.0-or-later
// SQLite access of the emulated network.
#include "netware/emulated/EmulatedDatabase.h"

#include <stdexcept>

namespace {

// Every volume has a root directory row (parent NULL, name ''), so deleted and
// live files always belong to a directory row.
const char* const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS trees (
    name TEXT PRIMARY KEY COLLATE NOCASE
);
CREATE TABLE IF NOT EXISTS servers (
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL UNIQUE COLLATE NOCASE,
    tree TEXT NOT NULL DEFAULT ''
);
CREATE TABLE IF NOT EXISTS volumes (
    id INTEGER PRIMARY KEY,
    server_id INTEGER NOT NULL REFERENCES servers(id),
    number INTEGER NOT NULL,
    name TEXT NOT NULL COLLATE NOCASE,
    size_bytes INTEGER,
    used_bytes INTEGER NOT NULL DEFAULT 0,
    UNIQUE (server_id, name),
    UNIQUE (server_id, number)
);
CREATE TABLE IF NOT EXISTS directories (
    id INTEGER PRIMARY KEY,
    volume_id INTEGER NOT NULL REFERENCES volumes(id),
    parent_id INTEGER REFERENCES directories(id),
    name TEXT NOT NULL COLLATE NOCASE
);
CREATE UNIQUE INDEX IF NOT EXISTS directories_by_name ON directories(volume_id, parent_id, name);
CREATE INDEX IF NOT EXISTS directories_by_parent_id ON directories(parent_id, id);
CREATE TABLE IF NOT EXISTS files (
    id INTEGER PRIMARY KEY,
    dir_id INTEGER NOT NULL REFERENCES directories(id),
    name TEXT NOT NULL COLLATE NOCASE,
    size INTEGER NOT NULL DEFAULT 0,
    UNIQUE (dir_id, name)
);
CREATE TABLE IF NOT EXISTS deleted (
    id INTEGER PRIMARY KEY,
    dir_id INTEGER NOT NULL REFERENCES directories(id),
    name TEXT NOT NULL,
    size INTEGER NOT NULL,
    deleted_at INTEGER NOT NULL,
    deletor INTEGER NOT NULL
);
CREATE INDEX IF NOT EXISTS deleted_by_dir ON deleted(dir_id, id);
CREATE TABLE IF NOT EXISTS users (
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL
);
CREATE TABLE IF NOT EXISTS connections (
    id INTEGER PRIMARY KEY,
    server_id INTEGER NOT NULL UNIQUE REFERENCES servers(id),
    is_primary INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS faults (
    id INTEGER PRIMARY KEY,
    operation TEXT NOT NULL CHECK (operation IN ('alloc', 'purge', 'scan', 'name')),
    dir_id INTEGER REFERENCES directories(id),
    file_name TEXT COLLATE NOCASE,
    user_id INTEGER,
    code INTEGER NOT NULL,
    after INTEGER NOT NULL DEFAULT 0
);
)sql";

// A volume's used space follows its salvageable files: a deleted file still
// takes its room until it is purged, as on a NetWare server. Made after the
// upgrade, which gives older networks the columns these use.
const char* const kSpaceTriggers = R"sql(
CREATE TRIGGER IF NOT EXISTS deleted_file_uses_space AFTER INSERT ON deleted BEGIN
    UPDATE volumes SET used_bytes = used_bytes + NEW.size
    WHERE id = (SELECT volume_id FROM directories WHERE id = NEW.dir_id);
END;
CREATE TRIGGER IF NOT EXISTS purge_frees_space AFTER DELETE ON deleted BEGIN
    UPDATE volumes SET used_bytes = MAX(used_bytes - OLD.size, 0)
    WHERE id = (SELECT volume_id FROM directories WHERE id = OLD.dir_id);
END;
)sql";

}  // namespace

Statement::Statement(sqlite3* db, const char* sql) : db_(db)
{
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string("SQL error: ") + sqlite3_errmsg(db));
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement& Statement::Bind(int index, long long value)
{
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

Statement& Statement::Bind(int index, const std::string& value)
{
    sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::BindNull(int index)
{
    sqlite3_bind_null(stmt_, index);
    return *this;
}

bool Statement::Step()
{
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    std::string message = sqlite3_errmsg(db_);
    sqlite3_reset(stmt_);
    throw std::runtime_error("SQL error: " + message);
}

void Statement::Run()
{
    while (Step()) {
    }
    Reset();
}

void Statement::Reset()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

long long Statement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

std::string Statement::Text(int column) const
{
    auto text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return text ? std::string(text, sqlite3_column_bytes(stmt_, column)) : std::string();
}

bool Statement::IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

bool Statement::IsInteger(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_INTEGER; }

EmulatedDatabase::EmulatedDatabase(const std::string& path)
{
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        throw std::runtime_error("cannot open network " + path + ": " + message);
    }
    // One connection per client, used by one thread: no SQLite mutexes needed.
    sqlite3_busy_timeout(db_, 5000);
    try {
        // WAL with synchronous=FULL: every committed change (a purge above all)
        // is on disk when the call returns, and a killed process leaves a
        // database that recovers to its last commit.
        if (path != ":memory:")
            Exec("PRAGMA journal_mode=WAL");
        Exec("PRAGMA synchronous=FULL");
        Exec("PRAGMA foreign_keys=ON");
        // The database stands in for servers: a client's memory must not grow
        // with the network it reads. Pages are read into a small cache of
        // SQLite's own (the system keeps the file's pages) rather than mapped,
        // as every mapped page that was read would count as the process's.
        SetCacheSize(ClientCacheKiB);
        Exec("PRAGMA mmap_size=0");
        Exec(kSchema);
        UpgradeConnections();
        UpgradeVolumeSpace();
        Exec(kSpaceTriggers);
    } catch (...) {
        sqlite3_close(db_);
        throw;
    }
}

void EmulatedDatabase::SetCacheSize(int kib)
{
    Exec(("PRAGMA cache_size=-" + std::to_string(kib)).c_str());
}

// True also when the question cannot be asked: an upgrade is then left alone.
bool EmulatedDatabase::HasColumn(const char* table, const char* column)
{
    Statement columns(db_, "SELECT COUNT(*) FROM pragma_table_info(?) WHERE name = ?");
    columns.Bind(1, std::string(table)).Bind(2, std::string(column));
    return !columns.Step() || columns.Int(0) > 0;
}

// Networks made before connections kept their own order had the server id as
// the key; give them the order column, keeping the rows.
void EmulatedDatabase::UpgradeConnections()
{
    if (HasColumn("connections", "id"))
        return;
    Exec("BEGIN IMMEDIATE;"
         "ALTER TABLE connections RENAME TO connections_old;"
         "CREATE TABLE connections (id INTEGER PRIMARY KEY,"
         " server_id INTEGER NOT NULL UNIQUE REFERENCES servers(id), is_primary INTEGER NOT NULL DEFAULT 0);"
         "INSERT INTO connections(server_id, is_primary) SELECT server_id, is_primary FROM connections_old ORDER BY rowid;"
         "DROP TABLE connections_old;"
         "COMMIT;");
}

// Networks made before volumes had a size get the columns: no size (the
// client then cannot tell the free space) and nothing counted as used.
void EmulatedDatabase::UpgradeVolumeSpace()
{
    if (HasColumn("volumes", "size_bytes"))
        return;
    Exec("BEGIN IMMEDIATE;"
         "ALTER TABLE volumes ADD COLUMN size_bytes INTEGER;"
         "ALTER TABLE volumes ADD COLUMN used_bytes INTEGER NOT NULL DEFAULT 0;"
         "COMMIT;");
}

EmulatedDatabase::~EmulatedDatabase() { sqlite3_close(db_); }

void EmulatedDatabase::Exec(const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : sqlite3_errmsg(db_);
        sqlite3_free(error);
        throw std::runtime_error("SQL error: " + message);
    }
}

long long EmulatedDatabase::LastInsertId() const { return sqlite3_last_insert_rowid(db_); }

int EmulatedDatabase::Changes() const { return sqlite3_changes(db_); }

Transaction::Transaction(EmulatedDatabase& db) : db_(db) { db_.Exec("BEGIN IMMEDIATE"); }

Transaction::~Transaction()
{
    if (!done_)
        sqlite3_exec(db_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit()
{
    db_.Exec("COMMIT");
    done_ = true;
}
