// SPDX-License-Identifier: GPL-3.0-or-later
// The status bar's opener: what counts as a web address, a local path or a
// server path, and that nothing is ever run, not even a program planted where
// a path or address would lead a launcher that runs files. The launcher is
// captured: no test starts a process.
#include "util/OpenTarget.h"
#include "util/ShellLaunch.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class OpenTargetTest : public testing::Test {
protected:
    void SetUp() override
    {
        previous_ = SetLauncher([this](const LaunchRequest& r) {
            captured_.push_back(r);
            return LaunchStarted;
        });
        // Programs planted in the working folder: "project" beside a folder
        // "project x", and one at the path the web address reads as.
        cwd_ = fs::current_path();
        fs::current_path(root_);
        fs::create_directory("https:");
        for (const char* name : {"project", "https:/morvane.example.org"}) {
            std::ofstream(name) << "#!/bin/sh\ntouch planted-program-ran\n";
            fs::permissions(name, fs::perms::owner_all, fs::perm_options::add);
        }
        fs::create_directory("project x");
    }
    void TearDown() override
    {
        fs::current_path(cwd_);
        SetLauncher(previous_);
    }

    QTemporaryDir dir_;
    std::string root_ = dir_.path().toStdString();
    fs::path cwd_;
    std::vector<LaunchRequest> captured_;
    Launcher previous_;
};

}  // namespace

TEST_F(OpenTargetTest, ClassifiesAddressesAndPaths)
{
    const struct {
        std::string text;
        OpenTarget kind;
    } cases[] = {
        {"https://morvane.example.org", OpenTarget::WebAddress},
        {"HTTP://example.org/a?b=c", OpenTarget::WebAddress},
        {"mailto:admin@example.org", OpenTarget::WebAddress},
        {"https:/morvane.example.org", OpenTarget::None},
        {"mailto:", OpenTarget::None},
        {"https://example.org/a b", OpenTarget::None},
        {"file:///etc/passwd", OpenTarget::None},
        {"\\\\FS1\\DATA\\HOME", OpenTarget::ServerPath},
        {"DATA:HOME\\JSMITH", OpenTarget::ServerPath},
        {root_ + "/project x", OpenTarget::LocalPath},
        {root_ + "/missing", OpenTarget::None},
        {"project x", OpenTarget::None},
        {"", OpenTarget::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClassifyOpenTarget(c.text), c.kind) << c.text;
}

// The folder, the executable itself and the address each go whole to the
// opener as its one argument; nothing else starts anything.
TEST_F(OpenTargetTest, OnlyAddressesAndLocalPathsReachTheOpenerWhole)
{
    for (const std::string& text :
         std::vector<std::string>{root_ + "/project x", root_ + "/project", "https://morvane.example.org"}) {
        captured_.clear();
        EXPECT_EQ(ShellOpenTarget(text), LaunchStarted) << text;
        ASSERT_EQ(captured_.size(), 1u) << text;
        EXPECT_TRUE(captured_[0].openOnly);
        EXPECT_EQ(BuildLaunchPlan(captured_[0]).argv, (std::vector<std::string>{"xdg-open", text}));
    }
    captured_.clear();
    for (const std::string text : {"", "project", "./project", "\\\\FS1\\DATA", "DATA:HOME", "echo hi"})
        EXPECT_EQ(ShellOpenTarget(text), LaunchFileNotFound) << text;
    EXPECT_TRUE(captured_.empty());
}
