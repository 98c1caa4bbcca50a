// SPDX-License-Identifier: GPL-3.0-or-later
// The budget conditions of one start path: before its walk, one listing pass
// over the same directories (nothing shown) finds the cut-offs of "Keep only
// the newest" N MB and "Purge until free" M MB; the scan then places every
// file it lists against them.
#pragma once

#include <cstdint>
#include <string>

#include "app/JobState.h"
#include "netware/ntypes.h"

// Runs only when a budget condition is ticked; otherwise, and when the pass
// cannot decide (a directory not listed in full, a client that cannot tell the
// free space), the condition holds for no file below the start path, and
// an error box and a line in the result list say why. Uses the job's
// connection and volume.
void PrepareStartPathBudgets(JobState& job, const std::string& walkPath, nuint8 walkMode, bool recursive);

// Whether the file, listed in the directory at volumePath, is beyond each
// ticked cut-off; once per listed file, in the client's order.
void PlaceInBudgets(JobState& job, const std::string& volumePath, std::uint64_t time, std::string_view name,
                    bool& beyondNewest, bool& amongOldest);
