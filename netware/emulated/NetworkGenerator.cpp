// SPDX-License-Identifier: GPL-3.0-or-later
// Seeded generation of large emulated networks.
#include "netware/emulated/NetworkGenerator.h"

#include <cstdio>
#include <ctime>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "netware/emulated/EmulatedClient.h"
#include "netware/emulated/EmulatedDatabase.h"
#include "netware/emulated/NetworkStore.h"

namespace {

constexpr std::uint32_t kFirstUserId = 0x00020001;

std::string Numbered(const char* prefix, long long n)
{
    char text[32];
    std::snprintf(text, sizeof text, "%s%05lld", prefix, n);
    return text;
}

}  // namespace

void GenerateNetwork(EmulatedClient& client, const GenerateOptions& options)
{
    if (options.servers < 1 || options.volumesPerServer < 1 || options.directories < 1 || options.deletedFiles < 0 ||
        options.users < 1)
        throw std::invalid_argument("generate needs at least one server, volume, directory and user");
    NetworkStore& store = client.Store();
    // One transaction of millions of rows: a larger cache keeps its pages
    // from going to the log before the commit; the client's own is restored.
    EmulatedDatabase& db = client.Database();
    db.SetCacheSize(256 * 1024);
    struct CacheRestore {
        EmulatedDatabase& db;
        ~CacheRestore()
        {
            try {
                db.SetCacheSize(EmulatedDatabase::ClientCacheKiB);
            } catch (...) {
                // A pragma without a file behind it hardly fails; a larger cache would do no harm.
            }
        }
    } restore{db};
    Transaction transaction(db);
    std::mt19937 random(options.seed);

    // Server names continue after those already there, so a network can be
    // generated into more than once.
    int firstServer = static_cast<int>(store.Servers().size()) + 1;
    std::vector<long long> volumes;
    for (int s = 0; s < options.servers; ++s) {
        long long server = store.AddServer("GEN" + std::to_string(firstServer + s), "GENTREE");
        store.AddConnection(server, s == 0 && store.Connections().empty());
        for (int v = 0; v < options.volumesPerServer; ++v)
            volumes.push_back(store.AddVolume(server, "VOL" + std::to_string(v + 1), -1));
    }

    // Directories: the i-th of a volume hangs below its (i / 10)-th, so the
    // trees are ten wide and a few levels deep.
    std::vector<std::vector<long long>> perVolume(volumes.size());
    std::vector<long long> directories;
    directories.reserve(options.directories);
    for (long long d = 0; d < options.directories; ++d) {
        size_t v = d % volumes.size();
        auto& own = perVolume[v];
        long long index = static_cast<long long>(own.size());
        long long parent = index < 10 ? store.RootDirectory(volumes[v]) : own[index / 10 - 1];
        long long dir = store.AddDirectory(volumes[v], parent, Numbered("D", index));
        own.push_back(dir);
        directories.push_back(dir);
    }

    for (int u = 0; u < options.users; ++u)
        if (u % 10 != 9)
            store.AddUser(kFirstUserId + u, Numbered("USER", u));

    static const char* const stems[] = {"REPORT", "BUDGET", "LETTER", "NOTES", "DATA", "SETUP", "DRAFT", "SCAN"};
    static const char* const extensions[] = {"TMP", "BAK", "DOC", "XLS", "TXT", "LOG", "ZIP", "DAT"};
    const std::time_t now = options.now != 0 ? options.now : std::time(nullptr);
    long long perDirectory = options.deletedFiles / options.directories;
    long long remainder = options.deletedFiles % options.directories;
    char name[64];
    for (size_t d = 0; d < directories.size(); ++d) {
        long long count = perDirectory + (static_cast<long long>(d) < remainder ? 1 : 0);
        for (long long i = 0; i < count; ++i) {
            std::uint32_t r = random();
            std::snprintf(name, sizeof name, "%s%04lld.%s", stems[r % 8], i, extensions[(r >> 3) % 8]);
            std::time_t when = now - static_cast<std::time_t>(random() % (2000u * 86400u));
            std::tm parts{};
            gmtime_r(&when, &parts);
            std::uint32_t size = (r >> 6) % 4 == 0 ? random() : random() % 1000000;
            store.AddDeleted(directories[d], name, size,
                             PackDeletedDateTime(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                                                 parts.tm_min, parts.tm_sec),
                             kFirstUserId + random() % options.users);
        }
    }
    if (options.volumeBytes != 0)
        for (long long volume : volumes)
            store.SetVolumeSpace(volume, options.volumeBytes, 0);
    transaction.Commit();
}
