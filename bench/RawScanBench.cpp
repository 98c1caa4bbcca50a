// SPDX-License-Identifier: GPL-3.0-or-later
// The raw deleted-file scan through the client operations over a generated
// network of 1,000,000 deleted files in 10,000 directories: records per second
// and the process's peak memory. Generation itself is timed too.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "netware/NWClientBackend.h"
#include "netware/calwin32.h"
#include "netware/clxwin32.h"
#include "netware/emulated/EmulatedClient.h"
#include "netware/emulated/NetworkGenerator.h"
#include "netware/emulated/RawScan.h"

#include "BenchSupport.h"

namespace {

constexpr long long kFiles = 1000000;
constexpr long long kDirectories = 10000;

const GeneratedNetwork& Network()
{
    static GeneratedNetwork network("rawscan", kFiles, kDirectories);
    return network;
}

void BM_GenerateNetwork(benchmark::State& state)
{
    for (auto _ : state) {
        std::string path = TempNetworkPath("generate");
        {
            auto client = EmulatedClient::Open(path);
            GenerateNetwork(*client, BenchNetworkOptions(kFiles, kDirectories));
        }
        state.PauseTiming();
        RemoveNetwork(path);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}

// Every volume of every server, walked from its root: what a job over all
// volumes would read, without the selection and the result list.
void BM_RawDeletedFileScan(benchmark::State& state)
{
    const std::string& path = Network().Path();
    long long records = 0;
    for (auto _ : state) {
        records = RawScanEveryVolume(path);
    }
    if (records != kFiles)
        state.SkipWithError("the scan did not see every deleted file");
    state.SetItemsProcessed(state.iterations() * records);
    state.counters["records"] = static_cast<double>(records);
    state.counters["peak_MiB"] = ProcessMemoryMiB("VmHWM");
}

}  // namespace

BENCHMARK(BM_GenerateNetwork)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_RawDeletedFileScan)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
