// SPDX-License-Identifier: GPL-3.0-or-later
// nwemu: creates, fills, generates, scans and inspects emulated NetWare networks.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "netware/NWClientBackend.h"
#include "netware/calwin32.h"
#include "netware/emulated/EmulatedClient.h"
#include "netware/emulated/EmulatedDatabase.h"
#include "netware/NetWarePath.h"
#include "netware/emulated/NetworkGenerator.h"
#include "netware/emulated/NetworkStore.h"
#include "netware/emulated/RawScan.h"
#include "util/FileText.h"

namespace {

const char* const kUsage = R"(Usage: nwemu [--network DB] COMMAND [ARGUMENTS]

Creates, fills and inspects the SQLite databases that hold emulated NetWare
networks. The network is DB when --network is given, else $NWEMU_NETWORK, else
$XDG_DATA_HOME/morvane/network.db (~/.local/share/morvane/network.db).

Commands:
  create [--demo] [DB]     create an empty network (DB overrides --network);
                           --demo fills it with the built-in demo network
  import FIXTURE           add the contents of a text fixture (docs/fixture-format.md)
  generate [--servers N] [--volumes N] [--dirs N] [--files N] [--users N] [--seed N]
                           add a large network made from a seed
                           (defaults: 2 servers, 2 volumes each, 10000 directories,
                           1000000 deleted files, 50 users, seed 1)
  scan PATH [--recursive]  list the deleted files of the directory \\SERVER\VOLUME\DIR
                           through the client, one line each:
                           directory, name, size, deletion date-time, user id
  list [SERVER]            the servers (tree, connection) or a server's volumes and
                           directories with their numbers of deleted files
  deleted PATH             the deleted files stored in one directory, read from the
                           database directly (to check what a purge removed)
  count [PATH]             the number of deleted files in the network, or in the
                           directory PATH and below
  users                    the user objects and the faults on names
  --help                   this text
)";

struct Arguments {
    std::vector<std::string> words;
    std::string network;
    bool help = false;
};

std::string Format(const char* format, auto... values)
{
    char text[512];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

std::string PackedText(nuint32 packed)
{
    NW_DATE date{};
    NW_TIME time{};
    UnpackDeletedDateTime(packed, date, time);
    return Format("%.04d-%.02d-%.02d %.02d:%.02d:%.02d", date.year, date.month, date.day, time.hours, time.minutes,
                  time.seconds);
}

std::string Option(std::vector<std::string>& words, const std::string& name, const std::string& fallback)
{
    for (size_t i = 0; i < words.size(); ++i)
        if (words[i] == name) {
            if (i + 1 >= words.size())
                throw std::runtime_error(name + " needs a value");
            std::string value = words[i + 1];
            words.erase(words.begin() + i, words.begin() + i + 2);
            return value;
        }
    return fallback;
}

bool Flag(std::vector<std::string>& words, const std::string& name)
{
    for (size_t i = 0; i < words.size(); ++i)
        if (words[i] == name) {
            words.erase(words.begin() + i);
            return true;
        }
    return false;
}

long long Count(const std::string& text, const char* what)
{
    size_t used = 0;
    long long value = -1;
    try {
        value = std::stoll(text, &used, 0);
    } catch (const std::exception&) {
    }
    if (used != text.size() || value < 0)
        throw std::runtime_error(std::string("bad ") + what + ": " + text);
    return value;
}

void NoMoreWords(const std::vector<std::string>& words)
{
    if (!words.empty())
        throw std::runtime_error("unexpected argument: " + words.front());
}

std::unique_ptr<EmulatedClient> OpenNetwork(const std::string& network)
{
    if (!std::filesystem::exists(network))
        throw std::runtime_error("no network at " + network + " (nwemu create makes one)");
    return EmulatedClient::Open(network);
}

int Create(std::vector<std::string> words, std::string network)
{
    bool demo = Flag(words, "--demo");
    if (!words.empty()) {
        network = words.front();
        words.erase(words.begin());
    }
    NoMoreWords(words);
    auto folder = std::filesystem::path(network).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder);
    bool existed = std::filesystem::exists(network);
    auto client = EmulatedClient::Open(network);
    if (demo) {
        if (!client->Store().Servers().empty())
            throw std::runtime_error("the network at " + network + " already has servers");
        CreateDemoNetwork(*client);
    }
    if (existed && !demo)
        std::printf("network at %s exists already (%zu servers)\n", network.c_str(), client->Store().Servers().size());
    else
        std::printf("%s network at %s\n", demo ? "demo" : "empty", network.c_str());
    return 0;
}

int Import(std::vector<std::string> words, const std::string& network)
{
    if (words.size() != 1)
        throw std::runtime_error("import needs one FIXTURE file");
    std::string text;
    if (ReadFileText(words.front(), text) != 0)
        throw std::runtime_error("cannot read " + words.front());
    auto client = OpenNetwork(network);
    try {
        client->ImportFixture(text);
    } catch (const std::exception& e) {
        throw std::runtime_error(words.front() + ": " + e.what());
    }
    std::printf("imported %s\n", words.front().c_str());
    return 0;
}

int Generate(std::vector<std::string> words, const std::string& network)
{
    GenerateOptions options;
    options.servers = static_cast<int>(Count(Option(words, "--servers", "2"), "--servers"));
    options.volumesPerServer = static_cast<int>(Count(Option(words, "--volumes", "2"), "--volumes"));
    options.directories = Count(Option(words, "--dirs", "10000"), "--dirs");
    options.deletedFiles = Count(Option(words, "--files", "1000000"), "--files");
    options.users = static_cast<int>(Count(Option(words, "--users", "50"), "--users"));
    options.seed = static_cast<std::uint32_t>(Count(Option(words, "--seed", "1"), "--seed"));
    NoMoreWords(words);
    auto client = OpenNetwork(network);
    auto start = std::chrono::steady_clock::now();
    GenerateNetwork(*client, options);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("generated %d servers, %lld directories, %lld deleted files in %.1f s\n", options.servers,
                options.directories, options.deletedFiles, seconds);
    return 0;
}

int Scan(std::vector<std::string> words, const std::string& network)
{
    bool recursive = Flag(words, "--recursive");
    if (words.size() != 1)
        throw std::runtime_error("scan needs one PATH (\\\\SERVER\\VOLUME\\DIR)");
    auto client = OpenNetwork(network);
    NWClientBackend* previous = SetClientBackend(client.get());
    char server[256] = {}, volume[256] = {}, directory[256] = {};
    NWCONN_HANDLE conn = 0;
    NWCCODE code = SplitPathByClient(words.front().c_str(), server, conn, volume, directory);
    if (code != 0) {
        SetClientBackend(previous);
        throw std::runtime_error(Format("SplitPathByClient returned error 0x%.4X for ", code) + words.front());
    }
    std::string volumePath = Format("%s:%s", volume, directory);
    auto totals = RawDeletedFileScan(conn, volumePath, recursive, [](const RawScanRecord& r) {
        std::printf("%s\t%s\t%u\t%s\t0x%08X\n", r.directory.c_str(), r.info.name, r.info.fileSize,
                    PackedText(r.info.deletedDateAndTime).c_str(), r.info.deletorID);
    });
    SetClientBackend(previous);
    std::fprintf(stderr, "%lld deleted files in %lld directories of %s\n", totals.records, totals.directories,
                 server);
    if (totals.lastError)
        std::fprintf(stderr, "a scan ended with error 0x%.4X\n", totals.lastError);
    if (!totals.circularListing.empty())
        std::fprintf(stderr, "the server listed %s over again from its start; its search was stopped\n",
                     totals.circularListing.c_str());
    return totals.lastError || !totals.circularListing.empty() ? 1 : 0;
}

// ---- inspection straight from the database --------------------------------

struct Located {
    StoredServer server;
    StoredVolume volume;
    long long dirId = 0;
};

Located Locate(NetworkStore& store, const std::string& path)
{
    NetWarePathParts parts;
    if (!ParseUncPath(path, parts))
        throw std::runtime_error("not a \\\\SERVER\\VOLUME path: " + path);
    Located at;
    if (!store.FindServer(parts.server, at.server))
        throw std::runtime_error("unknown server: " + parts.server);
    if (!store.FindVolume(at.server.id, parts.volume, at.volume))
        throw std::runtime_error("unknown volume: " + parts.volume);
    at.dirId = store.FindDirectory(at.volume.id, parts.directories);
    if (!at.dirId)
        throw std::runtime_error("unknown directory: " + path);
    return at;
}

long long QueryNumber(EmulatedDatabase& db, const char* sql, long long bound)
{
    Statement s(db.Handle(), sql);
    if (bound)
        s.Bind(1, bound);
    return s.Step() ? s.Int(0) : 0;
}

const char* const kSubtree = R"sql(
WITH RECURSIVE below(id) AS (SELECT ?1 UNION ALL SELECT d.id FROM directories d JOIN below b ON d.parent_id = b.id)
)sql";

int List(std::vector<std::string> words, const std::string& network)
{
    auto client = OpenNetwork(network);
    NetworkStore& store = client->Store();
    if (words.empty()) {
        auto connections = store.Connections();
        for (const auto& server : store.Servers()) {
            std::string connection;
            for (const auto& [id, primary] : connections)
                if (id == server.id)
                    connection = primary ? "connected, primary" : "connected";
            std::printf("%-20s tree=%-32s %s\n", server.name.c_str(), server.tree.c_str(), connection.c_str());
        }
        return 0;
    }
    if (words.size() != 1)
        throw std::runtime_error("list takes at most one SERVER");
    StoredServer server;
    if (!store.FindServer(words.front(), server))
        throw std::runtime_error("unknown server: " + words.front());
    Statement dirs(client->Database().Handle(), R"sql(
        WITH RECURSIVE tree(id, path) AS (
            SELECT id, '' FROM directories WHERE volume_id = ?1 AND parent_id IS NULL
            UNION ALL
            SELECT d.id, CASE t.path WHEN '' THEN d.name ELSE t.path || '\' || d.name END
            FROM directories d JOIN tree t ON d.parent_id = t.id)
        SELECT t.path, (SELECT COUNT(*) FROM deleted x WHERE x.dir_id = t.id) FROM tree t ORDER BY t.path)sql");
    for (const auto& volume : store.Volumes(server.id)) {
        std::printf("%s (volume %d)\n", volume.name.c_str(), volume.number);
        dirs.Reset();
        dirs.Bind(1, volume.id);
        while (dirs.Step())
            std::printf("  %s:%-40s %lld deleted\n", volume.name.c_str(), dirs.Text(0).c_str(), dirs.Int(1));
    }
    return 0;
}

int Deleted(std::vector<std::string> words, const std::string& network)
{
    if (words.size() != 1)
        throw std::runtime_error("deleted needs one PATH");
    auto client = OpenNetwork(network);
    auto at = Locate(client->Store(), words.front());
    for (const auto& file : client->Store().DeletedFiles(at.dirId))
        std::printf("%u\t%s\t%u\t%s\t0x%08X\n", file.id, file.name.c_str(), file.size,
                    PackedText(file.deletedAt).c_str(), file.deletor);
    return 0;
}

int CountCommand(std::vector<std::string> words, const std::string& network)
{
    if (words.size() > 1)
        throw std::runtime_error("count takes at most one PATH");
    auto client = OpenNetwork(network);
    long long count;
    if (words.empty()) {
        count = QueryNumber(client->Database(), "SELECT COUNT(*) FROM deleted", 0);
    } else {
        auto at = Locate(client->Store(), words.front());
        count = QueryNumber(client->Database(),
                            (std::string(kSubtree) + "SELECT COUNT(*) FROM deleted WHERE dir_id IN below").c_str(),
                            at.dirId);
    }
    std::printf("%lld\n", count);
    return 0;
}

int Users(std::vector<std::string> words, const std::string& network)
{
    NoMoreWords(words);
    auto client = OpenNetwork(network);
    Statement users(client->Database().Handle(), "SELECT id, name FROM users ORDER BY id");
    while (users.Step())
        std::printf("0x%08llX\t\"%s\"\n", users.Int(0), users.Text(1).c_str());
    Statement faults(client->Database().Handle(),
                     "SELECT user_id, code FROM faults WHERE operation = 'name' ORDER BY user_id");
    while (faults.Step())
        std::printf("0x%08llX\tfault 0x%.4llX\n", faults.Int(0), faults.Int(1));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    Arguments args;
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if (word == "--help" || word == "-h")
            args.help = true;
        else if (word == "--network" && i + 1 < argc)
            args.network = argv[++i];
        else if (word.rfind("--network=", 0) == 0)
            args.network = word.substr(10);
        else
            args.words.push_back(word);
    }
    if (args.help || args.words.empty()) {
        std::fputs(kUsage, args.help ? stdout : stderr);
        return args.help ? 0 : 2;
    }
    std::string network = args.network.empty() ? DefaultNetworkPath() : args.network;
    std::string command = args.words.front();
    std::vector<std::string> rest(args.words.begin() + 1, args.words.end());
    try {
        if (command == "create")
            return Create(rest, network);
        if (command == "import")
            return Import(rest, network);
        if (command == "generate")
            return Generate(rest, network);
        if (command == "scan")
            return Scan(rest, network);
        if (command == "list")
            return List(rest, network);
        if (command == "deleted")
            return Deleted(rest, network);
        if (command == "count")
            return CountCommand(rest, network);
        if (command == "users")
            return Users(rest, network);
        std::fprintf(stderr, "nwemu: unknown command %s\n\n%s", command.c_str(), kUsage);
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "nwemu: %s\n", e.what());
        return 1;
    }
}
