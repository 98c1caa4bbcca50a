// SPDX-License-Identifier: GPL-3.0-or-later
// The built program run as its own process in automatic mode on a fixture
// network: the log's bytes, what was purged, and the settings left untouched.
#include "netware/D_NW.h"
#include "app/JobState.h"
#include "app/main.h"
#include "netware/emulated/EmulatedClient.h"
#include "util/MessageBox.h"
#include "util/ProgramArguments.h"
#include "widgets/CheckListBox.h"
#include "widgets/RadioGroup.h"
#include "widgets/ResultList.h"
#include "util/DateTime.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QApplication>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <sstream>
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

    // An empty iniFixture runs on the settings file already in the scratch folder.
    void Run(const std::string& extraNetworkLines = "", const std::string& networkFixture = "endtoend.network",
             const std::string& iniFixture = "endtoend.ini")
    {
        const fs::path scratch = dir.path().toStdString();
        network = scratch / "network.db";
        ini = scratch / "morvane.ini";
        report = scratch / "report.jsonl";
        const fs::path logFile = scratch / "result.log";
        ImportNetwork(network, ReadBytes(FixtureDir / networkFixture) + extraNetworkLines);
        if (!iniFixture.empty())
            fs::copy_file(FixtureDir / iniFixture, ini);
        iniBefore = ReadBytes(ini);

        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.remove("XDG_RUNTIME_DIR");  // Qt says so on standard error, unless held back
        env.insert("NWEMU_NETWORK", QString::fromStdString(network.string()));
        env.insert("XDG_CONFIG_HOME", dir.path());
        env.insert("LC_ALL", "C");
        run.setProcessEnvironment(env);
        run.setWorkingDirectory(dir.path());
        run.start(program, {"/AUTO", QString::fromStdString("ini=" + ini.string()),
                            QString::fromStdString("log=" + logFile.string()),
                            QString::fromStdString("rep=" + report.string())});
        ASSERT_TRUE(run.waitForFinished(60000)) << "the automatic run did not end";
        EXPECT_EQ(run.exitStatus(), QProcess::NormalExit);
        exitCode = run.exitCode();
        standardError = run.readAllStandardError().toStdString();
        log = ReadBytes(logFile);
    }

    static void ImportNetwork(const fs::path& file, const std::string& fixture)
    {
        auto client = EmulatedClient::Open(file.string());
        client->ImportFixture(fixture);
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
    fs::path network, ini, report;
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

// A purge the server refuses ends the scan of its folder: the log says so
// under the file's line, every other line stays as it was, byte for byte, the
// files after it are neither listed nor purged, and the run ends with status 3.
TEST_F(EndToEndTest, RefusedPurgeSaysTheRestOfItsFolderWasNotScanned)
{
    Run("fault purge \\\\SRV2\\APPS\\OLD\\c.bak code=0x898A\n"
        "deleted \\\\SRV2\\APPS\\OLD\\d.bak size=1 deleted=\"2004-05-06 07:08:10\" user=0x1001\n");
    EXPECT_EQ(exitCode, 3) << "a refused purge is no clean run";
    EXPECT_EQ(standardError.find("QStandardPaths"), std::string::npos) << standardError;
    std::string expected = WithDayCounts(ReadBytes(FixtureDir / "endtoend.expected.log"));
    const std::string after = "          Name match with *.bak\r\n";
    const std::size_t cbak = expected.find("     + c.bak");
    ASSERT_NE(cbak, std::string::npos);
    const std::size_t at = expected.find(after, cbak);
    ASSERT_NE(at, std::string::npos);
    auto client = EmulatedClient::Open(network.string());
    NWClientBackend* previous = SetClientBackend(client.get());
    expected.insert(at + after.size(), "          Purge failed: " + NWErrorText(0x898A) +
                                           "\r\n          Rest of APPS:OLD not scanned after the failed purge\r\n");
    SetClientBackend(previous);
    EXPECT_EQ(log, expected);
    EXPECT_EQ(Left("\\\\SRV2\\APPS\\OLD"), (std::vector<std::string>{"c.bak", "d.bak"}));
}

// Every line of a real job's report fits the schema kept in the repository,
// and the totals agree with the file lines and the exit status.
TEST_F(EndToEndTest, ReportOfARealJobFitsItsSchema)
{
    Run("fault purge \\\\SRV2\\APPS\\OLD\\c.bak code=0x898A\n");
    ASSERT_EQ(exitCode, 3) << standardError;
    QProcess check;
    check.start("python3", {QString::fromStdString((FixtureDir / "validate-report.py").string()),
                            QString::fromStdString((FixtureDir.parent_path().parent_path().parent_path() / "docs" /
                                                    "report.schema.json")
                                                       .string()),
                            QString::fromStdString(report.string())});
    ASSERT_TRUE(check.waitForFinished(60000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().toStdString()
                                   << check.readAllStandardError().toStdString();
    const std::string text = ReadBytes(report);
    EXPECT_NE(text.find("\"name\":\"REPORT.BAK\",\"size\":12288,\"deleted\":\"1999-12-31T23:59:07"), std::string::npos);
    EXPECT_NE(text.find("\"outcome\":\"failed\",\"reason\":\"" + std::string("0x898A")), std::string::npos);
    EXPECT_NE(text.find("\"exit_status\":3,"), std::string::npos);
    EXPECT_NE(text.find("\\\\SRV1\\\\NOVOL\\\\X: Path not resolved"), std::string::npos) << text;
}

// A pattern typed in the window with blanks around it is saved so that the
// unattended run tests the very same pattern: the two result lists agree
// line by line.
TEST_F(EndToEndTest, AutomaticRunTestsThePatternsTheWindowTested)
{
    const fs::path scratch = dir.path().toStdString();
    const fs::path windowNetwork = scratch / "window.db";
    const std::string logs = "deleted \\\\SRV1\\VOL1\\DATA\\APP.LOG size=10 deleted=\"2004-01-01 00:00:00\" user=0x1001\n";
    ImportNetwork(windowNetwork, ReadBytes(FixtureDir / "endtoend.network") + logs);
    std::vector<std::string> windowLines;
    Job = JobState();
    const bool quitOnLastWindowClosed = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false);
    {
        auto client = EmulatedClient::Open(windowNetwork.string());
        NWClientBackend* previous = SetClientBackend(client.get());
        ResetPrimaryConnectionForTesting();
        MessageBoxRecorder boxes;
        SetProgramArguments({"/opt/morvane/morvane", "ini=" + (scratch / "morvane.ini").string()});
        {
            TMainForm form;
            form.show();
            form.CheckListBoxQ->addItem(QStringLiteral("\\\\SRV1\\VOL1\\DATA"));
            form.LabelDirSelectedUpd(nullptr);
            form.RadioGroupOptions->setItemIndex(2);
            form.MemoExtList->clear();
            form.MemoExtList->setFocus();
            QTest::keyClicks(form.MemoExtList, QStringLiteral("  *.log  "));
            form.CheckBoxFilePatterns->setChecked(true);
            form.BitBtnPurgeSelectedClick(nullptr);
            windowLines = form.ListBoxResults->lines();
            form.close();  // saves the settings
        }
        SetClientBackend(previous);
        ResetPrimaryConnectionForTesting();
    }
    Job = JobState();
    QApplication::setQuitOnLastWindowClosed(quitOnLastWindowClosed);
    Run(logs, "endtoend.network", "");
    std::vector<std::string> autoLines;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);)
        autoLines.push_back(line.substr(0, line.size() - 1));  // without the CR
    EXPECT_EQ(autoLines, windowLines);
    EXPECT_NE(std::find(autoLines.begin(), autoLines.end(), "     - APP.LOG  (  10) [ Deleted: 2004-01-01 00:00:00 by ADMIN ]"),
              autoLines.end());
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
