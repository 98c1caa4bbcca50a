// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's work in list mode with all four conditions on, over a generated
// network of 1,000,000 deleted files in 10,000 directories, beside the raw
// client scan of the same network in the same run: the walk and the scan of
// every directory into a shown result list, with the program's throttled pump,
// on the offscreen platform. Prints the ratio of the two and the result list's
// memory per line.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/JobState.h"
#include "app/PurgeEngine.h"
#include "netware/D_NW.h"
#include "netware/emulated/EmulatedClient.h"
#include "netware/emulated/NetworkGenerator.h"
#include "netware/emulated/RawScan.h"
#include "util/QtMessagePump.h"
#include "widgets/RadioGroup.h"
#include "widgets/ResultList.h"

#include "BenchSupport.h"

namespace {

// ENGINEBENCH_FILES=N scans a network of N files instead (N / 100 directories),
// small enough for an instruction-counting profiler.
long long EnvCount(const char* name, long long fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? std::atoll(value) : fallback;
}
const long long kFiles = EnvCount("ENGINEBENCH_FILES", 1000000);
const long long kDirectories = std::max(1LL, kFiles / 100);

const GeneratedNetwork& Network()
{
    static GeneratedNetwork network("enginebench", kFiles, kDirectories);
    return network;
}

// The window's part that the engine touches, with the design values.
struct EngineWindow {
    EngineWindow()
    {
        auto* layout = new QVBoxLayout(&window);
        logic = new RadioGroup;
        logic->setItems({"Or", "And"});
        logic->setItemIndex(1);  // And, so that every test runs for most files
        options = new RadioGroup;
        options->setItems({"&List Matching Deleted Files", "Purge with &confirmation", "&Purge without confirmation"});
        options->setItemIndex(0);
        larger = new QSpinBox;
        smaller = new QSpinBox;
        age = new QSpinBox;
        for (QSpinBox* spin : {larger, smaller, age})
            spin->setRange(1, 1000000000);
        larger->setValue(1);
        smaller->setValue(1000000);
        age->setValue(1);
        patterns = new QPlainTextEdit("*.tmp\n*.bak");
        label = new QLabel("Results ... ");
        results = new ResultList;
        status = new QStatusBar;
        for (QWidget* w : std::initializer_list<QWidget*>{logic, options, larger, smaller, age, patterns, label,
                                                          results, status})
            layout->addWidget(w);
        window.resize(800, 600);
        // ENGINEBENCH_HIDDEN=1 leaves the window unshown, to tell the engine's
        // own cost from the repaints the pump lets happen.
        if (!std::getenv("ENGINEBENCH_HIDDEN"))
            window.show();
        QCoreApplication::processEvents();
    }

    void Prepare(JobState& job)
    {
        StartJob(job, {results, status, patterns, larger, smaller, age, logic, options, label});
        job.UseAge = job.UseLargerThan = job.UseSmallerThan = job.UsePatterns = true;
        results->clear();
    }

    QWidget window;
    RadioGroup* logic;
    RadioGroup* options;
    QSpinBox* larger;
    QSpinBox* smaller;
    QSpinBox* age;
    QPlainTextEdit* patterns;
    QLabel* label;
    ResultList* results;
    QStatusBar* status;
};

// Made on first use and destroyed before the application object.
std::unique_ptr<EngineWindow> engineWindow;

double rawSeconds = 0;
double engineSeconds = 0;
double listBytesPerLine = 0;
double rssBytesPerLine = 0;

void BM_RawScan(benchmark::State& state)
{
    const std::string& path = Network().Path();
    long long records = 0;
    for (auto _ : state) {
        records = RawScanEveryVolume(path);
    }
    if (records != kFiles)
        state.SkipWithError("the raw scan did not see every deleted file");
    state.SetItemsProcessed(state.iterations() * records);
}

// One job of the engine over the network: the client is opened and the list
// emptied before Walk, which is the part that is timed.
class EngineJob {
public:
    EngineJob(EngineWindow& window, JobState& job, const std::string& path) : job_(job)
    {
        window.Prepare(job);
        QCoreApplication::processEvents();
        client_ = EmulatedClient::Open(path);
        previous_ = SetClientBackend(client_.get());
    }
    ~EngineJob() { SetClientBackend(previous_); }
    EngineJob(const EngineJob&) = delete;
    EngineJob& operator=(const EngineJob&) = delete;

    void Walk()
    {
        ForEachVolume([this](NWCONN_HANDLE conn, const std::string& volume) {
            job_.ConnHandle = conn;
            WalkDirectoryTree(
                conn, volume, "*.*", WalkDirectories,
                [this](const std::string& dir, const WalkEntry&, void*) { PurgeDirectoryCallback(job_, dir); },
                nullptr, true);
        });
    }

private:
    JobState& job_;
    std::unique_ptr<EmulatedClient> client_;
    NWClientBackend* previous_ = nullptr;
};

EngineWindow& Window()
{
    if (!engineWindow)
        engineWindow = std::make_unique<EngineWindow>();
    return *engineWindow;
}

void BM_EngineListMode(benchmark::State& state)
{
    const std::string& path = Network().Path();
    EngineWindow& window = Window();
    InstallQtMessagePump();
    JobState job;
    for (auto _ : state) {
        state.PauseTiming();
        {
            EngineJob run(window, job, path);
            state.ResumeTiming();
            run.Walk();
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    SetMessagePump({});
    if (job.TotalCount != kFiles)
        state.SkipWithError("the engine did not list every deleted file");
    state.SetItemsProcessed(state.iterations() * job.TotalCount);
    state.counters["listed"] = job.TotalCount;
    state.counters["matching"] = job.MatchCount;
    state.counters["lines"] = window.results->count();

    // What the filled list holds, and what the process gives back when it is
    // cleared (the list's share of the resident memory).
    const int lines = window.results->count();
    listBytesPerLine = double(window.results->store().memoryBytes()) / lines;
    QCoreApplication::processEvents();
    double before = ProcessMemoryMiB("VmRSS");
    window.results->clear();
    QCoreApplication::processEvents();
    rssBytesPerLine = (before - ProcessMemoryMiB("VmRSS")) * 1024 * 1024 / lines;
    state.counters["list_B_per_line"] = listBytesPerLine;
    state.counters["rss_B_per_line"] = rssBytesPerLine;
}

// Pairs of runs, the raw scan and the engine's job one right after the other
// (taking turns at going first), so that both meet the same load from the rest
// of the machine; the median of the pairs' ratios is the figure.
// The wall time of a run and the processor time it took in the program and in
// the system (mostly giving the list its memory, page by page).
struct RunTimes {
    double wall = 0, user = 0, system = 0;
};

struct PairedRatios {
    double median = 0, lowest = 0, highest = 0;
    RunTimes raw, engine;  // the medians of each part
};

double Seconds(const timeval& t)
{
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

template <typename Run>
RunTimes Timed(Run run)
{
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    run();
    const auto wall = std::chrono::steady_clock::now() - start;
    getrusage(RUSAGE_SELF, &after);
    return {std::chrono::duration<double>(wall).count(), Seconds(after.ru_utime) - Seconds(before.ru_utime),
            Seconds(after.ru_stime) - Seconds(before.ru_stime)};
}

RunTimes Medians(std::vector<RunTimes> runs)
{
    auto median = [&](double RunTimes::*part) {
        std::vector<double> values;
        for (const RunTimes& run : runs)
            values.push_back(run.*part);
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    return {median(&RunTimes::wall), median(&RunTimes::user), median(&RunTimes::system)};
}

PairedRatios MeasurePairs(int pairs)
{
    const std::string& path = Network().Path();
    EngineWindow& window = Window();
    InstallQtMessagePump();
    JobState job;
    std::vector<double> ratios;
    std::vector<RunTimes> raws, engines;
    for (int i = 0; i < pairs; ++i) {
        auto runRaw = [&] { raws.push_back(Timed([&] { RawScanEveryVolume(path); })); };
        auto runEngine = [&] {
            EngineJob run(window, job, path);
            engines.push_back(Timed([&] { run.Walk(); }));
        };
        if (i % 2 == 0) {
            runRaw();
            runEngine();
        } else {
            runEngine();
            runRaw();
        }
        ratios.push_back(engines.back().wall / raws.back().wall);
    }
    SetMessagePump({});
    window.results->clear();
    std::sort(ratios.begin(), ratios.end());
    return {ratios[ratios.size() / 2], ratios.front(), ratios.back(), Medians(raws), Medians(engines)};
}

// Keeps the best repetition's mean wall time per run of each benchmark for
// the ratio: on a shared machine the slower repetitions measure the
// neighbours, not the code.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0)
                continue;
            const double seconds = run.real_accumulated_time / double(run.iterations);
            const std::string name = run.benchmark_name();
            double& best = name.rfind("BM_RawScan", 0) == 0 ? rawSeconds : engineSeconds;
            if (best == 0 || seconds < best)
                best = seconds;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

// ENGINEBENCH_PAIRS=N measures N pairs of runs for the ratio (default 9; 0 skips them).
const int kPairs = static_cast<int>(std::max(0LL, EnvCount("ENGINEBENCH_PAIRS", 9)));
// ENGINEBENCH_REPETITIONS=N repeats each benchmark N times (default 3).
const int kRepetitions = static_cast<int>(std::max(1LL, EnvCount("ENGINEBENCH_REPETITIONS", 3)));

BENCHMARK(BM_RawScan)->Unit(benchmark::kMillisecond)->Iterations(2)->Repetitions(kRepetitions)->UseRealTime();
BENCHMARK(BM_EngineListMode)->Unit(benchmark::kMillisecond)->Iterations(2)->Repetitions(kRepetitions)->UseRealTime();

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (rawSeconds > 0 && engineSeconds > 0)
        std::printf("best runs: raw scan %.0f ms, engine %.0f ms (ratio of the bests %.2f)\n", rawSeconds * 1000,
                    engineSeconds * 1000, engineSeconds / rawSeconds);
    if (kPairs > 0) {
        const PairedRatios paired = MeasurePairs(kPairs);
        std::printf("engine / raw scan: %.2f, median of %d pairs (%.2f-%.2f) (target <= 1.5)\n", paired.median,
                    kPairs, paired.lowest, paired.highest);
        for (const auto& [name, times] : {std::pair{"raw scan", paired.raw}, std::pair{"engine", paired.engine}})
            std::printf("  %-8s median %.0f ms: %.0f ms in the program, %.0f ms in the system\n", name,
                        times.wall * 1000, times.user * 1000, times.system * 1000);
    }
    if (listBytesPerLine > 0)
        std::printf("result list: %.0f bytes per line held, %.0f bytes per line resident (target <= 200)\n",
                    listBytesPerLine, rssBytesPerLine);
    engineWindow.reset();
    benchmark::Shutdown();
    return 0;
}
