// The fixture importer: any text imported into a network that already holds a
// small one. An import that fails must leave the database exactly as it was;
// one that succeeds must have read every size as the decimal or 0x hexadecimal
// number written.
#include "netware/emulated/EmulatedClient.h"
#include "netware/emulated/EmulatedDatabase.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>

namespace {

constexpr char BaseNetwork[] =
    "tree T\n"
    "server SRV tree=T\n"
    "volume SRV SYS number=0\n"
    "dir \\\\SRV\\SYS\\DATA\\SUB\n"
    "file \\\\SRV\\SYS\\DATA\\LIVE.TXT size=10\n"
    "deleted \\\\SRV\\SYS\\DATA\\OLD.BAK size=12288 deleted=\"1999-12-31 23:59:07\" user=0x1001\n"
    "user 0x1001 ADMIN\n"
    "connection SRV primary\n"
    "fault scan \\\\SRV\\SYS\\DATA\\SUB code=0x8983 after=1\n";

std::unique_ptr<EmulatedClient> g_client;
std::string g_contents;  // of g_client's database

// Every row of every table, in a stable order.
std::string Contents(EmulatedClient& client)
{
    sqlite3* db = client.Database().Handle();
    std::string tables;
    std::string dump;
    auto append = [](void* out, int columns, char** values, char**) {
        auto& text = *static_cast<std::string*>(out);
        for (int i = 0; i < columns; ++i)
            text.append(values[i] ? values[i] : "<null>").push_back('|');
        text.push_back('\n');
        return 0;
    };
    if (sqlite3_exec(db, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name", append, &tables,
                     nullptr) != SQLITE_OK)
        std::abort();
    std::size_t begin = 0;
    while (begin < tables.size()) {
        const auto end = tables.find("|\n", begin);
        const std::string table = tables.substr(begin, end - begin);
        begin = end + 2;
        dump += "[" + table + "]\n";
        const std::string sql = "SELECT * FROM \"" + table + "\" ORDER BY rowid";
        if (sqlite3_exec(db, sql.c_str(), append, &dump, nullptr) != SQLITE_OK)
            std::abort();
    }
    return dump;
}

void StartOver()
{
    g_client = EmulatedClient::OpenInMemory();
    g_client->ImportFixture(BaseNetwork);
    g_contents = Contents(*g_client);
}

// The sizes a fixture may set: every size= value read as decimal, or as hex
// after 0x, and the default 0.
std::set<long long> WrittenSizes(const std::string& text)
{
    std::set<long long> sizes{0};
    for (auto at = text.find("size="); at != std::string::npos; at = text.find("size=", at + 1)) {
        std::string number;
        for (auto i = at + 5; i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\n'; ++i)
            if (text[i] != '"' && text[i] != '\r')
                number.push_back(text[i]);
        const bool hex = number.size() > 2 && number[0] == '0' && (number[1] == 'x' || number[1] == 'X');
        sizes.insert(std::strtoll(number.c_str() + (hex ? 2 : 0), nullptr, hex ? 16 : 10));
    }
    return sizes;
}

void CheckSizes(const std::string& text)
{
    const auto written = WrittenSizes(BaseNetwork + text);
    sqlite3* db = g_client->Database().Handle();
    for (const char* sql : {"SELECT size FROM files", "SELECT size FROM deleted"}) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
            std::abort();
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            const long long size = sqlite3_column_int64(stmt, 0);
            if (!written.count(size)) {
                std::fprintf(stderr, "a size was read as %lld, which the text does not say\n", size);
                std::abort();
            }
        }
        sqlite3_finalize(stmt);
    }
}

// Faults of the importer that are mended elsewhere and would stop every run
// at once: a line whose first word is an option (an options-only line crashes
// the importer), and numbers with a leading zero (read as octal). Remove this
// filter once the importer refuses the one and reads the other as decimal.
bool HitsKnownFault(const std::string& text)
{
    std::size_t begin = 0;
    while (begin <= text.size()) {
        auto end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(begin, end - begin);
        begin = end + 1;
        const auto first = line.find_first_not_of(" \t");
        if (first == std::string::npos)
            continue;
        auto word = first;
        while (word < line.size() && line[word] >= 'a' && line[word] <= 'z')
            ++word;
        if (word > first && word < line.size() && line[word] == '=')
            return true;
    }
    const std::string before = "= \t\"+";
    const std::string after = " \t\r\n\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '0' || (i > 0 && before.find(text[i - 1]) == std::string::npos))
            continue;
        auto j = i + 1;
        while (j < text.size() && text[j] >= '0' && text[j] <= '9')
            ++j;
        if (j > i + 1 && (j == text.size() || after.find(text[j]) != std::string::npos))
            return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (HitsKnownFault(text))
        return 0;
    if (!g_client)
        StartOver();
    try {
        g_client->ImportFixture(text);
    } catch (const std::runtime_error&) {
        if (Contents(*g_client) != g_contents) {
            std::fprintf(stderr, "a failed import changed the network\n");
            std::abort();
        }
        return 0;
    }
    CheckSizes(text);
    StartOver();
    return 0;
}
