// SPDX-License-Identifier: GPL-3.0-or-later
// Which names of trash cans give a user id, as root's sweep reads them.
#include <gtest/gtest.h>

#include "netware/trash/TrashCans.h"

namespace {

TEST(TrashCanNamesTest, OnlyPlainDecimalUserIdsNameACan)
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

}  // namespace
