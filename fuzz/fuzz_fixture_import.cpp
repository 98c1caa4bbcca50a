// SPDX-License-Identifier: GPL-3.0-or-later
// The fixture importer: any text imported into a network that already holds a
// small one. An import that fails must leave the database exactly as it was;
// one that succeeds must have read every size as the decimal or 0x hexadecimal
// number written.
#include "netware/emulated/EmulatedClient.h"
#include "netware/emulated/EmulatedDatabase.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

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

// A fixture's words as the format reads them: lines at LF (one CR before it
// dropped), comment and blank lines skipped, words split at blanks, double
// quotes grouping and removed. A word in quotes from its start is no option.
struct Word {
    std::string text;
    bool option = false;
};

std::vector<std::vector<Word>> Lines(const std::string& text)
{
    std::vector<std::vector<Word>> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        std::vector<Word> words;
        for (std::size_t i = first; i < line.size();) {
            if (line[i] == ' ' || line[i] == '\t') {
                ++i;
                continue;
            }
            const bool quotedWhole = line[i] == '"';
            bool inQuotes = false;
            std::string word;
            for (; i < line.size() && (inQuotes || (line[i] != ' ' && line[i] != '\t')); ++i) {
                if (line[i] == '"')
                    inQuotes = !inQuotes;
                else
                    word.push_back(line[i]);
            }
            const auto equals = word.find('=');
            bool option = !quotedWhole && equals != std::string::npos && equals > 0;
            for (std::size_t k = 0; option && k < equals; ++k)
                option = word[k] >= 'a' && word[k] <= 'z';
            words.push_back({word, option});
        }
        lines.push_back(words);
    }
    return lines;
}

std::string ValueOf(const Word& word)
{
    return word.option ? word.text.substr(word.text.find('=') + 1) : word.text;
}

// What a number reader might skip before the digits: blanks and a sign.
std::string DigitsOf(const std::string& number)
{
    std::size_t at = 0;
    while (at < number.size() && std::isspace(static_cast<unsigned char>(number[at])))
        ++at;
    if (at < number.size() && (number[at] == '+' || number[at] == '-'))
        ++at;
    return number.substr(at);
}

// The sizes a fixture may set: every size= value read as decimal, or as hex
// after 0x, and the default 0.
std::set<long long> WrittenSizes(const std::string& text)
{
    std::set<long long> sizes{0};
    for (const auto& line : Lines(text)) {
        for (const auto& word : line) {
            if (!word.option || word.text.compare(0, 5, "size=") != 0)
                continue;
            const std::string value = ValueOf(word);
            const std::string digits = DigitsOf(value);
            const bool hex = digits.size() > 1 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
            sizes.insert(std::strtoll(value.c_str(), nullptr, hex ? 16 : 10));
        }
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
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
