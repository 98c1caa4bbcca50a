// SPDX-License-Identifier: GPL-3.0-or-later
// The budget conditions of one start path: before its walk, one listing pass
// over the same directories (nothing shown) finds the cut-offs of "Keep only
// the newest" N MB and "Purge until free" M MB; the scan then places every
// file it lists against them.
#pragma once

#include <cstdint>
#include <string>

#include "app/JobState.h"
#include "app/ScannedDirectories.h"
#include "netware/ntypes.h"

// Runs only when a budget condition is ticked; otherwise, and when the pass
// cannot decide (a directory that could not be searched or listed in full, a
// client that cannot tell the free space), the condition holds for no file
// below the start path, and an error box and a line in the result list say
// why. The failures of the directories themselves are left to the scan to
// report, once. "Purge until free" counts the bytes the job marked earlier
// on the volume in the list mode as freed. Uses the job's connection and volume.
// The directories the job has scanned so far (none without scanned) are left
// out, as the scan will leave them; one reached twice is listed once.
void PrepareStartPathBudgets(JobState& job, const std::string& walkPath, nuint8 walkMode, bool recursive,
                             const ScannedDirectories* scanned = nullptr);

// Whether the file, listed in the directory at volumePath, is beyond each
// ticked cut-off; once per listed file, in the client's order.
void PlaceInBudgets(JobState& job, const std::string& volumePath, std::uint64_t time, std::string_view name,
                    bool& beyondNewest, bool& amongOldest);
