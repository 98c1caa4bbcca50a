// SPDX-License-Identifier: GPL-3.0-or-later
// Root's sweep of two ordinary users' trash cans, made for the test: their
// homes and cans below a temporary folder, a shared folder and root's files
// beside them, and the scan of a folder as the purge job makes it.
#pragma once

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "netware/D_NW.h"
#include "netware/trash/TrashClient.h"
#include "tests/common/AsUser.h"
#include "tests/netware/TrashConnection.h"
#include "util/MessageBox.h"

namespace trash_sweep {

namespace fs = std::filesystem;

constexpr uid_t Mallory = 47011, Victim = 47012;

inline std::string Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void Write(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

struct Item {
    std::string name;
    nuint32 owner;
    nuint32 deleted;
    std::uint64_t size;
    std::uint64_t weight;  // under a budget
};

class TrashSweepAsRootTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (geteuid() != 0)
            GTEST_SKIP() << "only root sweeps other users' trash cans";
        char pattern[] = "/tmp/morvane-sweep-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        base = pattern;
        chmod(base.c_str(), 0755);
        for (const char* folder : {"/home", "/mnt", "/shared"})
            fs::create_directory(base + folder);
        chmod((base + "/mnt").c_str(), 01777);
        chmod((base + "/shared").c_str(), 01777);
        Write(base + "/shared/root-file", "root's");
        Write(base + "/root-secret", "root's secret");
        chmod((base + "/root-secret").c_str(), 0600);
        for (uid_t uid : {Mallory, Victim}) {
            const std::string home = Home(uid);
            fs::create_directory(home);
            ASSERT_EQ(chown(home.c_str(), uid, uid), 0);
            ASSERT_TRUE(AsUser(uid, [&] {
                fs::create_directories(home + "/.local/share/Trash/files");
                fs::create_directories(home + "/.local/share/Trash/info");
                return true;
            }));
        }
        ASSERT_TRUE(AsUser(Victim, [&] {
            Write(base + "/shared/victim-file", "victim's");
            return true;
        }));
        environment.mountPoints = {base, base + "/mnt"};
        environment.everyUser = true;
        environment.users = {{Mallory, "mallory", Home(Mallory), Mallory}, {Victim, "victim", Home(Victim), Victim}};
        volume = VolumeNameOfMountPoint(base);
    }
    void TearDown() override
    {
        if (base.empty())
            return;
        umount2((base + "/mnt").c_str(), MNT_DETACH);
        for (auto& entry : fs::recursive_directory_iterator(base))
            if (entry.is_directory() && !entry.is_symlink())
                chmod(entry.path().c_str(), 0755);
        fs::remove_all(base);
    }

    std::string Home(uid_t uid) const { return base + "/home/" + (uid == Mallory ? "mallory" : "victim"); }
    std::string Can(uid_t uid) const { return Home(uid) + "/.local/share/Trash"; }

    // Trashes an item as its owner: a file of that text (none for nullptr)
    // and its .trashinfo with that Path and date.
    bool Trash(uid_t uid, const std::string& can, const std::string& name, const char* text, const std::string& path,
               const std::string& date = "2024-03-01T13:45:07")
    {
        return AsUser(uid, [&] {
            if (text)
                Write(can + "/files/" + name, text);
            Write(can + "/info/" + name + ".trashinfo", "[Trash Info]\nPath=" + path + "\nDeletionDate=" + date + "\n");
            return true;
        });
    }
    // The volume path of a folder below base.
    std::string Folder(const std::string& relative) const { return volume + ":" + relative; }

    static NWCONN_HANDLE Open(TrashClient& client) { return OpenTrashConnection(client); }
    // Lists a folder and, with purge, purges every item in it as the purge
    // job does; the failed purges' codes are collected.
    std::vector<Item> Scan(TrashClient& client, NWCONN_HANDLE conn, const std::string& volumePath, bool purge,
                           std::vector<NWCCODE>* failures = nullptr)
    {
        std::vector<Item> items;
        ScanTrashFolder(client, conn, volumePath, [&](const NWDELETED_INFO& record, nuint32, auto& purgeIt) {
            items.push_back({record.name, record.deletorID, record.deletedDateAndTime, DeletedFileSize(record),
                             DeletedFileWeight(record)});
            const NWCCODE code = purge ? purgeIt() : 0;
            if (code && failures)
                failures->push_back(code);
            return !code || !client.FailedPurgeEndsScan();
        });
        return items;
    }
    void ExpectOthersIntact()
    {
        EXPECT_EQ(Read(base + "/shared/root-file"), "root's");
        EXPECT_EQ(Read(base + "/shared/victim-file"), "victim's");
        EXPECT_EQ(Read(base + "/root-secret"), "root's secret");
    }
    // Resolves the volume's path as a job's start path, in a job of its own:
    // the lines the client notes for the job's result list and log.
    static std::vector<std::string> LinesOfResolving(TrashClient& client, const std::string& volumeName)
    {
        TakeSkippedWorkLines();
        StartSkippedWorkLines();
        char server[256], vol[256], dir[256];
        NWCONN_HANDLE split = 0;
        client.SplitPathByClient(("\\\\TRASH\\" + volumeName).c_str(), server, split, vol, dir);
        return TakeSkippedWorkLines();
    }
    static bool AnyProblemMentions(const TrashClient& client, const std::string& text)
    {
        const auto& problems = client.Index().problems;
        return std::any_of(problems.begin(), problems.end(),
                           [&](const std::string& p) { return p.find(text) != std::string::npos; });
    }

    std::string base, volume;
    TrashEnvironment environment;
    MessageBoxRecorder boxes;
};

}  // namespace trash_sweep
