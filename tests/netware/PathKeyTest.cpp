// SPDX-License-Identifier: GPL-3.0-or-later
// Directory keys: one directory, however its path is written, has one key;
// different directories have different ones; a key made a name at a time is
// the key of the whole path.
#include <gtest/gtest.h>

#include "netware/PathKey.h"

namespace {

TEST(PathKeyTest, OneDirectoryOneKeyUnderTheStoresRule)
{
    const struct {
        const char* a;
        const char* b;
        NameCase rule;
        bool same;
    } rows[] = {
        {"VOL:DIR\\SUB", "VOL:\\DIR\\SUB\\", NameCase::Kept, true},
        {"VOL:DIR/SUB", "VOL:DIR\\\\SUB", NameCase::Kept, true},
        {"vol:Dir", "VOL:Dir", NameCase::Kept, true},
        {"VOL:dir", "VOL:DIR", NameCase::Kept, false},
        {"VOL:dir", "VOL:DIR", NameCase::Ignored, true},
        {"VOL:AB\\C", "VOL:A\\BC", NameCase::Kept, false},
        {"VOL:A", "VOL2:A", NameCase::Kept, false},
        {"VOL:", "VOL:A", NameCase::Kept, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.a) + " / " + row.b);
        EXPECT_EQ(PathKey::Of(row.a, row.rule) == PathKey::Of(row.b, row.rule), row.same);
    }
    EXPECT_EQ(PathKey::Of("VOL:", NameCase::Kept).Below("a", NameCase::Kept).Below("B", NameCase::Kept),
              PathKey::Of("VOL:a\\B", NameCase::Kept));
}

}  // namespace
