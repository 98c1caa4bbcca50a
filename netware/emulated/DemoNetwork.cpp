// SPDX-License-Identifier: GPL-3.0-or-later
// Where the program's network lives, and the built-in demo network a first
// start finds there.
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>

#include "netware/emulated/EmulatedClient.h"
#include "netware/emulated/EmulatedDatabase.h"
#include "netware/emulated/NetworkStore.h"

std::string DefaultNetworkPath()
{
    if (const char* explicitPath = std::getenv("NWEMU_NETWORK"); explicitPath && *explicitPath)
        return explicitPath;
    std::string dataHome;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        dataHome = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        dataHome = std::string(home) + "/.local/share";
    else
        dataHome = ".local/share";
    return dataHome + "/morvane/network.db";
}

std::unique_ptr<EmulatedClient> OpenDefaultNetwork()
{
    std::string path = DefaultNetworkPath();
    bool isNew = !std::filesystem::exists(path);
    if (isNew) {
        auto folder = std::filesystem::path(path).parent_path();
        if (!folder.empty())
            std::filesystem::create_directories(folder);
    }
    auto client = EmulatedClient::Open(path);
    if (isNew) {
        try {
            CreateDemoNetwork(*client);
        } catch (...) {
            // Leave no empty network behind: the next start tries again.
            client.reset();
            for (const char* suffix : {"", "-wal", "-shm"})
                std::filesystem::remove(path + suffix);
            throw;
        }
    }
    return client;
}

namespace {

nuint32 PackedSecondsAgo(std::time_t now, long long secondsAgo)
{
    std::time_t when = now - static_cast<std::time_t>(secondsAgo);
    std::tm parts{};
    localtime_r(&when, &parts);
    return PackDeletedDateTime(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min,
                               parts.tm_sec);
}

}  // namespace

void CreateDemoNetwork(EmulatedClient& client)
{
    NetworkStore& store = client.Store();
    Transaction transaction(client.Database());

    long long fs1 = store.AddServer("FS1", "MORVANE_TREE");
    long long fs2 = store.AddServer("FS2", "MORVANE_TREE");
    long long archive = store.AddServer("ARCHIVE", "LEGACY");
    long long fs1Sys = store.AddVolume(fs1, "SYS", 0);
    long long fs1Data = store.AddVolume(fs1, "DATA", 1);
    long long fs2Sys = store.AddVolume(fs2, "SYS", 0);
    long long fs2Apps = store.AddVolume(fs2, "APPS", 1);
    long long fs2Users = store.AddVolume(fs2, "USERS", 2);
    long long archiveSys = store.AddVolume(archive, "SYS", 0);
    long long archiveVol = store.AddVolume(archive, "VOL1", 1);

    store.AddConnection(fs1, true);
    store.AddConnection(fs2, false);
    store.AddConnection(archive, false);

    const std::vector<std::pair<nuint32, const char*>> users = {
        {0x00010001, "ADMIN"}, {0x00010002, "JSMITH"}, {0x00010003, "MMUELLER"},
        {0x00010004, "KOWALSKI"}, {0x00010005, "BACKUP"},
    };
    for (const auto& [id, name] : users)
        store.AddUser(id, name);
    const nuint32 unknownUser = 0x0001000A;  // deleted files, but the directory has no name for it

    struct Dir {
        long long volume;
        std::vector<std::string> path;
        int deleted;
    };
    const std::vector<Dir> dirs = {
        {fs1Sys, {"PUBLIC"}, 8},
        {fs1Sys, {"SYSTEM"}, 12},
        {fs1Sys, {"SYSTEM", "CSLIB"}, 4},
        {fs1Sys, {"LOGIN"}, 0},
        {fs1Data, {}, 6},
        {fs1Data, {"HOME", "JSMITH"}, 30},
        {fs1Data, {"HOME", "JSMITH", "MAIL"}, 18},
        {fs1Data, {"HOME", "MMUELLER"}, 25},
        {fs1Data, {"HOME", "KOWALSKI", "PROJECTS", "2024"}, 14},
        {fs1Data, {"PROJECTS", "ATLAS", "DOCS"}, 22},
        {fs1Data, {"PROJECTS", "ATLAS", "BUILD", "TMP"}, 40},
        {fs1Data, {"SHARED", "REPORTS"}, 20},
        {fs2Sys, {"PUBLIC"}, 5},
        {fs2Apps, {"OFFICE"}, 10},
        {fs2Apps, {"OFFICE", "TEMPLATES"}, 6},
        {fs2Apps, {"DB", "EXPORT"}, 16},
        {fs2Users, {"ADMIN"}, 12},
        {fs2Users, {"JSMITH", "ARCHIVE"}, 15},
        {archiveSys, {"PUBLIC"}, 3},
        {archiveVol, {"BACKUP", "WEEKLY"}, 20},
        {archiveVol, {"BACKUP", "MONTHLY", "1999"}, 10},
        {archiveVol, {"OLD"}, 12},
    };
    store.EnsureDirectory(fs1Data, {"EMPTY"});

    const char* stems[] = {"REPORT", "BUDGET", "LETTER", "MINUTES", "SETUP", "INVOICE", "NOTES", "DRAFT",
                           "BACKUP", "DATA", "README", "ORDERS", "PLAN", "SCAN0001", "EXPORT", "~WRL0003"};
    const char* extensions[] = {"TMP", "BAK", "DOC", "XLS", "TXT", "LOG", "ZIP", "DAT", "PDF", "tmp", "bak", "$$$"};
    const nuint32 sizes[] = {0, 1, 512, 1024, 4096, 12288, 65535, 250000, 1048576, 8388608,
                             104857600, 734003200, 1073741824, 2147483648u, 4294967295u};
    const nuint32 deletors[] = {0x00010001, 0x00010002, 0x00010003, 0x00010004, 0x00010005, unknownUser};
    const long long ages[] = {1, 2, 3, 5, 7, 10, 14, 30, 45, 60, 90, 180, 365, 500, 730, 1100, 1500, 2500};

    std::mt19937 random(19991231);  // a fixed seed: every demo network is the same apart from "now"
    const std::time_t now = std::time(nullptr);
    for (const auto& dir : dirs) {
        long long dirId = store.EnsureDirectory(dir.volume, dir.path);
        for (int i = 0; i < dir.deleted; ++i) {
            std::string name = std::string(stems[random() % std::size(stems)]);
            if (random() % 3 == 0)
                name += std::to_string(random() % 100);
            name += ".";
            name += extensions[random() % std::size(extensions)];
            long long days = ages[random() % std::size(ages)];
            long long secondsAgo = days * 86400 - static_cast<long long>(random() % 86400);
            if (secondsAgo < 3600)
                secondsAgo = 3600;
            store.AddDeleted(dirId, name, sizes[random() % std::size(sizes)], PackedSecondsAgo(now, secondsAgo),
                             deletors[random() % std::size(deletors)]);
        }
        // Live files beside the deleted ones.
        if (dir.deleted % 2 == 0)
            store.AddFile(dirId, "INDEX.TXT", 2048);
    }
    // Sizes for "Purge until free"; the old ARCHIVE server cannot tell its
    // volumes' free space.
    constexpr std::uint64_t GiB = 1ULL << 30;
    for (long long volume : {fs1Sys, fs1Data})
        store.SetVolumeSpace(volume, 500 * GiB, 200 * GiB);
    for (long long volume : {fs2Sys, fs2Apps, fs2Users})
        store.SetVolumeSpace(volume, 250 * GiB, 100 * GiB);
    transaction.Commit();
}
