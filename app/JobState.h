// SPDX-License-Identifier: GPL-3.0-or-later
// The state that the window, the job driver and the engine share: start-up
// values, the connection and path being worked on, the job flags, counters and
// run state, and the controls the engine reads and writes. A plain record; it
// references the window's controls but owns none of them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/BudgetCutoffs.h"
#include "app/NamePatterns.h"
#include "app/SpinValues.h"
#include "netware/D_NW.h"
#include "netware/ntypes.h"
#include "settings/IniFile.h"

class JobReport;
class QLabel;
class QPlainTextEdit;
class QSpinBox;
class QStatusBar;
class RadioGroup;
class ResultList;

// ConnHandle before any connection has been opened.
constexpr NWCONN_HANDLE NoConnection = 999;

// Values of JobState::RunState: running, and the answers of the purge
// confirmation, which stay in force until the next answer or the next job.
namespace RunState {
constexpr nuint16 Running = 1;
constexpr nuint16 Abort = 3;
constexpr nuint16 Yes = 6;
constexpr nuint16 No = 7;
constexpr nuint16 NoToAll = 9;
constexpr nuint16 YesToAll = 10;
} // namespace RunState

struct JobState {
    bool AutoMode = false;
    std::string IniPath;
    std::string LogPath;  // empty: no log
    std::string ReportPath;  // report=: the JSON Lines record; empty: none
    NWCONN_HANDLE ConnHandle = 0;
    std::string ServerName;
    std::string VolumeName;
    std::string DirPath;
    std::string SelectedFolder;
    std::string TreeName;
    std::int32_t TotalCount = 0;
    std::int32_t MatchCount = 0;
    // What the job could not do, counted where it is reported: a start path
    // not resolved, a directory that could not be read or whose listing was
    // stopped, a purge the server refused. An unattended run ends with
    // status 3 when it is not 0.
    std::int32_t SkippedCount = 0;
    // Why, one text for each skip counted by SkipWork (the first
    // SkippedWorkTextLimit of them; the count goes on).
    std::vector<std::string> SkippedWork;
    // What became of the files the job marked: purged, kept (answered No, No
    // to All, Abort, stopped) or failed; and the folders whose deleted files
    // were not all scanned (not readable, ended by a failed purge, or passed
    // by after an Abort or a stop).
    struct JobOutcomes {
        std::int32_t Purged = 0;
        std::int32_t Kept = 0;
        std::int32_t Failed = 0;
        std::int32_t FoldersNotScanned = 0;
    } Outcomes;
    // The start path being worked on, as the list holds it.
    std::string StartPath;
    // Receives a record of every listed file when report= is given; null otherwise.
    JobReport* Report = nullptr;
    bool UsePatterns = false;
    bool UseAge = false;
    bool UseLargerThan = false;
    bool UseSmallerThan = false;
    bool UseKeepNewest = false;  // "Keep only the newest" N MB
    bool UseUntilFree = false;   // "Purge until free" M MB
    bool ConfirmEach = false;
    nuint16 RunState = 0;
    // Set with RunState Abort when the user stopped the job (Escape, closing
    // the window) rather than answering a confirmation with Abort.
    bool Stopped = false;
    std::unique_ptr<::IniFile> IniFile;
    NWDSContextHandle NameContext = 0;
    ::ResultList* ResultList = nullptr;
    QStatusBar* StatusLine = nullptr;
    QPlainTextEdit* PatternMemo = nullptr;
    ::NameCache NameCache;
    QSpinBox* LargerThanSpin = nullptr;   // FileSizeLowerLimit
    QSpinBox* SmallerThanSpin = nullptr;  // FileSizeUpperLimit
    QSpinBox* AgeSpin = nullptr;          // FileOlderThan
    // Also read by the engine: the Or/And choice, the mode (index 0 lists
    // only) and the label that shows the running totals.
    RadioGroup* LogicGroup = nullptr;    // RadioGroupLogic
    RadioGroup* OptionsGroup = nullptr;  // RadioGroupOptions
    QLabel* ResultsLabel = nullptr;      // LabelResults
    // The pattern memo's lines as the conditions last read them; emptied at
    // the start of every job.
    PatternLines Patterns;
    // The limit spin edits' values, followed from the start of every job.
    SpinValues Limits;
    // The budget limits in MB, read once per start path by its listing pass.
    QSpinBox* KeepNewestSpin = nullptr;  // KeepNewestSize
    QSpinBox* UntilFreeSpin = nullptr;   // UntilFreeSize
    // The budget cut-offs of the start path being worked on.
    struct StartPathBudgets {
        BudgetCutoff Keep;
        BudgetCutoff Free;
        std::uint32_t KeepMB = 0;
        std::uint32_t FreeMB = 0;
    } Budgets;
    // Bytes on each volume (server and volume name) that the job marked in the
    // list mode: what a purge would have freed before the next start path on
    // that volume asks for the free space. "Purge until free" counts them as
    // free, so the list marks what a purge takes.
    std::map<std::string, std::uint64_t> MarkedNotPurged;
};

inline constexpr std::size_t SkippedWorkTextLimit = 1000;

// Counts pieces of work the job could not do and keeps why.
void SkipWork(JobState& job, std::string reason, std::int32_t count = 1);

// The key of MarkedNotPurged for the job's current server and volume.
std::string VolumeKey(const JobState& job);

// The program's one instance.
extern JobState Job;

// The controls a job reads and writes, as the job driver hands them over.
struct JobControls {
    ::ResultList* ResultList = nullptr;
    QStatusBar* StatusLine = nullptr;
    QPlainTextEdit* PatternMemo = nullptr;
    QSpinBox* LargerThanSpin = nullptr;
    QSpinBox* SmallerThanSpin = nullptr;
    QSpinBox* AgeSpin = nullptr;
    RadioGroup* LogicGroup = nullptr;
    RadioGroup* OptionsGroup = nullptr;
    QLabel* ResultsLabel = nullptr;
    QSpinBox* KeepNewestSpin = nullptr;
    QSpinBox* UntilFreeSpin = nullptr;
};

// The start of every job: the control references are set, the counters (the
// skipped work's too) go back to 0 and RunState to running (an earlier job's Yes to All or No to All
// no longer applies).
void StartJob(JobState& job, const JobControls& controls);
