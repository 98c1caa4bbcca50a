// SPDX-License-Identifier: GPL-3.0-or-later
// The shared table of completion-code texts and a back end's own texts over it.
#include <gtest/gtest.h>

#include "netware/CompletionCodes.h"

TEST(CompletionCodesTest, OwnTextsComeFirstThenTheSharedTable)
{
    auto library = MakeErrorTextLibrary({{ERR_IO_FAILURE, "Own words"}, {0x8001, "Own code"}});
    ASSERT_TRUE(library);
    EXPECT_TRUE(library->HasStrerror());
    EXPECT_EQ(library->NWstrerror(ERR_IO_FAILURE), "Own words");
    EXPECT_EQ(library->NWstrerror(0x8001), "Own code");
    EXPECT_EQ(library->NWstrerror(ERR_NO_FILES_FOUND), "No files found");
    EXPECT_EQ(library->NWstrerror(ERR_NO_SUCH_DELETED_FILE), "No such deleted file");
    EXPECT_EQ(library->NWstrerror(ERR_NO_MORE_DIR_HANDLES), "No more directory handles");
    EXPECT_EQ(library->NWstrerror(0x000A), "Unknown error");

    // Another back end's own texts are not seen.
    EXPECT_EQ(MakeErrorTextLibrary()->NWstrerror(ERR_IO_FAILURE), "Disk I/O failure");
    EXPECT_EQ(MakeErrorTextLibrary()->NWstrerror(0x8001), "Unknown error");
}

TEST(CompletionCodesTest, WithoutStrerrorEveryCodeIsUnknown)
{
    auto library = MakeErrorTextLibrary({{0x8001, "Own code"}}, false);
    EXPECT_FALSE(library->HasStrerror());
    EXPECT_EQ(library->NWstrerror(0x8001), "Unknown error");
    EXPECT_EQ(library->NWstrerror(ERR_INVALID_PATH), "Unknown error");
    EXPECT_EQ(SharedCodeText(0x000A), nullptr);
}

TEST(CompletionCodesTest, TheLastFailureNamesWhatItFailedOnInItsCodesTextOnly)
{
    auto library = MakeErrorTextLibrary({{ERR_IO_FAILURE, "Could not delete"}}, true, {ERR_IO_FAILURE, "a b.txt"});
    EXPECT_EQ(library->NWstrerror(ERR_IO_FAILURE), "Could not delete: a b.txt");
    EXPECT_EQ(library->NWstrerror(ERR_INVALID_PATH), "Invalid path");
    EXPECT_EQ(MakeErrorTextLibrary({}, true, {0x8001, "x"})->NWstrerror(0x8001), "Unknown error");
}
