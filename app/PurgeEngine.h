// SPDX-License-Identifier: GPL-3.0-or-later
// The deleted-file scan of one directory: lists every salvageable file with its
// size, deletion time and deleting user, marks and counts the ones the
// conditions select and, in the purge modes, purges them, asking first when
// the user chose confirmation.
#pragma once

#include <string>
#include <string_view>

#include "app/FileLine.h"
#include "app/JobDisplay.h"
#include "app/JobState.h"
#include "netware/D_NW.h"

// Whether the job only lists (the list mode, or no mode to read).
bool ListModeChosen(const JobState& job);

// Scans the directory at the volume path ("VOL:DIR"), reached as the walk
// that reported it with walked lets it be (by its full path without a walk).
// Errors raised inside the scan (an invalid deletion date) propagate to the
// caller; the directory handle is released in every case.
void PurgeFiles(JobState& job, const std::string& volumePath, const WalkEntry& walked = {});

// The walk's callback: shows the path in the status bar, scans it, then lets
// pending window messages be processed. The walk's user data is not used.
void PurgeDirectoryCallback(JobState& job, const std::string& volumePath, const WalkEntry& walked = {});
void PurgeDirectoryCallback(const std::string& volumePath, const WalkEntry& entry, void* userData);  // on Job

// Writes what the client back ends left undone on their own since the last
// call (a trash can not used, an item not sized) into the result list, and so
// into the log: one line each, under the start path being worked on.
void WriteSkippedWorkLines(JobState& job);

// The five-button confirmation before a purge; returns the RunState value of
// the answer. A box closed without a button counts as No.
nuint16 ConfirmPurge(const std::string& fileText);
