// SPDX-License-Identifier: GPL-3.0-or-later
// What the benchmarks share: a generated network in a temporary file, made once
// per process and removed at its end, and the process's memory figures.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "netware/calwin32.h"
#include "netware/clxwin32.h"
#include "netware/emulated/EmulatedClient.h"
#include "netware/emulated/RawScan.h"
#include "netware/emulated/NetworkGenerator.h"

// A field of /proc/self/status in MiB: "VmRSS" (resident now), "VmHWM" (peak).
inline double ProcessMemoryMiB(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = field + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::strtod(line.c_str() + prefix.size(), nullptr) / 1024.0;
    return 0;
}

inline std::string TempNetworkPath(const std::string& name)
{
    return (std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid()) + ".db")).string();
}

inline void RemoveNetwork(const std::string& path)
{
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(path + suffix);
}

inline GenerateOptions BenchNetworkOptions(long long files, long long directories)
{
    GenerateOptions options;
    options.directories = directories;
    options.deletedFiles = files;
    return options;
}

// A network of the given size, generated into a temporary file on construction.
class GeneratedNetwork {
public:
    GeneratedNetwork(const std::string& name, long long files, long long directories) : path_(TempNetworkPath(name))
    {
        GenerateNetwork(*EmulatedClient::Open(path_), BenchNetworkOptions(files, directories));
    }
    ~GeneratedNetwork() { RemoveNetwork(path_); }
    GeneratedNetwork(const GeneratedNetwork&) = delete;
    GeneratedNetwork& operator=(const GeneratedNetwork&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Calls visit(conn, "VOLUME:") for every volume of every connection the
// workstation holds.
template <typename Visit>
void ForEachVolume(Visit visit)
{
    nuint32 iterator = 0;
    NWCONN_REF ref = 0;
    while (NextConnRef(iterator, ref) == 0) {
        NWCONN_HANDLE conn = 0;
        if (NWCCOpenConnByRef(ref, 1, 0, conn) != 0)
            continue;
        char volume[256];
        for (nuint16 number = 0; NWGetVolumeName(conn, number, volume) == 0; ++number)
            visit(conn, std::string(volume) + ":");
        CloseConn(conn);
    }
}

// The raw deleted-file scan of every connected volume, recursively, through a
// fresh client on the network file (so every directory's records are loaded
// from the database each time); returns the number of records seen.
inline long long RawScanEveryVolume(const std::string& networkPath)
{
    auto client = EmulatedClient::Open(networkPath);
    NWClientBackend* previous = SetClientBackend(client.get());
    long long scanned = 0;
    ForEachVolume([&](NWCONN_HANDLE conn, const std::string& volume) {
        scanned += RawDeletedFileScan(conn, volume, true, {}).records;
    });
    SetClientBackend(previous);
    return scanned;
}
