// SPDX-License-Identifier: GPL-3.0-or-later
// The program as a process: an unattended run without a screen ends on its
// own, also when it fails, says why on standard error, and tells by its exit
// status whether it ran (0), failed (1), found no client to search with (2)
// or ran but reported an error on the way (3).
#include "netware/emulated/EmulatedClient.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct ProgramRun {
    int exitCode = -1;
    QString errors;
};

ProgramRun RunProgram(const QTemporaryDir& dir, const QStringList& arguments, const QString& network = {})
{
    const QString program = QCoreApplication::applicationDirPath() + "/morvane";
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("NWEMU_NETWORK", network.isEmpty() ? dir.filePath("network.db") : network);
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
    return run;
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
    const ProgramRun run = RunProgram(dir, {"auto", "ini=" + dir.filePath("m.ini"), "log=" + dir.filePath("run.log")});
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("run.log")));
    EXPECT_FALSE(QFile::exists(dir.filePath("m.ini")));
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

// A network that cannot be opened: one message naming it and the reason, no
// job, no log, and a status a cron job can tell from a failed run.
TEST_F(MainFormProgramEntryTest, HeadlessAutomaticRunWithoutAClientEndsWithStatusTwo)
{
    const ProgramRun run = RunProgram(dir, {"auto", "ini=" + dir.filePath("m.ini"), "log=" + dir.filePath("run.log")},
                                      dir.path());  // a folder is no network database
    EXPECT_EQ(run.exitCode, 2) << run.errors.toStdString();
    EXPECT_EQ(run.errors.count("returned error"), 1) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains("Could not initialize NetWare Client. InitNetWare returned error 0xFFFF "
                                    "(cannot open network " + dir.path()))
        << run.errors.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("run.log")));
}

// A purge the server refuses is shown as an error box and the job carries on;
// the run then ends with status 3, so a cron job learns that files were left.
TEST_F(MainFormProgramEntryTest, HeadlessAutomaticRunWithAnErrorOnTheWayEndsWithStatusThree)
{
    {
        auto client = EmulatedClient::Open(dir.filePath("network.db").toStdString());
        client->ImportFixture("server SRV1\nvolume SRV1 VOL1\ndir \\\\SRV1\\VOL1\\DATA\n"
                              "deleted \\\\SRV1\\VOL1\\DATA\\a.tmp size=1 deleted=\"2001-01-01 00:00:00\"\n"
                              "deleted \\\\SRV1\\VOL1\\DATA\\b.tmp size=1 deleted=\"2001-01-01 00:00:00\"\n"
                              "connection SRV1 primary\nfault purge \\\\SRV1\\VOL1\\DATA\\a.tmp code=0x898A\n");
    }
    QFile ini(dir.filePath("m.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Config]\r\nCheckBoxFilePatterns=1\r\nRadioGroupLogic=0\r\n[Config MemoExtList]\r\n0=*.tmp\r\n"
              "[CheckListBoxQ]\r\n0=\\\\SRV1\\VOL1\\DATA\r\n");
    ini.close();

    const ProgramRun run = RunProgram(dir, {"auto", "ini=" + dir.filePath("m.ini"), "log=" + dir.filePath("run.log")});
    EXPECT_EQ(run.exitCode, 3) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains("returned error 0x898A")) << run.errors.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("run.log")));
}
