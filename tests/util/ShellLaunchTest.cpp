// SPDX-License-Identifier: GPL-3.0-or-later
// Splitting a command into file, parameters and folder, the built-ins, and the
// argument vectors the real launcher would start. The launcher is captured:
// no test starts a process.
#include "util/ShellLaunch.h"

#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>

namespace fs = std::filesystem;

namespace {

class ShellLaunchTest : public testing::Test {
protected:
    void SetUp() override
    {
        root_ = dir_.path().toStdString();
        previous_ = SetLauncher([this](const LaunchRequest& r) {
            captured_.push_back(r);
            return answer_;
        });
        if (const char* c = std::getenv("COMSPEC"))
            savedComspec_ = c;
        setenv("COMSPEC", "/usr/local/bin/cmd", 1);
    }
    void TearDown() override
    {
        SetLauncher(previous_);
        if (savedComspec_)
            setenv("COMSPEC", savedComspec_->c_str(), 1);
        else
            unsetenv("COMSPEC");
    }

    std::string File(const std::string& relative, bool executable = false)
    {
        fs::path p = fs::path(root_) / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p) << "#!/bin/sh\n";
        if (executable)
            fs::permissions(p, fs::perms::owner_all, fs::perm_options::add);
        return p.string();
    }
    std::string Folder(const std::string& relative)
    {
        fs::path p = fs::path(root_) / relative;
        fs::create_directories(p);
        return p.string();
    }
    const LaunchRequest& Launch(const std::string& command)
    {
        captured_.clear();
        ShellOpen(command);
        EXPECT_EQ(captured_.size(), 1u);
        return captured_.back();
    }

    QTemporaryDir dir_;
    std::string root_;
    std::vector<LaunchRequest> captured_;
    int answer_ = 42;
    Launcher previous_;
    std::optional<std::string> savedComspec_;
};

} // namespace

TEST(IsShellBuiltin, WholeWordsInAnyCase)
{
    for (const char* w : {"dir", "DIR", "Dir", "cd", "TrueName", "ver", "rd", "prompt"})
        EXPECT_TRUE(IsShellBuiltin(w)) << w;
    for (const char* w : {"dirx", "COPY2", "CO", "", " dir", "ls"})
        EXPECT_FALSE(IsShellBuiltin(w)) << w;
}

TEST(GetEnvVar, ValueOrEmptyAndAnyLetterCase)
{
    setenv("MORVANE_TEST_VAR", "value=1", 1);
    EXPECT_EQ(GetEnvVar("MORVANE_TEST_VAR"), "value=1");
    EXPECT_EQ(GetEnvVar("morvane_test_var"), "value=1");
    unsetenv("MORVANE_TEST_VAR");
    EXPECT_EQ(GetEnvVar("MORVANE_TEST_VAR"), "");
    EXPECT_EQ(GetEnvVar(""), "");
}

TEST_F(ShellLaunchTest, ProgramPathWithBlanksNeedsNoQuotes)
{
    const std::string app = File("My Tools/app.exe", true);
    const LaunchRequest& r = Launch(app + " -x y");
    EXPECT_EQ(r.operation, "open");
    EXPECT_EQ(r.file, app);
    EXPECT_EQ(r.parameters, "-x y");
    EXPECT_EQ(r.folder, root_ + "/My Tools/");
    EXPECT_EQ(r.showMode, 1);
    EXPECT_FALSE(r.commandInterpreter);
}

TEST_F(ShellLaunchTest, ShortestExistingRunOfWordsWins)
{
    const std::string a = File("a.exe");
    File("a.exe b");
    const LaunchRequest& r = Launch(a + " b c");
    EXPECT_EQ(r.file, a);
    EXPECT_EQ(r.parameters, "b c");
    EXPECT_EQ(r.folder, root_ + "/");
}

TEST_F(ShellLaunchTest, BuiltinsRunThroughTheCommandInterpreter)
{
    const LaunchRequest& r = Launch("dir D:\\");
    EXPECT_EQ(r.file, "/usr/local/bin/cmd");
    EXPECT_EQ(r.parameters, "/C dir D:\\");
    EXPECT_EQ(r.folder, "");
    EXPECT_TRUE(r.commandInterpreter);

    const LaunchRequest& e = Launch("echo hello");
    EXPECT_EQ(e.parameters, "/C echo hello");

    const LaunchRequest& notBuiltin = Launch("COPY2 a b");
    EXPECT_FALSE(notBuiltin.commandInterpreter);
    EXPECT_EQ(notBuiltin.file, "COPY2 a b");
    EXPECT_EQ(notBuiltin.parameters, "a b");
}

// No text reaches a shell unless the user named an interpreter on purpose.
TEST_F(ShellLaunchTest, WithoutComspecBuiltinsFail)
{
    unsetenv("COMSPEC");
    const LaunchRequest& r = Launch("echo hello; id");
    EXPECT_EQ(r.file, "");
    EXPECT_EQ(r.parameters, "/C echo hello; id");
    EXPECT_TRUE(r.commandInterpreter);
    EXPECT_EQ(BuildLaunchPlan(r).argv, std::vector<std::string>{});
    EXPECT_EQ(BuildLaunchPlan(r).failure, LaunchFileNotFound);
}

TEST_F(ShellLaunchTest, FolderIsHandedOverWholeEvenWithBlanks)
{
    const std::string folder = Folder("My Docs/Old Stuff");
    const LaunchRequest& r = Launch(folder);
    EXPECT_EQ(r.file, folder);
    EXPECT_EQ(r.folder, "");
    EXPECT_FALSE(r.commandInterpreter);
    EXPECT_EQ(BuildLaunchPlan(r).argv, (std::vector<std::string>{"xdg-open", folder}));
}

TEST_F(ShellLaunchTest, FolderNamedLikeACommandIsOpenedNotRun)
{
    const std::string folder = Folder("a; rm -rf ~");
    const LaunchRequest& r = Launch(folder);
    EXPECT_EQ(r.file, folder);
    EXPECT_FALSE(r.commandInterpreter);
    LaunchPlan plan = BuildLaunchPlan(r);
    EXPECT_EQ(plan.argv, (std::vector<std::string>{"xdg-open", folder}));
    EXPECT_EQ(plan.workingFolder, "");
}

TEST_F(ShellLaunchTest, WebAddressAndEmptyCommands)
{
    const LaunchRequest& web = Launch("https://www.example.com/morvane");
    EXPECT_EQ(web.file, "https://www.example.com/morvane");
    EXPECT_EQ(web.parameters, "");
    EXPECT_EQ(web.folder, "");
    EXPECT_EQ(BuildLaunchPlan(web).argv, (std::vector<std::string>{"xdg-open", "https://www.example.com/morvane"}));

    EXPECT_EQ(Launch("").file, "");
    const LaunchRequest& leading = Launch(" dir");
    EXPECT_EQ(leading.file, "");
    EXPECT_FALSE(leading.commandInterpreter);
    EXPECT_EQ(BuildLaunchPlan(leading).argv, std::vector<std::string>{});
    EXPECT_EQ(BuildLaunchPlan(leading).failure, LaunchFileNotFound);
}

TEST_F(ShellLaunchTest, ResultOfTheLauncherIsPassedOn)
{
    answer_ = 2;
    EXPECT_EQ(ShellOpen("whatever"), 2);
    answer_ = 42;
    EXPECT_EQ(ShellLaunch("whatever", 7), 42);
    EXPECT_EQ(captured_.back().showMode, 7);
}

TEST_F(ShellLaunchTest, PlanForAProgramIsAnArgumentVector)
{
    const std::string app = File("My Tools/app.exe", true);
    LaunchPlan plan = BuildLaunchPlan(Launch(app + " -x \"two words\" $(id);ls"));
    EXPECT_EQ(plan.argv, (std::vector<std::string>{app, "-x", "two words", "$(id);ls"}));
    EXPECT_EQ(plan.workingFolder, root_ + "/My Tools/");
}

TEST_F(ShellLaunchTest, PlanForAnInterpreterKeepsTheCommandLineWhole)
{
    LaunchPlan plan = BuildLaunchPlan(Launch("dir /tmp"));
    EXPECT_EQ(plan.argv, (std::vector<std::string>{"/usr/local/bin/cmd", "/C", "dir /tmp"}));
}

TEST_F(ShellLaunchTest, PlanOpensDocumentsAndRefusesMissingPaths)
{
    const std::string doc = File("notes.txt");  // not executable: opened, not run
    EXPECT_EQ(BuildLaunchPlan(Launch(doc + " extra")).argv, (std::vector<std::string>{"xdg-open", doc}));

    LaunchPlan missing = BuildLaunchPlan(Launch(root_ + "/nothing here"));
    EXPECT_TRUE(missing.argv.empty());
    EXPECT_EQ(missing.failure, LaunchFileNotFound);

    LaunchRequest dash;
    dash.file = "-rf";
    File("-rf");
    fs::path cwd = fs::current_path();
    fs::current_path(root_);
    EXPECT_EQ(BuildLaunchPlan(dash).argv, (std::vector<std::string>{"xdg-open", "./-rf"}));
    fs::current_path(cwd);
}

TEST_F(ShellLaunchTest, RealLauncherFailsWithoutStartingAnything)
{
    SetLauncher(nullptr);
    EXPECT_EQ(ShellOpen(""), LaunchFileNotFound);
    EXPECT_EQ(ShellOpen(" dir"), LaunchFileNotFound);
    EXPECT_EQ(ShellOpen(root_ + "/no such folder"), LaunchFileNotFound);
    unsetenv("COMSPEC");
    EXPECT_EQ(ShellOpen("echo started > " + root_ + "/marker"), LaunchFileNotFound);
    EXPECT_FALSE(fs::exists(root_ + "/marker"));
}

TEST(SplitArguments, BlanksControlCharactersAndQuotes)
{
    EXPECT_EQ(SplitArguments(""), std::vector<std::string>{});
    EXPECT_EQ(SplitArguments("  a \t b\n"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(SplitArguments("\"x y\" z"), (std::vector<std::string>{"x y", "z"}));
    EXPECT_EQ(SplitArguments("a\"b c\"d"), (std::vector<std::string>{"ab cd"}));
    EXPECT_EQ(SplitArguments("\"\""), (std::vector<std::string>{""}));
    EXPECT_EQ(SplitArguments("a;b|c&&d"), (std::vector<std::string>{"a;b|c&&d"}));
}
