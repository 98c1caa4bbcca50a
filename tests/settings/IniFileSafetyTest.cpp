// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file under attack and under failure: names and values that would
// inject lines are refused, and a write the file system refuses or that breaks
// off midway leaves the old file whole and no temporary file behind.
#include "settings/IniFile.h"
#include "settings/IniTextFile.h"

#include "IniFileTestSupport.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string Original = "; keep me\r\n[S]\r\nk=old\r\n";

class IniFileSafety : public IniScratch {
protected:
    void SetUp() override
    {
        IniScratch::SetUp();
        Put("s.ini", Original);
    }

    void TearDown() override
    {
        SetIniWriteFault({});
        IniScratch::TearDown();
    }

    // Expects the call to raise IniFileError whose message holds every part.
    template <typename Call>
    void ExpectRefused(Call call, std::initializer_list<std::string> parts)
    {
        try {
            call();
            ADD_FAILURE() << "no IniFileError";
        } catch (const IniFileError& error) {
            for (const auto& part : parts)
                EXPECT_NE(std::string(error.what()).find(part), std::string::npos)
                    << "\"" << error.what() << "\" lacks \"" << part << "\"";
        }
    }

    void ExpectUntouched()
    {
        EXPECT_EQ(Bytes("s.ini"), Original);
        EXPECT_EQ(Entries(), std::set<std::string>{"s.ini"});
    }
};

TEST_F(IniFileSafety, NamesAndValuesThatWouldInjectLinesAreRefused)
{
    IniFile ini(PathOf("s.ini"));
    struct Case {
        std::string section, key, value, named;
    };
    const Case cases[] = {
        {"S", "a\nb", "v", "a\nb"},
        {"S", "a\rb", "v", "a\rb"},
        {"S", "k", "x\r\n[Evil]\r\nk=y", "k"},
        {"S", "k", "x\rz", "k"},
        {"S", "[Evil]", "v", "[Evil]"},
        {"S", " \t[Evil", "v]", "[Evil"},
        {"S", "a=b", "v", "a=b"},
        {"S", std::string("a\0b", 3), "v", "a"},
        {"S", "k", std::string("x\0y", 3), "k"},
        {"S", " ", "v", "empty key"},
        {"S]x", "k", "v", "S]x"},
        {"S\r\n[Evil", "k", "v", "S\r\n[Evil"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.named);
        ExpectRefused([&] { ini.WriteString(c.section, c.key, c.value); }, {c.named});
    }
    ExpectUntouched();
    EXPECT_EQ(ini.ReadSections(), std::vector<std::string>{"S"});
}

// A key line whose name begins with the bytes of a byte-order mark,
// brought to the top of a file without a mark by a write or a delete, keeps its
// name: it must not lose those bytes and then read as a header or another key.
TEST_F(IniFileSafety, KeyBeginningWithMarkBytesKeepsItsNameAtTheTop)
{
    const std::string mark = "\xEF\xBB\xBF";
    Put("top.ini", "[S]\r\nk=v\r\n");
    IniFile written(PathOf("top.ini"));
    written.WriteString("", mark + "[Evil]", "1");
    EXPECT_EQ(written.ReadSections(), std::vector<std::string>{"S"});
    EXPECT_EQ(written.ReadString("", mark + "[Evil]", "-"), "1");

    Put("deleted.ini", "a=1\r\n" + mark + "a=2\r\n");
    IniFile deleted(PathOf("deleted.ini"));
    deleted.DeleteKey("", "a");
    EXPECT_EQ(deleted.ReadString("", "a", "-"), "-");
    EXPECT_EQ(deleted.ReadString("", mark + "a", "-"), "2");

    IniFile utf16(PathOf("utf16.ini"));
    utf16.WriteString("", "\xFF\xFEk", "1");
    EXPECT_EQ(utf16.ReadString("", "\xFF\xFEk", "-"), "1");
}

TEST_F(IniFileSafety, RefusedNameNeverCreatesAFile)
{
    IniFile ini(PathOf("fresh.ini"));
    EXPECT_THROW(ini.WriteString("S", "a\nb", "v"), IniFileError);
    EXPECT_FALSE(Exists("fresh.ini"));
}

// Root could open the file for writing; the permission bits still count.
TEST_F(IniFileSafety, ReadOnlyFileRefusesWritesAndErases)
{
    ::chmod(PathOf("s.ini").c_str(), 0444);
    IniFile ini(PathOf("s.ini"));
    ExpectRefused([&] { ini.WriteString("S", "k", "new"); }, {PathOf("s.ini"), std::strerror(EACCES)});
    ExpectRefused([&] { ini.EraseSection("S"); }, {PathOf("s.ini"), std::strerror(EACCES)});
    ExpectRefused([&] { ini.DeleteKey("S", "k"); }, {PathOf("s.ini"), std::strerror(EACCES)});
    ExpectUntouched();
}

// A file this user may write is written, keeping its owner, group and mode:
// replaced where the new file can be given them, else rewritten in place (a
// shared 0666 file in a shared 0777 folder, one of another group).
TEST_F(IniFileSafety, FileThisUserMayWriteIsWrittenKeepingOwnerGroupAndMode)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can hand files to other owners for the test";
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    const gid_t member = 4242;    // a group nobody is given below
    const gid_t stranger = 4343;  // one nobody is not in
    ::chmod(dir_.c_str(), 0777);
    const struct {
        const char* name;
        uid_t owner;
        gid_t group;
        mode_t mode;
    } files[] = {{"member.ini", nobody->pw_uid, member, 0664},
                 {"stranger.ini", nobody->pw_uid, stranger, 0664},
                 {"root.ini", 0, member, 0664},
                 {"shared.ini", 0, 0, 0666}};
    for (const auto& file : files) {
        Put(file.name, Original);
        ASSERT_EQ(::chown(PathOf(file.name).c_str(), file.owner, file.group), 0);
        ::chmod(PathOf(file.name).c_str(), file.mode);
    }

    const std::string report = AsNobody({member}, [&] {
        for (const auto& file : files)
            IniFile(PathOf(file.name)).WriteString("S", "k", "new");
        return std::string();
    });
    EXPECT_EQ(report, "");
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        struct stat info {};
        ASSERT_EQ(::stat(PathOf(file.name).c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, file.owner);
        EXPECT_EQ(info.st_gid, file.group);
        EXPECT_EQ(info.st_mode & 07777, file.mode);
        EXPECT_EQ(Bytes(file.name), "; keep me\r\n[S]\r\nk=new\r\n");
    }
    EXPECT_EQ(Entries(), (std::set<std::string>{"s.ini", "member.ini", "stranger.ini", "root.ini", "shared.ini"}));
}

// List sections are erased and written anew at every save; when that gives the
// bytes the file holds, nothing is written, so a read-only file is no error.
TEST_F(IniFileSafety, SaveThatChangesNoByteWritesNothing)
{
    IniFile ini(PathOf("s.ini"));
    const auto save = [&] {
        ini.Transact([&] {
            for (const char* list : {"L1", "L2"}) {
                ini.EraseSectionAndDuplicates(list);
                ini.WriteString(list, "0", list);
            }
        });
    };
    save();
    const std::string saved = Bytes("s.ini");
    ::chmod(PathOf("s.ini").c_str(), 0444);
    EXPECT_NO_THROW(save());
    EXPECT_EQ(Bytes("s.ini"), saved);
    EXPECT_EQ(Entries(), std::set<std::string>{"s.ini"});
    ExpectRefused([&] { ini.WriteString("S", "k", "new"); }, {PathOf("s.ini"), std::strerror(EACCES)});
}

TEST_F(IniFileSafety, WritersInSeveralProcessesAtOnceLoseNoKeys)
{
    constexpr int Writers = 3;
    constexpr int KeysEach = 15;
    std::vector<pid_t> writers;
    for (int w = 0; w < Writers; ++w) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            int status = 0;
            try {
                IniFile ini(PathOf("s.ini"));
                for (int k = 0; k < KeysEach; ++k)
                    ini.WriteString("W" + std::to_string(w), "k" + std::to_string(k), "v");
            } catch (...) {
                status = 1;
            }
            ::_exit(status);
        }
        writers.push_back(pid);
    }
    for (const pid_t pid : writers) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    IniFile ini(PathOf("s.ini"));
    for (int w = 0; w < Writers; ++w)
        EXPECT_EQ(ini.ReadSection("W" + std::to_string(w)).size(), std::size_t{KeysEach}) << "writer " << w;
    EXPECT_EQ(ini.ReadString("S", "k", ""), "old");
    EXPECT_EQ(Entries(), std::set<std::string>{"s.ini"});
}

TEST_F(IniFileSafety, TemporaryFileOfAKilledWriterGoesAtTheNextWrite)
{
    const pid_t killed = ::fork();
    if (killed == 0) {
        SetIniWriteFault([](IniWriteStep step) { return step == IniWriteStep::Rename ? ::raise(SIGKILL) : 0; });
        IniFile(PathOf("s.ini")).WriteString("S", "k", "half");
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(killed, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    const std::string leftover = "s.ini.tmp-" + std::to_string(killed) + "-";
    // The file, the lock's sidecar and the temporary file the writer left.
    std::set<std::string> entries = Entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries.count("s.ini.lock"), 1u);
    EXPECT_EQ(entries.rbegin()->rfind(leftover, 0), 0u);

    // Those of another file and of a live process are none of its business.
    const std::string otherFile = "o.ini.tmp-" + std::to_string(killed) + "-0";
    const std::string live = "s.ini.tmp-" + std::to_string(::getpid()) + "-999";
    Put(otherFile, "");
    Put(live, "");
    IniFile(PathOf("s.ini")).WriteString("S", "k", "new");
    EXPECT_EQ(Bytes("s.ini"), "; keep me\r\n[S]\r\nk=new\r\n");
    EXPECT_EQ(Entries(), (std::set<std::string>{"s.ini", otherFile, live}));
}

TEST_F(IniFileSafety, ReadOnlyFolderRefusesWritesAndErases)
{
    // The file itself may be written: only the folder stands in the way. Root
    // passes any permission bits of a folder, so the check runs as nobody then.
    ::chmod(PathOf("s.ini").c_str(), 0666);
    ::chmod(dir_.c_str(), 0555);
    const auto check = [&] {
        std::string report;
        const auto expectRefused = [&](const std::string& name, const std::function<void()>& call) {
            try {
                call();
                report += name + " was written. ";
            } catch (const IniFileError& error) {
                const std::string text = error.what();
                if (text.find(PathOf(name)) == std::string::npos || text.find(std::strerror(EACCES)) == std::string::npos)
                    report += text + " ";
            }
        };
        IniFile ini(PathOf("s.ini"));
        expectRefused("s.ini", [&] { ini.WriteString("S", "k", "new"); });
        expectRefused("s.ini", [&] { ini.EraseSection("S"); });
        expectRefused("new.ini", [&] { IniFile(PathOf("new.ini")).WriteString("S", "k", "v"); });
        return report;
    };
    EXPECT_EQ(AsOrdinaryUser(check), "");
    ExpectUntouched();
}

TEST_F(IniFileSafety, FileThatCannotBeReadIsNeverOverwritten)
{
    // A folder where the file should be: unreadable for root as well.
    std::filesystem::create_directory(dir_ / "dir.ini");
    IniFile ini(PathOf("dir.ini"));
    EXPECT_EQ(ini.ReadString("S", "k", "def"), "def");
    ExpectRefused([&] { ini.WriteString("S", "k", "v"); }, {PathOf("dir.ini"), std::strerror(EISDIR)});
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / "dir.ini"));
}

TEST_F(IniFileSafety, MissingFoldersOfAGivenPathAreMadeForTheOwnerOnly)
{
    IniFile ini(PathOf("no/such/s.ini"));
    ini.WriteString("S", "k", "v");
    EXPECT_EQ(Bytes("no/such/s.ini"), "[S]\r\nk=v\r\n");
    for (const char* folder : {"no", "no/such"}) {
        struct stat info {};
        ASSERT_EQ(::stat(PathOf(folder).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0700u) << folder;
    }
}

class IniFileFailedStep : public IniFileSafety, public ::testing::WithParamInterface<IniWriteStep> {};

TEST_P(IniFileFailedStep, OldFileStaysWholeAndNoTemporaryFileRemains)
{
    const IniWriteStep failing = GetParam();
    std::vector<IniWriteStep> reached;
    SetIniWriteFault([&](IniWriteStep step) {
        reached.push_back(step);
        return step == failing ? ENOSPC : 0;
    });
    IniFile ini(PathOf("s.ini"));
    ExpectRefused([&] { ini.WriteString("S", "k", std::string(100000, 'n')); },
                  {PathOf("s.ini"), std::strerror(ENOSPC)});
    ExpectRefused([&] { ini.EraseSection("S"); }, {PathOf("s.ini"), std::strerror(ENOSPC)});
    ExpectUntouched();
    ASSERT_FALSE(reached.empty());
    EXPECT_EQ(reached.back(), failing);

    // Once the fault is gone the same write goes through.
    SetIniWriteFault({});
    ini.WriteString("S", "k", "new");
    EXPECT_EQ(Bytes("s.ini"), "; keep me\r\n[S]\r\nk=new\r\n");
    EXPECT_EQ(Entries(), std::set<std::string>{"s.ini"});
}

INSTANTIATE_TEST_SUITE_P(EachStep, IniFileFailedStep,
                         ::testing::Values(IniWriteStep::CreateTemporary, IniWriteStep::Write,
                                           IniWriteStep::Sync, IniWriteStep::Rename));

TEST_F(IniFileSafety, FailedFirstWriteLeavesNoFileAndNoFolder)
{
    const std::string config = PathOf("cfg");
    ScopedEnv xdg("XDG_CONFIG_HOME", config.c_str());

    SetIniWriteFault([](IniWriteStep step) { return step == IniWriteStep::CreateFolder ? EROFS : 0; });
    IniFile ini("morvane.ini");
    ExpectRefused([&] { ini.WriteString("S", "k", "v"); }, {config + "/morvane.ini", std::strerror(EROFS)});
    EXPECT_FALSE(Exists("cfg"));

    SetIniWriteFault([](IniWriteStep step) { return step == IniWriteStep::Rename ? EIO : 0; });
    EXPECT_THROW(ini.WriteString("S", "k", "v"), IniFileError);
    EXPECT_FALSE(Exists("cfg/morvane.ini"));
    EXPECT_TRUE(std::filesystem::is_empty(dir_ / "cfg"));
}

}  // namespace
