// SPDX-License-Identifier: GPL-3.0-or-later
// Percent-encoded paths.
#include <gtest/gtest.h>

#include "util/PercentEncoding.h"

namespace {

TEST(PercentEncodingTest, DecodingKeepsBlanksAndLettersAndRefusesBrokenEscapes)
{
    EXPECT_EQ(PercentDecode("/home/a/%C3%A4%20b%25.txt"), std::optional<std::string>("/home/a/\xC3\xA4 b%.txt"));
    EXPECT_FALSE(PercentDecode("/a%2").has_value());
    EXPECT_FALSE(PercentDecode("/a%zz").has_value());
    EXPECT_FALSE(PercentDecode("/a%00b").has_value()) << "a NUL would cut the path short";
    EXPECT_EQ(PercentDecode(PercentEncode("d i r/\xC3\xA4%.x")), std::optional<std::string>("d i r/\xC3\xA4%.x"));
}

}  // namespace
