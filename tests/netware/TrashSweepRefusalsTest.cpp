// SPDX-License-Identifier: GPL-3.0-or-later
// What root's sweep refuses, and that it says so: a way to a can that users
// other than its owner may change, a folder in a can that others may write to,
// can names that give no user id, a home that leads into another user's, and
// whatever it cannot list or size, each a line naming what, where and why.
#include "tests/netware/TrashSweepFixture.h"

#include <grp.h>

namespace {

using namespace trash_sweep;
namespace fs = std::filesystem;

constexpr gid_t Staff = 47020;  // a group both users are members of

// Whether one line holds every one of the texts.
bool AnyLineWith(const std::vector<std::string>& lines, std::initializer_list<std::string> texts)
{
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return std::all_of(texts.begin(), texts.end(),
                           [&](const std::string& text) { return line.find(text) != std::string::npos; });
    });
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

class TrashSweepRefusalsTest : public TrashSweepAsRootTest {
protected:
    // A folder below base as the mount point of a volume of its own, owned by
    // root and the staff group, with that mode.
    std::string SharedMount(const std::string& name, mode_t mode)
    {
        const std::string mount = base + "/" + name;
        fs::create_directory(mount);
        EXPECT_EQ(chown(mount.c_str(), 0, Staff), 0);
        EXPECT_EQ(chmod(mount.c_str(), mode), 0);
        environment.mountPoints.push_back(mount);
        return mount;
    }
    std::string VolumeOf(const std::string& mount) const
    {
        return volume + "_" + VolumeNameOfMountPoint(mount.substr(base.size()));
    }
    static bool MakeCan(const std::string& can)
    {
        return fs::create_directories(can + "/files") && fs::create_directories(can + "/info");
    }
};

// Mallory may write to the mount top, as the victim's fellow member of staff:
// she cannot delete the victim's files below it, but without the sticky bit
// she can put one of the victim's folders where the victim's can was.
TEST_F(TrashSweepRefusalsTest, AWayToACanThatOthersMayChangeIsRefusedAndTheSwappedFolderStaysIntact)
{
    const std::string vol = SharedMount("vol", 03775);
    const std::string can = vol + "/.Trash-" + std::to_string(Victim);
    ASSERT_TRUE(AsUser(Victim, [&] {
        fs::create_directories(vol + "/site/files");
        Write(vol + "/site/files/upload1.pdf", "one");
        Write(vol + "/site/files/upload2.pdf", "two");
        return MakeCan(can);
    }, {Staff}));
    ASSERT_TRUE(Trash(Victim, can, "old.txt", "old", "docs/old.txt"));
    auto swap = [&] {
        return unlink((vol + "/site/files/upload1.pdf").c_str()) != 0 && rename(can.c_str(), (vol + "/.old").c_str()) == 0 &&
               rename((vol + "/site").c_str(), can.c_str()) == 0;
    };
    EXPECT_FALSE(AsUser(Mallory, swap, {Staff})) << "the sticky bit keeps the victim's folders in place";
    {
        TrashClient client(environment);
        EXPECT_EQ(Scan(client, Open(client), VolumeOf(vol) + ":docs", false).size(), 1u) << "with it the can is used";
    }

    ASSERT_EQ(chmod(vol.c_str(), 02775), 0);
    ASSERT_TRUE(AsUser(Mallory, swap, {Staff}));
    TrashClient client(environment);
    const NWCONN_HANDLE conn = Open(client);
    const auto lines = LinesOfResolving(client, VolumeOf(vol));
    EXPECT_TRUE(AnyLineWith(lines, {"Trash can " + can + " is not used: " + vol +
                                        " may be changed by users other than root and user " +
                                        std::to_string(Victim) + " (it is group- or world-writable without the "
                                                                 "sticky bit)"}))
        << Joined(lines);
    EXPECT_TRUE(Scan(client, conn, VolumeOf(vol) + ":" + UnknownOriginDirectory, true).empty());
    EXPECT_EQ(Read(can + "/files/upload1.pdf"), "one");
    EXPECT_EQ(Read(can + "/files/upload2.pdf"), "two");
}

// The victim trashed a project with a folder staff may write to; mallory moves
// in a folder of the victim's she may move but not empty. The purge does not
// enter the shared folder, so nothing of the victim's that mallory could not
// delete is deleted.
TEST_F(TrashSweepRefusalsTest, APurgeDoesNotEmptyAFolderInTheCanThatOthersMayWriteTo)
{
    const std::string vol = SharedMount("vol", 02775);
    const std::string shared = Can(Victim) + "/files/proj/shared";
    ASSERT_TRUE(AsUser(
        Victim,
        [&] {
            fs::create_directories(vol + "/team/private");
            Write(vol + "/team/private/plan.txt", "plan");
            fs::create_directories(shared);
            return chown((vol + "/team").c_str(), -1, Staff) == 0 && chmod((vol + "/team").c_str(), 03775) == 0 &&
                   chown(shared.c_str(), -1, Staff) == 0 && chmod(shared.c_str(), 03775) == 0;
        },
        {Staff}));
    ASSERT_TRUE(Trash(Victim, Can(Victim), "proj", nullptr, base + "/docs/proj"));
    ASSERT_TRUE(AsUser(
        Mallory,
        [&] {
            return unlink((vol + "/team/private/plan.txt").c_str()) != 0 &&
                   rename((vol + "/team").c_str(), (shared + "/team").c_str()) == 0;
        },
        {Staff}));

    TrashClient client(environment);
    const InstalledBackend installed(client);
    std::vector<NWCCODE> failures;
    EXPECT_EQ(Scan(client, Open(client), Folder("docs"), true, &failures).size(), 1u);
    ASSERT_EQ(failures, std::vector<NWCCODE>{0x898A});
    EXPECT_NE(NWErrorText(0x898A).find(shared + " may be changed by users other than root and user " +
                                       std::to_string(Victim) + " (it is group- or world-writable)"),
              std::string::npos)
        << NWErrorText(0x898A);
    EXPECT_EQ(Read(shared + "/team/private/plan.txt"), "plan");
}

// Each thing the sweep cannot list, size or use gives a line naming it and
// why, and is counted as skipped work (an automatic run then ends with 3).
TEST_F(TrashSweepRefusalsTest, WhatCannotBeListedSizedOrUsedGivesALineEach)
{
    // Mallory's files/ can be read but not searched: nothing in it can be looked at.
    ASSERT_TRUE(AsUser(Mallory, [&] {
        Write(Can(Mallory) + "/files/loose.txt", "no .trashinfo");
        return true;
    }));
    ASSERT_TRUE(Trash(Mallory, Can(Mallory), "listed.txt", "l", base + "/docs/listed.txt"));
    ASSERT_TRUE(AsUser(Mallory, [&] { return chmod((Can(Mallory) + "/files").c_str(), 0400) == 0; }));
    // A folder of the victim's trashed tree that she cannot read.
    ASSERT_TRUE(AsUser(Victim, [&] {
        fs::create_directories(Can(Victim) + "/files/tree/closed");
        Write(Can(Victim) + "/files/tree/closed/inside", "x");
        return chmod((Can(Victim) + "/files/tree/closed").c_str(), 0) == 0;
    }));
    ASSERT_TRUE(Trash(Victim, Can(Victim), "tree", nullptr, base + "/docs/tree"));
    // A shared .Trash that is a link, and one without its sticky bit.
    fs::create_directory_symlink(base + "/shared", base + "/mnt/.Trash");
    const std::string plain = SharedMount("plain", 0755);
    fs::create_directory(plain + "/.Trash");
    chmod((plain + "/.Trash").c_str(), 0777);
    // The victim's can where she cannot even pass.
    const std::string closed = SharedMount("closed", 0700), unreachable = closed + "/.Trash-" + std::to_string(Victim);
    ASSERT_TRUE(MakeCan(unreachable));
    ASSERT_EQ(chown(unreachable.c_str(), Victim, Victim), 0);

    TrashClient client(environment);
    const std::int32_t reportedBefore = SkippedWorkReports();
    const auto lines = LinesOfResolving(client, volume);
    const std::string mallorys = "Trash can " + Can(Mallory) + ": files/";
    const std::vector<std::vector<std::string>> expected = {
        {mallorys + "loose.txt cannot be looked at (Permission denied): it is neither listed nor purged"},
        {mallorys + "listed.txt cannot be looked at (Permission denied): its size is not known"},
        {"Trash can " + Can(Victim) + ": the size of files/tree is not known in full: files/tree/closed cannot be "
                                      "read: Permission denied"},
        {"Trash can " + base + "/mnt/.Trash is not used: it is a symbolic link"},
        {"Trash can " + plain + "/.Trash is not used: it is shared by every user but has no sticky bit"},
        {"Trash can " + unreachable + " is not used: " + closed + " cannot be passed by user " +
         std::to_string(Victim) + ": Permission denied"},
    };
    for (const auto& texts : expected)
        EXPECT_TRUE(AnyLineWith(lines, {texts[0]})) << texts[0] << "\nnot in\n" << Joined(lines);
    EXPECT_GE(SkippedWorkReports() - reportedBefore, static_cast<std::int32_t>(expected.size()));
    ASSERT_EQ(boxes.Texts().size(), 1u) << "one box for all";
    EXPECT_NE(boxes.Texts()[0].find("loose.txt"), std::string::npos);
    EXPECT_TRUE(LinesOfResolving(client, volume).size() >= expected.size()) << "every job's list has them";
    EXPECT_EQ(boxes.Texts().size(), 1u) << "the box is not shown again";
}

TEST_F(TrashSweepRefusalsTest, CanNamesThatGiveNoUserIdAreRefusedSayingWhy)
{
    const std::string mnt = base + "/mnt";
    for (const char* digits : {"99999999999999999999999", "4294969298", "4294967295"})
        ASSERT_TRUE(MakeCan(mnt + "/.Trash-" + digits));
    fs::create_directory(mnt + "/.Trash");
    chmod((mnt + "/.Trash").c_str(), 01777);
    const std::string zero = "0" + std::to_string(Victim);
    ASSERT_TRUE(AsUser(Victim, [&] { return MakeCan(mnt + "/.Trash-" + zero) && MakeCan(mnt + "/.Trash/" + zero); }));
    ASSERT_TRUE(Trash(Victim, mnt + "/.Trash-" + zero, "z.txt", "z", "docs/z.txt"));

    TrashClient client(environment);
    const NWCONN_HANDLE conn = Open(client);
    const auto lines = LinesOfResolving(client, volume + "_MNT");
    const std::string beyond = " is beyond the largest user id, 4294967294";
    for (const std::string& refused : {".Trash-99999999999999999999999 is not used: its name gives no user id: "
                                       "99999999999999999999999" + beyond,
                                       ".Trash-4294969298 is not used: its name gives no user id: 4294969298" + beyond,
                                       ".Trash-4294967295 is not used: its name gives no user id: 4294967295" + beyond,
                                       ".Trash-" + zero + " is not used: its name gives no user id: " + zero +
                                           " has a leading zero",
                                       ".Trash/" + zero + " is not used: its name gives no user id: " + zero +
                                           " has a leading zero"})
        EXPECT_TRUE(AnyLineWith(lines, {"Trash can " + mnt + "/" + refused})) << refused << "\n" << Joined(lines);
    EXPECT_FALSE(AnyLineWith(lines, {"Success"})) << Joined(lines);
    EXPECT_TRUE(Scan(client, conn, volume + "_MNT:docs", false).empty()) << "not user " << Victim << "'s can";

    // Acting as no user at all fails with a reason.
    try {
        const ActingAsOwner nobody(IdentityOfUser(static_cast<uid_t>(-1), static_cast<gid_t>(-1)));
        ADD_FAILURE() << "acted as user 4294967295";
    } catch (const OwnerIdentityError& e) {
        EXPECT_EQ(std::string(e.what()).find("Success"), std::string::npos) << e.what();
    }
}

// The victim's home is a link to mallory's: mallory's can is read and purged
// as hers, and the line says so rather than calling it not used.
TEST_F(TrashSweepRefusalsTest, AHomeLinkedIntoAnotherHomeSaysWhichCanWasUsedAndWhy)
{
    const std::string link = base + "/home/victim-link";
    fs::create_directory_symlink(Home(Mallory), link);
    environment.users[1].home = link;
    ASSERT_TRUE(Trash(Mallory, Can(Mallory), "m.txt", "m", base + "/docs/m.txt"));

    TrashClient client(environment);
    const NWCONN_HANDLE conn = Open(client);
    const auto lines = LinesOfResolving(client, volume);
    EXPECT_TRUE(AnyLineWith(lines, {"Trash can " + Can(Mallory) + " is read and purged as the can of user " +
                                    std::to_string(Mallory) + " only, not as that of user " +
                                    std::to_string(Victim) + ", whose home " + link + " leads there: " +
                                    Home(Mallory) + " belongs to user " + std::to_string(Mallory)}))
        << Joined(lines);
    const auto items = Scan(client, conn, Folder("docs"), true);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].owner, Mallory);
    EXPECT_FALSE(fs::exists(Can(Mallory) + "/files/m.txt"));
}

}  // namespace
