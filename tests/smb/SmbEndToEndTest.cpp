// SPDX-License-Identifier: GPL-3.0-or-later
// The built program run as "morvane client=smb auto" against the test smbd,
// whose recycle bins smbclient filled: what it lists and purges, what the
// server's file system and smbclient show afterwards, and how it fails.
#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <functional>
#include <fstream>
#include <iterator>
#include <sys/statvfs.h>
#include <unistd.h>

#include "SmbTestSupport.h"

namespace {

namespace fs = std::filesystem;

struct RunResult {
    int exitCode = -1;
    std::string errors;  // standard error: the boxes of a run without a screen
    std::string log;
};

class SmbEndToEndTest : public SmbServerTest {
protected:
    void SetUp() override
    {
        SmbServerTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        program_ = QCoreApplication::applicationDirPath() + "/morvane";
        if (!QFileInfo(program_).isExecutable())
            GTEST_SKIP() << "the program is not built";
    }

    // The default conditions: the pattern *.tmp, a size of at least
    // 4000000 kB and an age of 30 days, combined by Or.
    static constexpr const char* kOrConditions = "CheckBoxSizeLowerLimit=1\nFileSizeLowerLimit=4000000\n"
                                                 "CheckBoxAge=1\nFileOlderThan=30\nRadioGroupLogic=0\n"
                                                 "CheckBoxFilePatterns=1\n";

    // An automatic run over the recursive start paths.
    RunResult Run(const std::string& serversFile, const std::vector<std::string>& paths,
                  const std::string& conditions = kOrConditions)
    {
        std::string list = "[CheckListBoxQ]\n", checked = "[CheckListBoxQ Checked]\n";
        for (size_t i = 0; i < paths.size(); ++i) {
            list += std::to_string(i) + "=" + paths[i] + "\n";
            checked += paths[i] + "=1\n";
        }
        WriteFile(base_ / "morvane.ini",
                  "[Config]\n" + conditions + "\n[Config MemoExtList]\n0=*.tmp\n\n" + list + "\n" + checked);
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(base_.string()));
        env.insert("LC_ALL", "C.UTF-8");
        run.setProcessEnvironment(env);
        run.setWorkingDirectory(QString::fromStdString(base_.string()));
        run.start(program_, {"client=smb", "auto", QString::fromStdString("servers=" + serversFile),
                             QString::fromStdString("ini=" + (base_ / "morvane.ini").string()),
                             QString::fromStdString("log=" + (base_ / "result.log").string())});
        EXPECT_TRUE(run.waitForFinished(120000));
        return {run.exitCode(), run.readAllStandardError().toStdString(), ReadText(base_ / "result.log")};
    }

    QString program_;
};

TEST_F(SmbEndToEndTest, OrPurgesByPatternSizeAndAgeAcrossUsersAndLeavesExactlyTheKeptFiles)
{
    const SambaServer& s = *server_;
    s.Recycle(SambaServer::kBob, "users", "proj", "plan.odt", "kept: new, no pattern");
    s.Recycle(SambaServer::kBob, "users", "proj", "old.txt", "forty days old");
    s.Recycle(SambaServer::kBob, "users", "Fotos \xC3\x84 2", "bild \xC3\xBC.tmp", "pattern");
    s.Recycle(SambaServer::kBob, "users", "proj", "only.tmp", "pattern");
    s.Recycle(SambaServer::kAlice, "users", "proj", "alice.txt", "kept");
    s.Recycle(SambaServer::kBob, "nas", "d", "n.tmp", "pattern, flat repository");
    s.Recycle(SambaServer::kAlice, "nas", "d", "keep.doc", "kept");
    const fs::path users = s.ShareFolder("users") / ".recycle";
    SetAccessDaysAgo(users / SambaServer::kBob / "proj" / "old.txt", 40);
    // A 5 GiB file, sparse, put straight into the recycle bin.
    const fs::path big = users / SambaServer::kAlice / "big.iso";
    WriteFile(big, "", 0644);
    ASSERT_EQ(truncate(big.c_str(), 5LL << 30), 0);
    ASSERT_TRUE(fs::exists(users / SambaServer::kBob / "Fotos \xC3\x84 2" / "bild \xC3\xBC.tmp"))
        << "smbclient did not fill the recycle bin";

    const RunResult run = Run(ServersFile(Credentials(SambaServer::kAlice, SambaServer::kAlicePassword)),
                              {"\\\\FS1\\USERS", "\\\\FS1\\NAS"});
    EXPECT_EQ(run.exitCode, 0) << run.errors;

    EXPECT_NE(run.log.find("     + big.iso  (5.00 GB) [ Deleted: "), std::string::npos) << run.log;
    EXPECT_NE(run.log.find("by morvane-alice ]"), std::string::npos) << run.log;
    EXPECT_NE(run.log.find("users:\\Fotos \xC3\x84 2\r\n     + bild \xC3\xBC.tmp"), std::string::npos) << run.log;
    EXPECT_NE(run.log.find("     + old.txt  (  14) [ Deleted: "), std::string::npos) << run.log;
    EXPECT_NE(run.log.find("     - plan.odt"), std::string::npos) << run.log;
    // The repository's tree merges both users' folders: one proj directory.
    EXPECT_EQ(run.log.find("users:\\proj\r\n"), run.log.rfind("users:\\proj\r\n")) << run.log;

    EXPECT_EQ(TreeOf(users), (std::vector<std::string>{"morvane-alice/", "morvane-alice/proj/",
                                                       "morvane-alice/proj/alice.txt", "morvane-bob/",
                                                       "morvane-bob/proj/", "morvane-bob/proj/plan.odt"}));
    EXPECT_EQ(TreeOf(s.ShareFolder("nas") / "#recycle"), std::vector<std::string>{"keep.doc"});
    const std::string listing = s.Smbclient(SambaServer::kAlice, "users", "ls .recycle/morvane-bob/proj/*");
    EXPECT_NE(listing.find("plan.odt"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("old.txt"), std::string::npos) << listing;
}

TEST_F(SmbEndToEndTest, AndPurgesOnlyFilesMatchingEveryConditionInASharedRepository)
{
    const SambaServer& s = *server_;
    s.Recycle(SambaServer::kBob, "team", "x", "a.tmp", "old and pattern");
    s.Recycle(SambaServer::kBob, "team", "x", "b.tmp", "new");
    s.Recycle(SambaServer::kBob, "team", "x", "c.txt", "old, no pattern");
    const fs::path bin = s.ShareFolder("team") / ".recycle";
    SetAccessDaysAgo(bin / "x" / "a.tmp", 45);
    SetAccessDaysAgo(bin / "x" / "c.txt", 45);

    const RunResult run = Run(ServersFile(Credentials(SambaServer::kBob, SambaServer::kBobPassword)),
                              {"\\\\FS1\\TEAM\\x"}, "CheckBoxAge=1\nFileOlderThan=30\nRadioGroupLogic=1\nCheckBoxFilePatterns=1\n");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(TreeOf(bin), (std::vector<std::string>{"x/", "x/b.tmp", "x/c.txt"})) << run.log;
    EXPECT_NE(run.log.find("     + a.tmp"), std::string::npos) << run.log;
    // A shared repository does not say who deleted a file.
    EXPECT_NE(run.log.find("by [n/a] ]"), std::string::npos) << run.log;
}

// Where the server gives files' owners, a shared repository's files show
// who deleted them (an admin user of a share works there as root).
using SmbOwnersEndToEndTest = WithOwners<SmbEndToEndTest>;
TEST_F(SmbOwnersEndToEndTest, ASharedRepositoryShowsEachFilesOwnerAsItsDeletingUser)
{
    const SambaServer& s = *server_;
    s.Recycle(SambaServer::kBob, "team", "x", "his.tmp", "purged");
    s.Recycle(SambaServer::kBob, "team", "x", "his.doc", "kept");
    s.Recycle(SambaServer::kAlice, "team", "x", "hers.doc", "kept");
    const RunResult run =
        Run(ServersFile(Credentials(SambaServer::kAlice, SambaServer::kAlicePassword)), {"\\\\FS1\\TEAM\\x"});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    for (const auto& [line, user] : {std::pair{"+ his.tmp", SambaServer::kBob},
                                     std::pair{"- his.doc", SambaServer::kBob}, std::pair{"- hers.doc", "root"}}) {
        const size_t at = run.log.find(line);
        ASSERT_NE(at, std::string::npos) << line << "\n" << run.log;
        EXPECT_EQ(run.log.substr(run.log.find(" by ", at), run.log.find(" ]", at) - run.log.find(" by ", at)),
                  std::string(" by ") + user)
            << run.log;
    }
    EXPECT_EQ(TreeOf(s.ShareFolder("team") / ".recycle"), (std::vector<std::string>{"x/", "x/hers.doc", "x/his.doc"}));
}

// Five large recycled files (sparse), deleted a day apart, across both users'
// folders: the budget conditions order them by access time over the whole
// share, keep the newest and purge the oldest beyond the budget.
TEST_F(SmbEndToEndTest, BudgetConditionsPurgeTheOldestBeyondTheBudgetAndKeepTheNewest)
{
    const SambaServer& s = *server_;
    const fs::path bin = s.ShareFolder("users") / ".recycle";
    const std::vector<std::pair<const char*, const char*>> files{// oldest first
                                                                  {SambaServer::kBob, "d5.dat"},
                                                                  {SambaServer::kAlice, "d4.dat"},
                                                                  {SambaServer::kBob, "d3.dat"},
                                                                  {SambaServer::kAlice, "d2.dat"},
                                                                  {SambaServer::kBob, "d1.dat"}};
    const auto fill = [&](long long sizeMB) {
        s.ClearShares();
        int daysAgo = static_cast<int>(files.size());
        for (const auto& [user, name] : files) {
            s.Recycle(user, "users", "p", name, "x");
            const fs::path file = bin / user / "p" / name;
            EXPECT_EQ(truncate(file.c_str(), sizeMB << 20), 0) << file;
            SetAccessDaysAgo(file, daysAgo--);
        }
    };
    const std::string credentials = Credentials(SambaServer::kAlice, SambaServer::kAlicePassword);
    const std::vector<std::string> newestTwo{"morvane-alice/", "morvane-alice/p/", "morvane-alice/p/d2.dat",
                                             "morvane-bob/",   "morvane-bob/p/",   "morvane-bob/p/d1.dat"};
    const std::string off = "CheckBoxAge=0\nCheckBoxFilePatterns=0\nRadioGroupLogic=0\n";

    // 10000 MB keep the newest two files of 4000 MB; the three before them go.
    fill(4000);
    RunResult run = Run(ServersFile(credentials), {"\\\\FS1\\USERS"},
                        off + "CheckBoxKeepNewest=1\nKeepNewestSize=10000\n");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(TreeOf(bin), newestTwo) << run.log;
    EXPECT_NE(run.log.find("     + d3.dat"), std::string::npos) << run.log;
    EXPECT_NE(run.log.find("beyond the newest "), std::string::npos) << run.log;

    // M at least 3000 MB above the free space, on the limits' grid (steps of
    // 5 × 10^(digits - 2)); files of two thirds of the bytes to free: the
    // oldest two are needed, and a third of it either way absorbs what other
    // programs write to the disk meanwhile.
    struct statvfs st {};
    ASSERT_EQ(statvfs(s.ShareFolder("users").c_str(), &st), 0);
    const long long freeMB = static_cast<long long>(st.f_bavail * st.f_frsize >> 20);
    long long untilFree = freeMB + 3000, step = 5;
    for (long long v = untilFree; v >= 100; v /= 10)
        step *= 10;
    untilFree = (untilFree + step - 1) / step * step;
    fill((untilFree - freeMB) * 2 / 3);
    run = Run(ServersFile(credentials), {"\\\\FS1\\USERS"},
              off + "CheckBoxUntilFree=1\nUntilFreeSize=" + std::to_string(untilFree) + "\n");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(TreeOf(bin), (std::vector<std::string>{"morvane-alice/", "morvane-alice/p/", "morvane-alice/p/d2.dat",
                                                     "morvane-bob/", "morvane-bob/p/", "morvane-bob/p/d1.dat",
                                                     "morvane-bob/p/d3.dat"}))
        << run.log;
    EXPECT_NE(run.log.find("oldest, to free "), std::string::npos) << run.log;
}

TEST_F(SmbEndToEndTest, AccessDeniedOnOneFileIsReportedAndTheOthersArePurged)
{
    const SambaServer& s = *server_;
    s.Recycle(SambaServer::kBob, "team", "free", "one.tmp", "1");
    s.Recycle(SambaServer::kBob, "team", "locked", "two.tmp", "2");
    s.Recycle(SambaServer::kBob, "team", "free2", "three.tmp", "3");
    const fs::path bin = s.ShareFolder("team") / ".recycle";
    // Bob may read the folder but not delete in it.
    chown((bin / "locked").c_str(), 0, 0);
    fs::permissions(bin / "locked", fs::perms(0755));

    const RunResult run =
        Run(ServersFile(Credentials(SambaServer::kBob, SambaServer::kBobPassword)), {"\\\\FS1\\TEAM"});
    EXPECT_EQ(run.exitCode, 3) << run.errors;
    EXPECT_NE(run.errors.find("NWPurgeDeletedFile returned error 0x898A (Access denied)"), std::string::npos)
        << run.errors;
    EXPECT_EQ(TreeOf(bin), (std::vector<std::string>{"locked/", "locked/two.tmp"}));
}

TEST_F(SmbEndToEndTest, AUserFolderTheAccountMayNotReadIsReportedOnceAndSkipped)
{
    const SambaServer& s = *server_;
    s.Recycle(SambaServer::kAlice, "users", "p", "hers.tmp", "not bob's to see");
    s.Recycle(SambaServer::kBob, "users", "q", "his.tmp", "bob's own");
    const fs::path bin = s.ShareFolder("users") / ".recycle";
    ASSERT_TRUE(fs::exists(bin / SambaServer::kBob / "q" / "his.tmp"));

    const RunResult run =
        Run(ServersFile(Credentials(SambaServer::kBob, SambaServer::kBobPassword)), {"\\\\FS1\\USERS"});
    EXPECT_EQ(run.exitCode, 3) << run.errors;
    const std::string report = "Reading \\\\FS1\\users\\.recycle\\morvane-alice returned error 0x898A (Access denied)";
    EXPECT_NE(run.errors.find(report), std::string::npos) << run.errors;
    EXPECT_EQ(run.errors.find(report), run.errors.rfind(report)) << run.errors;
    EXPECT_EQ(TreeOf(bin), (std::vector<std::string>{"morvane-alice/", "morvane-alice/p/", "morvane-alice/p/hers.tmp",
                                                     "morvane-bob/"}));
}

TEST_F(SmbEndToEndTest, RefusedLogonsAndDeadServersEndWithStatusThreeAndPurgeNothing)
{
    const SambaServer& s = *server_;
    s.Recycle(SambaServer::kBob, "nas", "d", "n.tmp", "pattern");
    const std::vector<std::string> kept{"n.tmp"};
    const fs::path bin = s.ShareFolder("nas") / "#recycle";

    // Each case's servers file is written when its turn comes: they share
    // the file names.
    struct Case {
        const char* what;
        std::function<std::string()> servers;
        std::string message;
    };
    const int deadPort = UnusedPort();
    const std::vector<Case> cases{
        {"wrong password", [&] { return ServersFile(Credentials(SambaServer::kBob, "wrong")); },
         "returned error 0x89DE (The server refused the user name or password)"},
        {"nothing listens",
         [&] { return ServersFile(Credentials(SambaServer::kBob, SambaServer::kBobPassword), {}, deadPort); },
         "returned error 0x88FF (The server did not answer)"},
        {"credentials others may read",
         [&] { return ServersFile(Credentials(SambaServer::kBob, SambaServer::kBobPassword, 0644)); },
         "others may read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RunResult run = Run(c.servers(), {"\\\\FS1\\NAS", "\\\\FS1\\NAS\\d"});
        EXPECT_EQ(run.exitCode, 3) << run.errors;
        EXPECT_NE(run.errors.find(c.message), std::string::npos) << run.errors;
        // Reported once, though both start paths are on the server.
        EXPECT_EQ(run.errors.find("\\\\FS1"), run.errors.rfind("\\\\FS1")) << run.errors;
        EXPECT_EQ(run.errors.find("secret"), std::string::npos) << run.errors;
        EXPECT_EQ(TreeOf(bin), kept);
    }
}

// Without Repository= the per-user bin is found from the server, and the
// admin has no bin folder of its own yet: every selected file of several
// folders goes in one run, for real (nothing is moved into the admin's bin).
TEST_F(SmbEndToEndTest, APerUserBinWithoutRepositoryIsPurgedForRealByAnAdminWithoutABinFolder)
{
    const SambaServer& s = *server_;
    for (const char* folder : {"p1", "p2", "p3"})
        for (const char* name : {"a.tmp", "b.tmp"})
            s.Recycle(SambaServer::kBob, "users", folder, name, folder);
    s.Recycle(SambaServer::kBob, "users", "p1", "keep.doc", "kept");
    ASSERT_FALSE(fs::exists(s.ShareFolder("users") / ".recycle" / SambaServer::kAlice));

    const RunResult run = Run(ServersFile(Credentials(SambaServer::kAlice, SambaServer::kAlicePassword), {}, 0, false),
                              {"\\\\FS1\\USERS"});
    EXPECT_EQ(run.exitCode, 0) << run.errors << run.log;
    std::vector<std::string> files;
    for (const std::string& entry : TreeOf(s.ShareFolder("users")))
        if (entry.back() != '/')
            files.push_back(entry);
    EXPECT_EQ(files, std::vector<std::string>{".recycle/morvane-bob/p1/keep.doc"}) << run.log;
    EXPECT_NE(run.log.find("users:\\p3\r\n     + "), std::string::npos) << run.log;
    EXPECT_NE(run.log.find("by morvane-bob ]"), std::string::npos) << run.log;
}

// A server that takes the connection and never answers: one time-out, one
// report naming it, and the job goes on with the next server's start path.
TEST_F(SmbEndToEndTest, AHungServerIsReportedOnceAndTheJobGoesOnWithTheNextStartPath)
{
    const SambaServer& s = *server_;
    s.Recycle(SambaServer::kBob, "nas", "d", "n.tmp", "pattern");
    const int hung = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(hung, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(hung, 8), 0);
    ASSERT_EQ(getsockname(hung, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::string credentials = Credentials(SambaServer::kBob, SambaServer::kBobPassword);
    const fs::path servers = base_ / "servers.ini";
    WriteFile(servers,
              "[HUNG]\nHost=127.0.0.1\nPort=" + std::to_string(ntohs(address.sin_port)) + "\nTimeout=1\nCredentials=" +
                  credentials + "\n[FS1]\nHost=127.0.0.1\nPort=" + std::to_string(s.Port()) + "\nCredentials=" +
                  credentials + "\n",
              0644);

    const RunResult run = Run(servers.string(), {"\\\\HUNG\\NAS", "\\\\HUNG\\NAS\\d", "\\\\FS1\\NAS"});
    close(hung);
    EXPECT_EQ(run.exitCode, 3) << run.errors;
    EXPECT_NE(run.errors.find("\\\\HUNG"), std::string::npos) << run.errors;
    EXPECT_EQ(run.errors.find("\\\\HUNG"), run.errors.rfind("\\\\HUNG")) << run.errors;
    EXPECT_NE(run.log.find("     + n.tmp"), std::string::npos) << run.log;
    EXPECT_EQ(TreeOf(s.ShareFolder("nas") / "#recycle"), std::vector<std::string>{}) << run.log;
}

TEST_F(SmbEndToEndTest, AStartFolderTheShareLacksIsNamedEscapedAndAnEmptyOneIsNoError)
{
    const SambaServer& s = *server_;
    s.Recycle(SambaServer::kBob, "nas", "d", "n.tmp", "pattern");
    fs::create_directories(s.ShareFolder("nas") / "empty");  // a folder nothing was deleted from
    const RunResult run = Run(ServersFile(Credentials(SambaServer::kBob, SambaServer::kBobPassword)),
                              {"\\\\FS1\\NAS\\empty", "\\\\FS1\\NAS\\no\x1B[2Jpe"});
    EXPECT_EQ(run.exitCode, 3) << run.errors;
    const std::string missing = "No such folder: \\\\FS1\\nas\\no%1B[2Jpe";
    EXPECT_NE(run.errors.find(missing), std::string::npos) << run.errors;
    EXPECT_EQ(run.errors.find(missing), run.errors.rfind(missing)) << run.errors;
    EXPECT_EQ(run.errors.find('\x1B'), std::string::npos) << run.errors;
    EXPECT_EQ(run.errors.find("empty"), std::string::npos) << run.errors;
    // Said under the start path's own heading, not the one before it.
    const size_t heading = run.log.find("Deleted Files  under \\\\FS1\\NAS\\no");
    const std::string line = "     Path not resolved: SplitNetWarePath returned error 0x89A2 (" + missing + ")\r\n";
    const size_t said = run.log.find(line);
    EXPECT_NE(said, std::string::npos) << run.log;
    EXPECT_LT(heading, said) << run.log;
    EXPECT_EQ(run.log.find(missing), said + line.find(missing)) << run.log;  // nowhere before
}

TEST_F(SmbEndToEndTest, APasswordInTheServersFileIsNeverEchoed)
{
    const std::string port = std::to_string(server_->Port());
    const struct {
        const char* what;
        std::string servers;
        const char* message;
    } cases[] = {
        {"in Host", "[FS1]\nHost=admin:Secret@127.0.0.1\nPort=" + port + "\n", "Host must be a host name"},
        {"as the credentials file", "[FS1]\nHost=127.0.0.1\nPort=" + port + "\nCredentials=admin%Secret\n",
         "The credentials file cannot be opened"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(base_ / "servers.ini", c.servers, 0644);
        const RunResult run = Run((base_ / "servers.ini").string(), {"\\\\FS1\\NAS"});
        EXPECT_NE(run.exitCode, 0);
        EXPECT_NE(run.errors.find(c.message), std::string::npos) << run.errors;
        EXPECT_EQ((run.errors + run.log).find("Secret"), std::string::npos) << run.errors << run.log;
    }
}

}  // namespace
