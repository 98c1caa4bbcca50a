// SPDX-License-Identifier: GPL-3.0-or-later
// The purge job as the window runs it, in list mode, over a network given on
// the command line: how long the job takes, how many lines it lists, and the
// longest time the window went without processing its events meanwhile.
//
//   JobBench NETWORK.db START_PATH... (each start path recursive)
//
// JOBBENCH_LOG=FILE saves the result log there at the end, as log= does.
//
// The program's own throttled message pump is installed; a 1 ms timer stands
// for the window's pending events and records the gaps between its firings.
#include "app/JobState.h"
#include "app/main.h"
#include "netware/NWClientBackend.h"
#include "netware/emulated/EmulatedClient.h"
#include "util/ProgramArguments.h"
#include "util/QtMessageBox.h"
#include "util/QtMessagePump.h"
#include "widgets/CheckListBox.h"
#include "widgets/RadioGroup.h"
#include "widgets/ResultList.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

long PeakMemoryKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s NETWORK.db START_PATH...\n", argv[0]);
        return 2;
    }
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QTemporaryDir settings;
    std::vector<std::string> arguments = {QCoreApplication::applicationFilePath().toStdString(),
                                          "ini=" + settings.filePath("bench.ini").toStdString()};
    if (const char* log = std::getenv("JOBBENCH_LOG"))
        arguments.push_back(std::string("log=") + log);
    SetProgramArguments(arguments);
    InstallQtMessageBoxHandler();
    InstallQtMessagePump();
    std::unique_ptr<EmulatedClient> network = EmulatedClient::Open(argv[1]);
    SetClientBackend(network.get());

    TMainForm form;
    form.show();
    // List mode; the age condition marks files older than 350 days.
    form.RadioGroupOptions->setItemIndex(0);
    form.FileOlderThan->setValue(350);
    form.CheckBoxAge->setChecked(true);
    form.CheckForSettingsChange(nullptr);
    for (int i = 2; i < argc; ++i)
        form.CheckListBoxQ->setChecked(form.CheckListBoxQ->addItem(QString::fromLocal8Bit(argv[i])), true);
    form.LabelDirSelectedUpd(nullptr);

    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    qint64 longestEnd = 0;
    long over50 = 0;
    long firings = 0;
    auto gap = [&] {
        const qint64 now = clock.nsecsElapsed();
        const qint64 g = now - last;
        if (g > longest) {
            longest = g;
            longestEnd = now;
        }
        // Where the window stalled: the directory being scanned and the list's size.
        if (g > 50'000'000)
            std::printf("gap %.1f ms at %.2f s: %s, %d lines\n", g / 1e6, now / 1e9,
                        form.StatusBar1->currentMessage().toLocal8Bit().constData(), form.ListBoxResults->count());
        over50 += g > 50'000'000;
        last = now;
    };
    QTimer watchdog;
    watchdog.setTimerType(Qt::PreciseTimer);
    watchdog.setInterval(1);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        ++firings;
        gap();
    });
    watchdog.start();
    clock.start();
    form.BitBtnPurgeSelectedClick(nullptr);
    gap();  // from the last events processed to the job's end
    const double seconds = clock.nsecsElapsed() / 1e9;
    watchdog.stop();

    std::printf("job: %.2f s, %d lines, %d files listed, %d matching\n", seconds, form.ListBoxResults->count(),
                Job.TotalCount, Job.MatchCount);
    std::printf("longest time without processing events: %.1f ms, ending %.2f s into the job "
                "(%ld event rounds, %ld gaps over 50 ms)\n",
                longest / 1e6, longestEnd / 1e9, firings, over50);
    std::printf("peak memory (VmHWM): %ld MiB\n", PeakMemoryKiB() / 1024);
    SetClientBackend(nullptr);
    return 0;
}
