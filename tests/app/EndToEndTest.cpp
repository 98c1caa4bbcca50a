// SPDX-License-Identifier: GPL-3.0-or-later
// The built program run as its own process in automatic mode on a fixture
// network: the log's bytes, what was purged, and the settings left untouched.
#include "netware/D_NW.h"
#include "netware/emulated/EmulatedClient.h"
#include "util/DateTime.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <regex>

namespace {

namespace fs = std::filesystem;

const fs::path FixtureDir = fs::path(__FILE__).parent_path() / "fixtures";

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The program uses the real clock: "<DAYS yyyy-mm-dd hh:mm:ss>" in the
// expected log stands for the whole days between today and that time.
std::string WithDayCounts(const std::string& expected)
{
    static const std::regex placeholder(R"(<DAYS (\d+)-(\d+)-(\d+) (\d+):(\d+):(\d+)>)");
    std::string result;
    auto last = expected.cbegin();
    for (std::sregex_iterator it(expected.begin(), expected.end(), placeholder), end; it != end; ++it) {
        const auto& m = *it;
        const TDateTime deleted = EncodeDateTime(std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4]),
                                                 std::stoi(m[5]), std::stoi(m[6]), 0);
        result.append(last, m[0].first);
        result += std::to_string(static_cast<long>(std::trunc(std::fabs(Today() - deleted))));
        last = m[0].second;
    }
    result.append(last, expected.cend());
    return result;
}

// Names of the salvageable files left in a server directory.
std::vector<std::string> DeletedNames(const std::string& uncDirectory)
{
    NWCONN_HANDLE conn = 0;
    std::string server, volume, directory;
    std::vector<std::string> names;
    if (SplitNetWarePath(uncDirectory, conn, server, volume, directory) != 0)
        return {"<unresolved>"};
    const std::string volumePath = volume + ":" + directory;
    NWDIR_HANDLE handle = 0;
    if (NWAllocTemporaryDirectoryHandle(conn, 0, volumePath.c_str(), handle, nullptr) != 0)
        return {"<no handle>"};
    nuint32 iteration = 0xFFFFFFFF;
    nuint8 volumeNumber = 0;
    nuint32 base = 0;
    NWDELETED_INFO record{};
    while (NextDeletedFile(conn, handle, iteration, volumeNumber, base, record) == 0)
        names.emplace_back(record.name);
    ReleaseDirHandle(conn, handle);
    return names;
}

// The built program in automatic mode on the fixture network (with extra
// fixture lines appended), its settings and a log in a scratch folder.
class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        program = QCoreApplication::applicationDirPath() + "/morvane";
        if (!QFileInfo(program).isExecutable())
            GTEST_SKIP() << "the program is not built: " << program.toStdString();
        ASSERT_TRUE(dir.isValid());
    }

    void Run(const std::string& extraNetworkLines = "", const std::string& networkFixture = "endtoend.network",
             const std::string& iniFixture = "endtoend.ini")
    {
        const fs::path scratch = dir.path().toStdString();
        network = scratch / "network.db";
        ini = scratch / "morvane.ini";
        const fs::path logFile = scratch / "result.log";
        {
            auto client = EmulatedClient::Open(network.string());
            client->ImportFixture(ReadBytes(FixtureDir / networkFixture) + extraNetworkLines);
        }
        fs::copy_file(FixtureDir / iniFixture, ini);
        iniBefore = ReadBytes(ini);

        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("NWEMU_NETWORK", QString::fromStdString(network.string()));
        env.insert("XDG_CONFIG_HOME", dir.path());
        env.insert("LC_ALL", "C");
        run.setProcessEnvironment(env);
        run.setWorkingDirectory(dir.path());
        run.start(program, {"/AUTO", QString::fromStdString("ini=" + ini.string()),
                            QString::fromStdString("log=" + logFile.string())});
        ASSERT_TRUE(run.waitForFinished(60000)) << "the automatic run did not end";
        EXPECT_EQ(run.exitStatus(), QProcess::NormalExit);
        exitCode = run.exitCode();
        standardError = run.readAllStandardError().toStdString();
        log = ReadBytes(logFile);
    }

    // Looks at the network the run left, as the client sees it.
    std::vector<std::string> Left(const std::string& uncDirectory)
    {
        auto client = EmulatedClient::Open(network.string());
        NWClientBackend* previous = SetClientBackend(client.get());
        std::vector<std::string> names = DeletedNames(uncDirectory);
        SetClientBackend(previous);
        return names;
    }

    QString program;
    QTemporaryDir dir;
    fs::path network, ini;
    std::string iniBefore, log, standardError;
    int exitCode = -1;
};

TEST_F(EndToEndTest, AutomaticRunPurgesSelectionAndWritesExactLog)
{
    Run();
    // \\SRV1\NOVOL\X names no volume, and BROKEN's scan breaks off: skipped work.
    EXPECT_EQ(exitCode, 3) << standardError;
    EXPECT_EQ(log, WithDayCounts(ReadBytes(FixtureDir / "endtoend.expected.log")));
    EXPECT_EQ(ReadBytes(ini), iniBefore) << "an automatic run writes no settings";

    EXPECT_EQ(Left("\\\\SRV1\\VOL1\\DATA"), std::vector<std::string>{"notes.txt"});
    EXPECT_EQ(Left("\\\\SRV1\\VOL1\\DATA\\SUB"), std::vector<std::string>{"keep.doc"});
    EXPECT_EQ(Left("\\\\SRV1\\VOL1\\BROKEN"), (std::vector<std::string>{"bad.tmp", "after.tmp"}));
    EXPECT_TRUE(Left("\\\\SRV2\\APPS\\OLD").empty());
}

// A purge the server refuses: the log says so under the file's line, and
// every other line stays as it was, byte for byte.
TEST_F(EndToEndTest, RefusedPurgeAddsOneLineToTheLog)
{
    Run("fault purge \\\\SRV2\\APPS\\OLD\\c.bak code=0x898A\n");
    EXPECT_NE(exitCode, 0) << "a refused purge is no clean run";
    std::string expected = WithDayCounts(ReadBytes(FixtureDir / "endtoend.expected.log"));
    const std::string after = "          Name match with *.bak\r\n";
    const std::size_t cbak = expected.find("     + c.bak");
    ASSERT_NE(cbak, std::string::npos);
    const std::size_t at = expected.find(after, cbak);
    ASSERT_NE(at, std::string::npos);
    auto client = EmulatedClient::Open(network.string());
    NWClientBackend* previous = SetClientBackend(client.get());
    expected.insert(at + after.size(), "          Purge failed: " + NWErrorText(0x898A) + "\r\n");
    SetClientBackend(previous);
    EXPECT_EQ(log, expected);
    EXPECT_EQ(Left("\\\\SRV2\\APPS\\OLD"), std::vector<std::string>{"c.bak"});
}

// "Purge until free" 7 MB on a 10 MB volume with 4 MB free purges the oldest
// 3 MB (a tie of equal times split by path); on a volume that cannot tell its
// free space the condition is skipped, which the log and the exit status say.
TEST_F(EndToEndTest, AutomaticBudgetRunPurgesTheOldestAndWritesExactLog)
{
    Run("", "budget.network", "budget.ini");
    EXPECT_EQ(exitCode, 3) << "one start path skipped its condition";
    EXPECT_EQ(log, ReadBytes(FixtureDir / "budget.expected.log"));
    EXPECT_EQ(Left("\\\\SRV1\\VOL1\\DATA"), (std::vector<std::string>{"new.tmp", "mid.doc"}));
    EXPECT_TRUE(Left("\\\\SRV1\\VOL1\\DATA\\SUB").empty());
    EXPECT_EQ(Left("\\\\SRV1\\VOL2\\ARCHIVE"), std::vector<std::string>{"a.tmp"});
}

}  // namespace
