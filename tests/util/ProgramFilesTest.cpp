// SPDX-License-Identifier: GPL-3.0-or-later
// File names derived from paths and from the program's own path.
#include "util/ProgramFiles.h"

#include "util/PathParts.h"
#include "util/ProgramArguments.h"

#include <filesystem>
#include <gtest/gtest.h>

TEST(ForceExt, ReplacesAppendsAndRemoves)
{
    EXPECT_EQ(ForceExt("D:\\Apps\\Tool.exe", "txt"), "D:\\Apps\\Tool.txt");
    EXPECT_EQ(ForceExt("D:\\Apps\\Tool.exe", ".txt"), "D:\\Apps\\Tool.txt");
    EXPECT_EQ(ForceExt("D:\\Apps\\Tool", "txt"), "D:\\Apps\\Tool.txt");
    EXPECT_EQ(ForceExt("D:\\Apps\\Tool.exe", ""), "D:\\Apps\\Tool");
    EXPECT_EQ(ForceExt("D:\\Apps\\Tool", ""), "D:\\Apps\\Tool");
    EXPECT_EQ(ForceExt("x.tar.gz", "log"), ForceExt("x.tar.gz", ".log"));
    EXPECT_EQ(ForceExt("x.tar.gz", "log"), "x.tar.log");
    EXPECT_EQ(ForceExt("name.", "ini"), "name.ini");
    EXPECT_EQ(ForceExt("", "ini"), ".ini");
}

TEST(ForceExt, DotInADirectoryIsNoExtension)
{
    EXPECT_EQ(ForceExt("D:\\My.Apps\\Tool", "txt"), "D:\\My.Apps\\Tool.txt");
    EXPECT_EQ(ForceExt("/home/jo.smith/bin/morvane", "txt"), "/home/jo.smith/bin/morvane.txt");
    EXPECT_EQ(ForceExt("SYS.X:Tool", "ini"), "SYS.X:Tool.ini");
}

TEST(PathParts, DirectoryAndNameAtTheLastDelimiter)
{
    EXPECT_EQ(ExtractFilePath("D:\\My Tools\\app.exe"), "D:\\My Tools\\");
    EXPECT_EQ(ExtractFileName("D:\\My Tools\\app.exe"), "app.exe");
    EXPECT_EQ(ExtractFilePath("SYS:Tool.ini"), "SYS:");
    EXPECT_EQ(ExtractFileName("SYS:Tool.ini"), "Tool.ini");
    EXPECT_EQ(ExtractFilePath("/usr/bin/morvane"), "/usr/bin/");
    EXPECT_EQ(ExtractFileName("/usr/bin/morvane"), "morvane");
    EXPECT_EQ(ExtractFilePath("morvane"), "");
    EXPECT_EQ(ExtractFileName("morvane"), "morvane");
    EXPECT_EQ(ExtractFileName("/usr/bin/"), "");
}

TEST(ProgramFileExt, FollowsArgumentZero)
{
    auto saved = ProgramArguments();
    SetProgramArguments({"D:\\Apps\\Tool.exe", "auto"});
    EXPECT_EQ(ProgramFileExt("txt"), "D:\\Apps\\Tool.txt");
    SetProgramArguments({"D:\\Apps\\Tool"});
    EXPECT_EQ(ProgramFileExt("txt"), "D:\\Apps\\Tool.txt");
    SetProgramArguments({"/opt/morvane/bin/morvane"});
    EXPECT_EQ(ProgramFileExt("ini"), "/opt/morvane/bin/morvane.ini");
    SetProgramArguments(saved);
}

TEST(ProgramArguments, FromMainArgumentZeroIsTheRunningProgramsFullPath)
{
    auto saved = ProgramArguments();
    char arg0[] = "some/relative/name";
    char arg1[] = "log=x.txt";
    char* argv[] = {arg0, arg1, nullptr};
    SetProgramArguments(2, argv);
    const auto& args = ProgramArguments();
    ASSERT_EQ(args.size(), 2u);
    EXPECT_TRUE(std::filesystem::path(args[0]).is_absolute());
    EXPECT_TRUE(std::filesystem::equivalent(args[0], "/proc/self/exe"));
    EXPECT_EQ(args[1], "log=x.txt");
    SetProgramArguments(saved);
}
