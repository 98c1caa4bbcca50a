// SPDX-License-Identifier: GPL-3.0-or-later
// "Keep only the newest" over two users' trash cans swept by root: an item
// weighs the space it takes on the disk, so a sparse file of one user pushes
// none of the other's items out of the budget; a file that really fills the
// disk does, as documented.
#include <QSpinBox>

#include <filesystem>
#include <fstream>
#include <memory>

#include "EngineFixture.h"
#include "app/BudgetPass.h"
#include "app/PurgeEngine.h"
#include "netware/trash/TrashClient.h"
#include "tests/common/AsUser.h"

namespace {

namespace fs = std::filesystem;

constexpr uid_t Owner = 47031, Other = 47032;

class TrashBudgetAsRootTest : public EngineFixture {
protected:
    void SetUp() override
    {
        EngineFixture::SetUp();
        if (geteuid() != 0)
            GTEST_SKIP() << "only root sweeps other users' trash cans";
        char pattern[] = "/tmp/morvane-budget-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        base = pattern;
        ASSERT_EQ(chmod(base.c_str(), 01777), 0);
        environment.mountPoints = {base};
        environment.everyUser = true;
        environment.users = {{Owner, "owner", "", Owner}, {Other, "other", "", Other}};
        keepNewest.setRange(1, 1000000);
        keepNewest.setValue(1);
        job.KeepNewestSpin = &keepNewest;
        job.UseKeepNewest = true;
        options.setItemIndex(2);  // purge without confirmation
        for (int i = 1; i <= 3; ++i)
            ASSERT_TRUE(Trash(Owner, "item" + std::to_string(i), 100 * 1024, "2024-03-0" + std::to_string(i)));
    }
    void TearDown() override
    {
        SetClientBackend(client.get());
        trash.reset();
        if (!base.empty())
            fs::remove_all(base);
        EngineFixture::TearDown();
    }

    std::string Can(uid_t uid) const { return base + "/.Trash-" + std::to_string(uid); }

    // Trashes a file of that size as its owner, deleted on that day: written
    // in full, or with sparse only its size set.
    bool Trash(uid_t uid, const std::string& name, std::uint64_t size, const std::string& day, bool sparse = false)
    {
        return AsUser(uid, [&] {
            fs::create_directories(Can(uid) + "/files");
            fs::create_directories(Can(uid) + "/info");
            const std::string file = Can(uid) + "/files/" + name;
            if (sparse)
                std::ofstream{file};
            else
                std::ofstream(file, std::ios::binary) << std::string(size, 'x');
            std::ofstream(Can(uid) + "/info/" + name + ".trashinfo")
                << "[Trash Info]\nPath=docs/" << name << "\nDeletionDate=" << day << "T12:00:00\n";
            return !sparse || truncate(file.c_str(), static_cast<off_t>(size)) == 0;
        });
    }

    // A job's start path over the volume's docs folder, read afresh.
    void RunJob()
    {
        trash = std::make_unique<TrashClient>(environment);
        SetClientBackend(trash.get());
        const std::string volume = VolumeNameOfMountPoint(base);
        std::string server, directory;
        ASSERT_EQ(0, SplitNetWarePath("\\\\TRASH\\" + volume, job.ConnHandle, server, job.VolumeName, directory));
        const std::string walkPath = volume + ":docs";
        PrepareStartPathBudgets(job, walkPath, WalkDirectories, true);
        WalkDirectoryTree(
            job.ConnHandle, walkPath, "*.*", WalkDirectories,
            [this](const std::string& path, const WalkEntry&, void*) { PurgeDirectoryCallback(job, path); }, nullptr,
            true);
    }
    bool OwnersItemsKept() const
    {
        for (int i = 1; i <= 3; ++i)
            if (!fs::exists(Can(Owner) + "/files/item" + std::to_string(i)))
                return false;
        return true;
    }

    std::string base;
    TrashEnvironment environment;
    QSpinBox keepNewest;
    std::unique_ptr<TrashClient> trash;
};

TEST_F(TrashBudgetAsRootTest, ASparseFileOfAnotherUserPushesNothingOutAFileThatFillsTheDiskDoes)
{
    ASSERT_TRUE(Trash(Other, "huge.img", 10ULL << 30, "2099-01-01", true));
    RunJob();
    EXPECT_TRUE(OwnersItemsKept()) << "a 10 GB file that takes no disk space weighs nothing";
    EXPECT_TRUE(fs::exists(Can(Other) + "/files/huge.img"));
    bool shownWithItsSize = false;
    for (const std::string& line : results.lines())
        shownWithItsSize = shownWithItsSize || line.rfind("     - huge.img  (10.00 GB)", 0) == 0;
    EXPECT_TRUE(shownWithItsSize) << "the list shows the file's size";

    fs::remove(Can(Other) + "/files/huge.img");
    fs::remove(Can(Other) + "/info/huge.img.trashinfo");
    ASSERT_TRUE(Trash(Other, "real.img", 10ULL << 20, "2099-01-01"));
    results.clear();
    RunJob();
    EXPECT_FALSE(OwnersItemsKept()) << "10 MB that really take the disk are the newest and fill the budget";
}

}  // namespace
