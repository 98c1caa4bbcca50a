// The status bar's opener: what counts as a web address, a local path or a
// server path, and that nothing is ever run, even a program planted where a
// path or address would lead a launcher that runs files. The launcher is
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
        root_ = dir_.path().toStdString();
        previous_ = SetLauncher([this](const LaunchRequest& r) {
            captured_.push_back(r);
            return LaunchStarted;
        });
    }
    void TearDown() override { SetLauncher(previous_); }

    std::string Program(const std::string& relative)
    {
        const fs::path p = fs::path(root_) / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p) << "#!/bin/sh\ntouch planted-program-ran\n";
        fs::permissions(p, fs::perms::owner_all, fs::perm_options::add);
        return p.string();
    }

    // The one argument vector the real launcher would start for the text.
    std::vector<std::string> Opened(const std::string& text)
    {
        captured_.clear();
        EXPECT_EQ(ShellOpenTarget(text), LaunchStarted) << text;
        if (captured_.size() != 1)
            return {};
        EXPECT_TRUE(captured_[0].openOnly);
        return BuildLaunchPlan(captured_[0]).argv;
    }

    QTemporaryDir dir_;
    std::string root_;
    std::vector<LaunchRequest> captured_;
    Launcher previous_;
};

}  // namespace

TEST_F(OpenTargetTest, ClassifiesAddressesAndPaths)
{
    fs::create_directories(root_ + "/My Docs");
    const struct {
        std::string text;
        OpenTarget kind;
    } cases[] = {
        {"https://morvane.example.org", OpenTarget::WebAddress},
        {"HTTP://example.org/a?b=c", OpenTarget::WebAddress},
        {"ftp://files.example.org/pub", OpenTarget::WebAddress},
        {"mailto:admin@example.org", OpenTarget::WebAddress},
        {"https:/morvane.example.org", OpenTarget::None},
        {"https://", OpenTarget::None},
        {"mailto:", OpenTarget::None},
        {"https://example.org/a b", OpenTarget::None},
        {"file:///etc/passwd", OpenTarget::None},
        {"\\\\FS1\\DATA\\HOME", OpenTarget::ServerPath},
        {"DATA:HOME\\JSMITH", OpenTarget::ServerPath},
        {"SYS:", OpenTarget::ServerPath},
        {root_ + "/My Docs", OpenTarget::LocalPath},
        {root_ + "/missing", OpenTarget::None},
        {"My Docs", OpenTarget::None},
        {"", OpenTarget::None},
        {"\\\\", OpenTarget::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClassifyOpenTarget(c.text), c.kind) << c.text;
}

// A folder "project x" beside an executable "project": the folder is opened
// whole, and an executable itself is opened as a document, never run.
TEST_F(OpenTargetTest, LocalPathIsHandedWholeToTheOpener)
{
    const std::string program = Program("share/project");
    const std::string folder = root_ + "/share/project x";
    fs::create_directories(folder);
    EXPECT_EQ(Opened(folder), (std::vector<std::string>{"xdg-open", folder}));
    EXPECT_EQ(Opened(program), (std::vector<std::string>{"xdg-open", program}));
}

// Started from a folder holding an executable https:/morvane.example.org, the
// address still goes to the opener as an address.
TEST_F(OpenTargetTest, PlantedProgramNamedLikeTheAddressIsNotRun)
{
    Program("https:/morvane.example.org");
    const fs::path cwd = fs::current_path();
    fs::current_path(root_);
    const auto argv = Opened("https://morvane.example.org");
    fs::current_path(cwd);
    EXPECT_EQ(argv, (std::vector<std::string>{"xdg-open", "https://morvane.example.org"}));
}

TEST_F(OpenTargetTest, AnythingElseStartsNothing)
{
    Program("tool");
    const fs::path cwd = fs::current_path();
    fs::current_path(root_);
    for (const std::string text : {"", "tool", "./tool", "\\\\FS1\\DATA", "DATA:HOME", "https:/x", "echo hi"})
        EXPECT_EQ(ShellOpenTarget(text), LaunchFileNotFound) << text;
    fs::current_path(cwd);
    EXPECT_TRUE(captured_.empty());
}
