// SPDX-License-Identifier: GPL-3.0-or-later
// What the client back ends leave undone on their own: counted for the exit
// status, and kept as lines until the job writes them into its result list.
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "netware/D_NW.h"
#include "util/MessageBox.h"

namespace {

std::int32_t skippedWorkReports = 0;
std::vector<std::string> pendingLines;
std::set<std::string> linedThisJob;

}  // namespace

void ReportSkippedWork(const std::string& text)
{
    MessageBoxOK(MsgDlgType::Error, text);
    NoteSkippedWork(text);
}

void ReportSkippedWork(nuint32 code, const std::string& operation)
{
    ReportSkippedWork(operation + " returned error " + NWErrorText(code));
}

void NoteSkippedWork(const std::string& text)
{
    ++skippedWorkReports;
    if (linedThisJob.insert(text).second)
        pendingLines.push_back(text);
}

std::int32_t SkippedWorkReports() { return skippedWorkReports; }

std::vector<std::string> TakeSkippedWorkLines() { return std::exchange(pendingLines, {}); }

void StartSkippedWorkLines()
{
    // Lines not yet written are still to come in this job: not twice.
    linedThisJob.clear();
    linedThisJob.insert(pendingLines.begin(), pendingLines.end());
}
