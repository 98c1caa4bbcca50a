// SPDX-License-Identifier: GPL-3.0-or-later
// The rules root's sweep judges a trash can by: which names give a user id,
// and which folders it relies on, by who owns them and who else may write.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "netware/trash/OwnedFolders.h"
#include "netware/trash/TrashCans.h"

namespace {

TEST(TrashCanRulesTest, OnlyPlainDecimalUserIdsNameACan)
{
    struct Case {
        const char* digits;
        bool valid;
        uid_t uid;
        const char* why;
    };
    const Case cases[] = {
        {"0", true, 0, ""},
        {"2002", true, 2002, ""},
        {"4294967294", true, 4294967294u, ""},
        {"02002", false, 0, "02002 has a leading zero"},
        {"00", false, 0, "00 has a leading zero"},
        {"4294967295", false, 0, "4294967295 is beyond the largest user id, 4294967294"},
        {"4294969298", false, 0, "4294969298 is beyond the largest user id, 4294967294"},
        {"99999999999999999999999", false, 0, "99999999999999999999999 is beyond the largest user id, 4294967294"},
        {"", false, 0, "\"\" is not a decimal number"},
        {"+12", false, 0, "\"+12\" is not a decimal number"},
    };
    for (const Case& c : cases) {
        uid_t uid = 7;
        std::string why;
        EXPECT_EQ(UserIdOfCanName(c.digits, uid, why), c.valid) << c.digits;
        if (c.valid) {
            EXPECT_EQ(uid, c.uid) << c.digits;
        }
        EXPECT_EQ(why, c.why) << c.digits;
    }
}

TEST(TrashCanRulesTest, OthersMayWriteOnlyWhereTheStickyBitKeepsTheOwnersEntries)
{
    constexpr uid_t Owner = 2001;
    struct Case {
        uid_t folderOwner;
        mode_t mode;
        bool rootAllowed;
        OthersMayWrite others;
        const char* problem;  // empty when the folder fits
    };
    const Case cases[] = {
        {Owner, 0700, false, OthersMayWrite::Never, ""},
        {Owner, 0755, false, OthersMayWrite::OnlyWithStickyBit, ""},
        {0, 0755, true, OthersMayWrite::OnlyWithStickyBit, ""},
        {0, 01777, true, OthersMayWrite::OnlyWithStickyBit, ""},
        {0, 03775, true, OthersMayWrite::OnlyWithStickyBit, ""},
        {0, 0755, false, OthersMayWrite::OnlyWithStickyBit, "/v belongs to user 0, not to user 2001"},
        {2002, 0700, true, OthersMayWrite::OnlyWithStickyBit, "/v belongs to user 2002, not to user 2001"},
        {0, 02775, true, OthersMayWrite::OnlyWithStickyBit,
         "/v may be changed by users other than root and user 2001 (it is group- or world-writable without the "
         "sticky bit)"},
        {Owner, 0757, false, OthersMayWrite::OnlyWithStickyBit,
         "/v may be changed by users other than root and user 2001 (it is group- or world-writable without the "
         "sticky bit)"},
        {Owner, 01770, false, OthersMayWrite::Never,
         "/v may be changed by users other than root and user 2001 (it is group- or world-writable)"},
    };
    for (const Case& c : cases) {
        struct stat info{};
        info.st_uid = c.folderOwner;
        info.st_mode = S_IFDIR | c.mode;
        std::string problem;
        EXPECT_EQ(FolderFitForOwner(info, Owner, c.rootAllowed, c.others, "/v", problem), !*c.problem)
            << std::oct << c.mode;
        EXPECT_EQ(problem, c.problem) << std::oct << c.mode;
    }
}

}  // namespace
