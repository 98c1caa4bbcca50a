// SPDX-License-Identifier: GPL-3.0-or-later
// The raw deleted-file scan through the client operations: walks directories
// with DirSearchStart/DirSearchNext and reads each with NextDeletedFile. It is
// the baseline a job is compared with (nwemu scan, the scan benchmark).
#pragma once

#include <functional>
#include <string>

#include "netware/ntypes.h"

struct RawScanRecord {
    const std::string& directory;   // volume path, e.g. VOL1:DATA\SUB
    const NWDELETED_INFO& info;
};

struct RawScanTotals {
    long long directories = 0;
    long long records = 0;
    NWCCODE lastError = 0;          // the last non-zero code other than the end of a list
    std::string circularListing;    // the last directory whose search started over, and was stopped
};

// Scans the directory at the volume path, and with recursive every directory
// below it, depth first in the server's order. The callback may be empty.
RawScanTotals RawDeletedFileScan(NWCONN_HANDLE conn, const std::string& volumePath, bool recursive,
                                 const std::function<void(const RawScanRecord&)>& onRecord);
