// SPDX-License-Identifier: GPL-3.0-or-later
// The program as a process: an unattended run without a screen ends on its
// own, also when it fails, says why on standard error, and tells by its exit
// status whether it ran (0), failed (1), found no client to search with (2)
// or skipped work or had nothing to search (3); --help and --version need no
// screen at all.
#include "netware/emulated/EmulatedClient.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct ProgramRun {
    int exitCode = -1;
    QString errors;
    QString output;
};

ProgramRun RunProgram(const QTemporaryDir& dir, const QStringList& arguments, const QString& network = {},
                      const QString& platform = "offscreen", const QStringList& environment = {})
{
    const QString program = QCoreApplication::applicationDirPath() + "/morvane";
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", platform);
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.insert("NWEMU_NETWORK", network.isEmpty() ? dir.filePath("network.db") : network);
    for (const QString& variable : environment)
        env.insert(variable.section('=', 0, 0), variable.section('=', 1));
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    ProgramRun run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitCode();
    run.errors = QString::fromLocal8Bit(process.readAllStandardError());
    run.output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return run;
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// One server with a directory holding two matching deleted files.
const char* const SmallNetwork = "server SRV1\nvolume SRV1 VOL1\ndir \\\\SRV1\\VOL1\\DATA\n"
                                 "deleted \\\\SRV1\\VOL1\\DATA\\a.tmp size=1 deleted=\"2001-01-01 00:00:00\"\n"
                                 "deleted \\\\SRV1\\VOL1\\DATA\\b.tmp size=1 deleted=\"2001-01-01 00:00:00\"\n"
                                 "connection SRV1 primary\n";

QByteArray SettingsWithStartPath(const char* startPath)
{
    return QByteArray("[Config]\r\nCheckBoxFilePatterns=1\r\nRadioGroupLogic=0\r\n[Config MemoExtList]\r\n0=*.tmp\r\n"
                      "[CheckListBoxQ]\r\n0=") +
           startPath + "\r\n";
}

}  // namespace

class MainFormProgramEntryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QFile::exists(QCoreApplication::applicationDirPath() + "/morvane"))
            GTEST_SKIP() << "the program is not built";
        ASSERT_TRUE(dir.isValid());
    }
    QTemporaryDir dir;
};

TEST_F(MainFormProgramEntryTest, HeadlessAutomaticRunEndsAndWritesOnlyTheLog)
{
    EmulatedClient::Open(dir.filePath("network.db").toStdString())->ImportFixture(SmallNetwork);
    const QByteArray settings = SettingsWithStartPath("\\\\SRV1\\VOL1\\DATA");
    WriteFile(dir.filePath("m.ini"), settings);
    const ProgramRun run = RunProgram(dir, {"auto", "ini=" + dir.filePath("m.ini"), "log=" + dir.filePath("run.log")});
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("run.log")));
    QFile ini(dir.filePath("m.ini"));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(ini.readAll(), settings) << "the settings file is not written";
    EXPECT_FALSE(run.errors.contains("propagateSizeHints")) << run.errors.toStdString();
}

// The Samba client libraries are loaded only for client=smb: a job on
// another client never maps them.
TEST_F(MainFormProgramEntryTest, AJobOnAnotherClientNeverLoadsTheSmbClientLibrary)
{
    EmulatedClient::Open(dir.filePath("network.db").toStdString())->ImportFixture(SmallNetwork);
    WriteFile(dir.filePath("m.ini"), SettingsWithStartPath("\\\\SRV1\\VOL1\\DATA"));
    const ProgramRun run = RunProgram(dir, {"auto", "ini=" + dir.filePath("m.ini"), "log=" + dir.filePath("run.log")},
                                      {}, "offscreen", {"LD_DEBUG=files"});
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains("libQt6Core")) << "the loader's trace is missing";
    EXPECT_FALSE(run.errors.contains("libsmbclient"));
    EXPECT_TRUE(QFile::exists(dir.filePath("run.log")));
}

// Nothing to search is no clean run: a missing settings file, or one without
// a start path, ends with 3 and the reason on standard error and, as the only
// line, in the log, which a run on a timer leaves behind. A start path that
// cannot be resolved ends with 3 too.
TEST_F(MainFormProgramEntryTest, HeadlessAutomaticRunThatSkipsOrHasNothingToSearchEndsWithStatusThree)
{
    EmulatedClient::Open(dir.filePath("network.db").toStdString())->ImportFixture(SmallNetwork);
    WriteFile(dir.filePath("empty.ini"), "[Config]\r\nRadioGroupLogic=0\r\n");
    WriteFile(dir.filePath("nope.ini"), SettingsWithStartPath("\\\\FS9\\NOPE\\X"));
    const QString noStartPath = "morvane: nothing to search: the settings file \"" + dir.filePath("empty.ini") +
                                "\" holds no start path";
    const QString noFile =
        "morvane: nothing to search: the settings file \"" + dir.filePath("missing.ini") + "\" does not exist";
    const struct {
        const char* ini;
        QString said;     // on standard error and, alone, in the log
        const char* says; // on standard error or in the log
    } cases[] = {{"missing.ini", noFile, ""}, {"empty.ini", noStartPath, ""}, {"nope.ini", {}, "0x880F"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        const ProgramRun run =
            RunProgram(dir, {"auto", "ini=" + dir.filePath(c.ini), "log=" + dir.filePath("run.log")});
        EXPECT_EQ(run.exitCode, 3) << run.errors.toStdString();
        QFile logFile(dir.filePath("run.log"));
        ASSERT_TRUE(logFile.open(QIODevice::ReadOnly));
        const QString log = QString::fromLocal8Bit(logFile.readAll());
        if (c.said.isEmpty()) {
            EXPECT_TRUE(run.errors.contains(c.says) || log.contains(c.says)) << run.errors.toStdString();
        } else {
            EXPECT_TRUE(run.errors.contains(c.said + "\n")) << run.errors.toStdString();
            EXPECT_EQ(log, c.said + "\r\n");
        }
        EXPECT_FALSE(QFile::exists(dir.filePath("missing.ini")));
    }
}

TEST_F(MainFormProgramEntryTest, HelpAndVersionNeedNoScreen)
{
    // No display and the default platform: QApplication would abort.
    for (const QString& argument : {QStringLiteral("--help"), QStringLiteral("--version")}) {
        SCOPED_TRACE(argument.toStdString());
        const ProgramRun run = RunProgram(dir, {argument}, {}, "xcb");
        EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
        EXPECT_TRUE(run.output.startsWith(argument == "--help" ? "Usage: morvane" : "morvane ")) << run.output.toStdString();
    }
    // The usage names every back end the program takes, and the SMB servers file.
    const QString usage = RunProgram(dir, {"--help"}).output;
    for (const char* word : {"client=emulated", "client=trash", "client=smb", "client=windows", "servers=FILE", "report=FILE"})
        EXPECT_TRUE(usage.contains(QLatin1String(word))) << word;
}

TEST_F(MainFormProgramEntryTest, HeadlessAutomaticRunThatFailsEndsWithTheReason)
{
    const ProgramRun run =
        RunProgram(dir, {"auto", "ini=" + dir.filePath("m.ini"), "log=" + dir.filePath("missing/run.log")});
    // Without a screen nobody could close the window left open after a failure.
    EXPECT_EQ(run.exitCode, 1) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains("Error saving log: ")) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains("Error: ")) << run.errors.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("m.ini")));
}

// A client that cannot start (a network that cannot be opened, a client the
// switch does not know): one message saying why, no job, and a status a cron
// job can tell from a failed run. The log of an earlier run is emptied, so
// that its results cannot pass for this run's.
TEST_F(MainFormProgramEntryTest, HeadlessAutomaticRunWithoutAClientEndsWithStatusTwo)
{
    const struct {
        const char* client;
        QString network;
        QString says;
    } cases[] = {
        {"client=emulated", dir.path(),  // a folder is no network database
         "Could not initialize NetWare Client. InitNetWare returned error 0xFFFF (cannot open network " + dir.path()},
        {"client=smbx", {}, "Unknown client \"smbx\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.client);
        WriteFile(dir.filePath("run.log"), "Deleted Files  under \\\\SRV1\\VOL1\\DATA\r\n");
        const ProgramRun run = RunProgram(
            dir, {c.client, "auto", "ini=" + dir.filePath("m.ini"), "log=" + dir.filePath("run.log")}, c.network);
        EXPECT_EQ(run.exitCode, 2) << run.errors.toStdString();
        EXPECT_EQ(run.errors.count(c.says), 1) << run.errors.toStdString();
        EXPECT_FALSE(run.errors.contains("Error saving log")) << run.errors.toStdString();
        EXPECT_EQ(QFileInfo(dir.filePath("run.log")).size(), 0);
    }
}

// A purge the server refuses is shown as an error box and the job carries on;
// the run then ends with status 3, so a cron job learns that files were left.
TEST_F(MainFormProgramEntryTest, HeadlessAutomaticRunWithAnErrorOnTheWayEndsWithStatusThree)
{
    EmulatedClient::Open(dir.filePath("network.db").toStdString())
        ->ImportFixture(std::string(SmallNetwork) + "fault purge \\\\SRV1\\VOL1\\DATA\\a.tmp code=0x898A\n");
    WriteFile(dir.filePath("m.ini"), SettingsWithStartPath("\\\\SRV1\\VOL1\\DATA"));

    const ProgramRun run = RunProgram(dir, {"auto", "ini=" + dir.filePath("m.ini"), "log=" + dir.filePath("run.log")});
    EXPECT_EQ(run.exitCode, 3) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains("returned error 0x898A")) << run.errors.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("run.log")));
}
