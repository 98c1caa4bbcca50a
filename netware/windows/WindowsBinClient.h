// SPDX-License-Identifier: GPL-3.0-or-later
// The recycle bins of the drives mounted here as a NetWare client: one server,
// WINDOWS, whose volumes are the drives, whose directories are the folders
// deleted items came from, and whose deleted files are the items. Purging an
// item deletes its $R and then its $I for good.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "netware/trash/FolderTreeClient.h"
#include "netware/windows/WindowsBins.h"

inline constexpr const char* WindowsServerName = "WINDOWS";

class WindowsBinClient : public FolderTreeClient {
public:
    // The environment is asked for at every reading of the bins (the system's
    // reads the mount table afresh, so a drive plugged in meanwhile is seen).
    // A reading serves a job: it is made again once it has gone unused for a
    // moment by the clock (tests give one of their own).
    using EnvironmentSource = std::function<WindowsBinEnvironment()>;
    explicit WindowsBinClient(EnvironmentSource source, Clock clock = std::chrono::steady_clock::now);
    ~WindowsBinClient() override;

    const WindowsBinIndex& Index() const { return index_; }

    std::unique_ptr<NWErrorTextLibrary> LoadErrorTextLibrary() override;

private:
    // A user's bin folder as opened for purges: from the root down, on the
    // drive's device, the very folder that was read.
    struct OpenBin {
        int fd = -1;
        int error = 0;
        std::string problem;
        ~OpenBin();
    };

    // Folders are the original paths as the index files hold them.
    const TrashIndex& Tree() const override { return index_.folders; }
    void ReadStores() override;
    void ReportProblems() override;
    const OpenBin& OpenedBin(size_t bin);
    // The items are the bins' items, of every user, purged as their drive's owner.
    bool IsPurged(size_t item) const override { return index_.items[item].purged; }
    const std::string& ListedName(size_t item) const override { return index_.items[item].name; }
    DeletedRecordValues RecordOf(size_t item, nuint32 folder) const override;
    const OwnerIdentity& PurgerOf(size_t item) const override;
    NWCCODE PurgeItem(size_t item) override;
    // The deleting users: their security ids, or names from a user mapping.
    bool UserName(nuint32 id, std::string& name) const override;

    EnvironmentSource source_;
    WindowsBinIndex index_;
    std::map<size_t, std::unique_ptr<OpenBin>> openBins_;
    std::set<std::string> reportedProblems_;
};
