// SPDX-License-Identifier: GPL-3.0-or-later
// Whole networks: where the default one lives, the demo network a first start
// creates, seeded generation, the raw scan over the client operations, and that
// a killed writer leaves a sound database.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>

#include "netware/D_NW.h"
#include "netware/NWClientBackend.h"
#include "netware/emulated/EmulatedClient.h"
#include "netware/emulated/EmulatedDatabase.h"
#include "netware/emulated/NetworkGenerator.h"
#include "netware/emulated/RawScan.h"
#include "util/MessageBox.h"

namespace {

namespace fs = std::filesystem;

long long Number(EmulatedClient& client, const std::string& sql)
{
    Statement s(client.Database().Handle(), sql.c_str());
    s.Step();
    return s.Int(0);
}

// Sets or clears an environment variable for one test and restores it after.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old, had_ = true;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { had_ ? setenv(name_, old_.c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

class TempFolder {
public:
    TempFolder() : path_(fs::temp_directory_path() / ("emulated-net-" + std::to_string(getpid())))
    {
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempFolder() { fs::remove_all(path_); }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

TEST(EmulatedNetwork, DefaultPathFollowsTheEnvironment)
{
    ScopedEnv home("HOME", "/home/admin");
    {
        ScopedEnv network("NWEMU_NETWORK", "/srv/nets/test.db");
        ScopedEnv xdg("XDG_DATA_HOME", "/data");
        EXPECT_EQ(DefaultNetworkPath(), "/srv/nets/test.db");
    }
    ScopedEnv network("NWEMU_NETWORK", nullptr);
    {
        ScopedEnv xdg("XDG_DATA_HOME", "/data");
        EXPECT_EQ(DefaultNetworkPath(), "/data/morvane/network.db");
    }
    ScopedEnv xdg("XDG_DATA_HOME", "");
    EXPECT_EQ(DefaultNetworkPath(), "/home/admin/.local/share/morvane/network.db");
}

TEST(EmulatedNetwork, MissingDefaultNetworkIsCreatedWithTheDemoAndKeptAfterwards)
{
    TempFolder temp;
    ScopedEnv network("NWEMU_NETWORK", nullptr);
    ScopedEnv xdg("XDG_DATA_HOME", temp.Path().c_str());
    long long deleted = 0;
    {
        auto client = OpenDefaultNetwork();
        ASSERT_TRUE(fs::exists(temp.Path() / "morvane" / "network.db"));
        deleted = Number(*client, "SELECT COUNT(*) FROM deleted");
        Number(*client, "DELETE FROM deleted WHERE id = 1");
    }
    // An existing file is opened as it is, not filled again.
    auto client = OpenDefaultNetwork();
    EXPECT_EQ(Number(*client, "SELECT COUNT(*) FROM deleted"), deleted - 1);
}

TEST(EmulatedNetwork, DemoNetworkHasWhatTheProgramNeedsToShow)
{
    auto client = EmulatedClient::OpenInMemory();
    CreateDemoNetwork(*client);
    EXPECT_GE(Number(*client, "SELECT COUNT(*) FROM servers WHERE tree = 'MORVANE_TREE'"), 2);
    EXPECT_GE(Number(*client, "SELECT COUNT(DISTINCT tree) FROM servers"), 2);
    EXPECT_GE(Number(*client, "SELECT COUNT(*) FROM volumes"), 4);
    // Nested: directories below directories below the volume roots.
    EXPECT_GT(Number(*client, "SELECT COUNT(*) FROM directories d JOIN directories p ON d.parent_id = p.id "
                              "WHERE p.parent_id IS NOT NULL"),
              0);
    long long deleted = Number(*client, "SELECT COUNT(*) FROM deleted");
    EXPECT_GE(deleted, 200);
    EXPECT_LE(deleted, 999);
    EXPECT_GE(Number(*client, "SELECT COUNT(DISTINCT deletor) FROM deleted"), 3);
    EXPECT_GT(Number(*client, "SELECT COUNT(*) FROM deleted WHERE deletor NOT IN (SELECT id FROM users)"), 0);
    EXPECT_GT(Number(*client, "SELECT COUNT(*) FROM deleted WHERE name LIKE '%.tmp'"), 0);
    EXPECT_GT(Number(*client, "SELECT COUNT(*) FROM deleted WHERE name LIKE '%.bak'"), 0);
    EXPECT_EQ(Number(*client, "SELECT MIN(size) FROM deleted"), 0);
    EXPECT_GE(Number(*client, "SELECT MAX(size) FROM deleted"), 1073741824LL);
    EXPECT_EQ(Number(*client, "SELECT COUNT(*) FROM connections WHERE is_primary = 1"), 1);

    // Ages from about a day to years, and every date valid.
    std::set<int> years;
    Statement dates(client->Database().Handle(), "SELECT deleted_at FROM deleted");
    while (dates.Step()) {
        NW_DATE date;
        NW_TIME time;
        UnpackDeletedDateTime(static_cast<nuint32>(dates.Int(0)), date, time);
        EXPECT_TRUE(date.month >= 1 && date.month <= 12 && date.day >= 1 && time.hours < 24);
        years.insert(date.year);
    }
    EXPECT_GE(years.size(), 4u);
}

TEST(EmulatedNetwork, GenerationIsSeededAndSpreadsFilesOverDirectories)
{
    GenerateOptions options;
    options.servers = 2;
    options.volumesPerServer = 2;
    options.directories = 250;
    options.deletedFiles = 2003;
    options.users = 20;
    options.now = 1700000000;  // both generations date their files from one moment
    auto a = EmulatedClient::OpenInMemory();
    auto b = EmulatedClient::OpenInMemory();
    GenerateNetwork(*a, options);
    GenerateNetwork(*b, options);
    EXPECT_EQ(Number(*a, "SELECT COUNT(*) FROM deleted"), 2003);
    EXPECT_EQ(Number(*a, "SELECT COUNT(*) FROM directories WHERE parent_id IS NOT NULL"), 250);
    EXPECT_EQ(Number(*a, "SELECT MAX(c) - MIN(c) FROM (SELECT COUNT(*) c FROM deleted GROUP BY dir_id)"), 1);
    EXPECT_EQ(Number(*a, "SELECT COUNT(*) FROM users"), 18);  // every tenth id has no user object
    const char* digest = "SELECT SUM(size % 9973 + deleted_at % 7919 + deletor + LENGTH(name)) FROM deleted";
    EXPECT_EQ(Number(*a, digest), Number(*b, digest));
    options.seed = 2;
    auto c = EmulatedClient::OpenInMemory();
    GenerateNetwork(*c, options);
    EXPECT_NE(Number(*a, digest), Number(*c, digest));
}

TEST(EmulatedNetwork, RawScanWalksDepthFirstAndReportsFailedDirectories)
{
    auto client = EmulatedClient::OpenInMemory();
    client->ImportFixture(R"(
server S
volume S V
deleted \\S\V\TOP\ONE size=1 packed=1
deleted \\S\V\TOP\A\TWO size=2 packed=1
deleted \\S\V\TOP\A\DEEP\THREE size=3 packed=1
deleted \\S\V\TOP\B\FOUR size=4 packed=1
deleted \\S\V\TOP\LOCKED\HIDDEN size=5 packed=1
fault alloc \\S\V\TOP\LOCKED code=0x899C
)");
    NWClientBackend* previous = SetClientBackend(client.get());
    char s[256], v[256], d[256];
    NWCONN_HANDLE conn = 0;
    ASSERT_EQ(client->SplitPathByClient("\\\\S\\V\\TOP", s, conn, v, d), 0);
    std::vector<std::string> seen;
    auto totals = RawDeletedFileScan(conn, "V:TOP", true, [&](const RawScanRecord& r) {
        seen.push_back(r.directory + "\\" + r.info.name);
    });
    auto flat = RawDeletedFileScan(conn, "V:TOP", false, {});
    SetClientBackend(previous);
    EXPECT_EQ(seen, (std::vector<std::string>{"V:TOP\\ONE", "V:TOP\\A\\TWO", "V:TOP\\A\\DEEP\\THREE",
                                              "V:TOP\\B\\FOUR"}));
    EXPECT_EQ(totals.directories, 5);
    EXPECT_EQ(totals.records, 4);
    EXPECT_EQ(totals.lastError, 0x899C);
    EXPECT_EQ(flat.records, 1);
    EXPECT_EQ(flat.lastError, 0);
}

// More subdirectories than a 16-bit search sequence can count: each is listed
// exactly once, by the walk and by the raw scan, and the file in the last one
// is found.
TEST(EmulatedNetwork, HugeDirectoryIsListedExactlyOnce)
{
    constexpr int Subdirectories = 65536;
    auto client = EmulatedClient::OpenInMemory();
    client->ImportFixture("server S\nvolume S V\ndir \\\\S\\V\\BIG\nconnection S primary\n");
    client->Database().Exec(
        ("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < " +
         std::to_string(Subdirectories - 2) +
         ") INSERT INTO directories (volume_id, parent_id, name)"
         " SELECT big.volume_id, big.id, 'D' || n.i FROM n, directories AS big WHERE big.name = 'BIG'")
            .c_str());
    client->ImportFixture("deleted \\\\S\\V\\BIG\\LAST\\LAST.TMP size=1 packed=1\n");

    NWClientBackend* previous = SetClientBackend(client.get());
    MessageBoxRecorder boxes;
    char s[256], v[256], d[256];
    NWCONN_HANDLE conn = 0;
    ASSERT_EQ(client->SplitPathByClient("\\\\S\\V\\BIG", s, conn, v, d), 0);

    std::vector<std::string> walked;
    WalkDirectoryTree(
        conn, "V:BIG", "*.*", WalkDirectories,
        [&](const std::string& path, const WalkEntry&, void*) { walked.push_back(path); }, nullptr, false);
    std::vector<std::string> found;
    const RawScanTotals totals = RawDeletedFileScan(conn, "V:BIG", true, [&](const RawScanRecord& r) {
        found.push_back(r.directory + "\\" + r.info.name);
    });
    SetClientBackend(previous);

    EXPECT_TRUE(boxes.Texts().empty());
    ASSERT_EQ(walked.size(), Subdirectories + 1u);
    EXPECT_EQ(std::set<std::string>(walked.begin(), walked.end()).size(), walked.size());
    EXPECT_EQ(walked.back(), "V:BIG\\LAST");
    EXPECT_EQ(totals.directories, Subdirectories + 1);
    EXPECT_EQ(totals.circularListing, "");
    EXPECT_EQ(found, std::vector<std::string>{"V:BIG\\LAST\\LAST.TMP"});
}

TEST(EmulatedNetwork, KilledWriterLeavesASoundDatabaseWithoutItsUnfinishedWork)
{
    TempFolder temp;
    std::string path = (temp.Path() / "killed.db").string();
    {
        auto client = EmulatedClient::Open(path);
        client->ImportFixture("server KEEP\nvolume KEEP SYS\ndeleted \\\\KEEP\\SYS\\A size=1 packed=1\n");
    }
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Only SQLite runs here; the test process's threads are not touched.
        auto client = EmulatedClient::Open(path);
        GenerateOptions options;
        options.directories = 1000;
        options.deletedFiles = 50000000;
        GenerateNetwork(*client, options);
        _exit(0);
    }
    // Kill it once its transaction has begun to spill into the write-ahead log.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        std::error_code ec;
        if (fs::file_size(path + "-wal", ec) > 4u * 1024 * 1024)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the writer ended by itself: " << status;

    auto client = EmulatedClient::Open(path);
    Statement check(client->Database().Handle(), "PRAGMA integrity_check");
    ASSERT_TRUE(check.Step());
    EXPECT_EQ(check.Text(0), "ok");
    EXPECT_EQ(Number(*client, "SELECT COUNT(*) FROM deleted"), 1);
    EXPECT_EQ(Number(*client, "SELECT COUNT(*) FROM servers"), 1);
}

}  // namespace
