// SPDX-License-Identifier: GPL-3.0-or-later
// The trash client's folders at depth and in breadth: one item whose Path is
// 1,000, 10,000 or 100,000 folders deep, and as many items in sibling
// folders, read, walked and scanned as a listing job does (nothing purged).
// Each case builds its trash can once in a temporary folder; per_folder is the
// processor time per folder.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "netware/D_NW.h"
#include "netware/trash/TrashClient.h"

namespace {

namespace fs = std::filesystem;

void WriteInfo(const fs::path& info, const std::string& path)
{
    std::ofstream(info, std::ios::binary) << "[Trash Info]\nPath=" << path << "\nDeletionDate=2024-03-01T13:45:07\n";
}

// A temporary folder with a trash can in it, seen as one volume.
struct TrashFixture {
    fs::path base;
    TrashEnvironment environment;

    TrashFixture()
    {
        base = fs::temp_directory_path() / ("morvane-deep-bench-" + std::to_string(getpid()));
        fs::create_directories(base / "xdg" / "Trash" / "files");
        fs::create_directories(base / "xdg" / "Trash" / "info");
        environment.mountPoints = {base.string()};
        environment.uid = getuid();
        environment.homeTrash = (base / "xdg" / "Trash").string();
        environment.users = {{getuid(), "bench", base.string(), getgid()}};
    }
    ~TrashFixture() { fs::remove_all(base); }
    fs::path Info(const std::string& item) const { return base / "xdg" / "Trash" / "info" / (item + ".trashinfo"); }
};

// Reads the trash, walks the volume's root recursively and scans every
// folder for its items, each reached as the job reaches it; the number of
// items listed.
int ListEverything(const TrashEnvironment& environment)
{
    TrashClient client(environment);
    NWClientBackend* previous = SetClientBackend(&client);
    NWCONN_REF ref = 0;
    NWCONN_HANDLE conn = 0;
    client.PrimaryConnRef(ref);
    client.NWCCOpenConnByRef(ref, 1, 0, conn);
    char volume[256] = {};
    client.NWGetVolumeName(conn, 0, volume);
    int items = 0;
    WalkDirectoryTree(
        conn, std::string(volume) + ":", "*.*", WalkDirectories,
        [&](const std::string& folder, const WalkEntry& walked, void*) {
            NWDIR_HANDLE handle = 0;
            if (AllocWalkedDirectoryHandle(conn, folder, walked, handle) != 0)
                return;
            nuint32 iteration = 0xFFFFFFFF, directoryBase = 0;
            nuint8 volumeNumber = 0;
            NWDELETED_INFO record{};
            while (NextDeletedFile(conn, handle, iteration, volumeNumber, directoryBase, record) == 0)
                ++items;
            ReleaseDirHandle(conn, handle);
        },
        nullptr, true);
    SetClientBackend(previous);
    return items;
}

// The processor time per folder, the figure that stays the same from size to
// size when the cost grows linearly.
void PerFolder(benchmark::State& state)
{
    state.counters["per_folder"] = benchmark::Counter(
        static_cast<double>(state.range(0)), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_DeepPath(benchmark::State& state)
{
    TrashFixture fixture;
    std::string path = (fixture.base / "deep").string();
    for (int64_t level = 0; level < state.range(0); ++level)
        path += "/d";
    WriteInfo(fixture.Info("item"), path + "/item");
    for (auto _ : state)
        if (ListEverything(fixture.environment) != 1)
            state.SkipWithError("the deep item was not listed");
    PerFolder(state);
}

void BM_SiblingFolders(benchmark::State& state)
{
    TrashFixture fixture;
    for (int64_t n = 0; n < state.range(0); ++n)
        WriteInfo(fixture.Info("i" + std::to_string(n)),
                  (fixture.base / "wide" / ("f" + std::to_string(n)) / "item").string());
    for (auto _ : state)
        if (ListEverything(fixture.environment) != state.range(0))
            state.SkipWithError("not every item was listed");
    PerFolder(state);
}

}  // namespace

BENCHMARK(BM_DeepPath)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SiblingFolders)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
