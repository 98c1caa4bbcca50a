// SPDX-License-Identifier: GPL-3.0-or-later
// The SQLite database that holds one emulated network: schema, connection
// settings that keep it durable, and a thin statement wrapper.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

class Statement {
public:
    Statement(sqlite3* db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int index, long long value);
    Statement& Bind(int index, const std::string& value);
    Statement& BindNull(int index);
    bool Step();      // true while a row is available
    void Run();       // steps to the end and resets
    void Reset();
    long long Int(int column) const;
    std::string Text(int column) const;
    bool IsNull(int column) const;
    bool IsInteger(int column) const;

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

class EmulatedDatabase {
public:
    // ":memory:" for an in-memory network. Creates the schema when missing.
    explicit EmulatedDatabase(const std::string& path);
    ~EmulatedDatabase();
    EmulatedDatabase(const EmulatedDatabase&) = delete;
    EmulatedDatabase& operator=(const EmulatedDatabase&) = delete;

    sqlite3* Handle() const { return db_; }
    void Exec(const char* sql);
    // The most memory SQLite's own page cache takes, in KiB (a client reads
    // with a small one; a generation of millions of rows writes with more).
    void SetCacheSize(int kib);
    static constexpr int ClientCacheKiB = 8192;
    long long LastInsertId() const;
    int Changes() const;

private:
    bool HasColumn(const char* table, const char* column);
    void UpgradeConnections();
    void UpgradeVolumeSpace();

    sqlite3* db_ = nullptr;
};

// Runs a block in one transaction, rolling back when it is left by an exception.
class Transaction {
public:
    explicit Transaction(EmulatedDatabase& db);
    ~Transaction();
    void Commit();

private:
    EmulatedDatabase& db_;
    bool done_ = false;
};
