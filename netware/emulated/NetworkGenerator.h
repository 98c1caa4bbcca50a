// SPDX-License-Identifier: GPL-3.0-or-later
// Large networks made from a seed, for benchmarks and load tests.
#pragma once

#include <cstdint>
#include <ctime>

class EmulatedClient;

struct GenerateOptions {
    int servers = 2;
    int volumesPerServer = 2;
    long long directories = 10000;
    long long deletedFiles = 1000000;
    int users = 50;
    std::uint32_t seed = 1;
    // Each volume's size in bytes, its deleted files counted as used; 0 gives
    // volumes without a size, whose free space the client cannot tell.
    std::uint64_t volumeBytes = 0;
    // Deletion dates lie up to 2000 days before this moment; 0 means now. A
    // fixed moment makes two generations with one seed identical.
    std::time_t now = 0;
};

// Adds servers GEN1.. (all on tree GENTREE, the workstation connected to each,
// the first primary), volumes VOL1.., directories nested ten to a parent and
// spread over the volumes, deleted files spread evenly over the directories, and
// users (every tenth id that deletes files has no user object). One transaction.
void GenerateNetwork(EmulatedClient& client, const GenerateOptions& options);
