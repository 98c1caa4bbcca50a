// SPDX-License-Identifier: GPL-3.0-or-later
// The program on a desktop: its own X server (Xvfb) with the openbox window
// manager, the window's state read as the window manager keeps it (WM_STATE),
// the message boxes answered with xdotool. Every process is ended by its id
// when the test ends, also when it fails.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <memory>
#include <sys/prctl.h>
#include <csignal>

namespace {

constexpr const char* MainWindowTitle = "^Purge Selected Deleted Files$";
constexpr const char* BoxTitle = "^morvane$";  // message boxes carry the program's name

// A process of the test's own: killed and reaped by its id when the object
// goes, and sent SIGKILL should the test program die first.
std::unique_ptr<QProcess> StartProcess(const QString& program, const QStringList& arguments,
                                       const QProcessEnvironment& environment)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process->start(program, arguments);
    return process;
}

class MainFormDesktopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"Xvfb", "openbox", "xdotool", "xprop"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                GTEST_SKIP() << tool << " is not installed (scripts/setup installs it)";
        if (!QFile::exists(Program()))
            GTEST_SKIP() << "the program is not built";
        ASSERT_TRUE(dir.isValid());

        // Xvfb picks a free display itself and writes its number to standard output.
        xserver = StartProcess("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"},
                               QProcessEnvironment::systemEnvironment());
        ASSERT_TRUE(xserver->waitForReadyRead(30000)) << "Xvfb did not start";
        const QByteArray number = xserver->readLine().trimmed();
        ASSERT_FALSE(number.isEmpty());
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", ":" + QString::fromLatin1(number));
        environment.remove("WAYLAND_DISPLAY");
        environment.insert("QT_QPA_PLATFORM", "xcb");

        windowManager = StartProcess("openbox", {}, environment);
        ASSERT_TRUE(WaitFor([&] { return Tool("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id"); }))
            << "openbox did not take the screen";
    }

    static QString Program() { return QCoreApplication::applicationDirPath() + "/morvane"; }

    // Runs an X tool on the test's display; its standard output.
    QString Tool(const QString& program, const QStringList& arguments) const
    {
        QProcess tool;
        tool.setProcessEnvironment(environment);
        tool.start(program, arguments);
        if (!tool.waitForFinished(20000)) {
            tool.kill();
            tool.waitForFinished();
            return {};
        }
        return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
    }

    QString FirstWindow(const QStringList& searchArguments) const
    {
        return Tool("xdotool", QStringList{"search"} + searchArguments).section('\n', 0, 0);
    }

    template <typename Condition>
    static bool WaitFor(Condition condition, int seconds = 60)
    {
        for (int tenths = 0; tenths < seconds * 10; ++tenths) {
            if (condition())
                return true;
            QThread::msleep(100);
        }
        return false;
    }

    QTemporaryDir dir;
    QProcessEnvironment environment;
    // Ended in the reverse order: the program, the window manager, the X server.
    std::unique_ptr<QProcess> xserver;
    std::unique_ptr<QProcess> windowManager;
};

// The log cannot be written: "Error saving log: " and then "Error: ", each
// answered; the window is then on the desktop, and minimised.
TEST_F(MainFormDesktopTest, FailedAutomaticRunStaysMinimised)
{
    QProcessEnvironment programEnvironment = environment;
    programEnvironment.insert("NWEMU_NETWORK", dir.filePath("network.db"));
    const std::unique_ptr<QProcess> program = StartProcess(
        Program(), {"auto", "ini=" + dir.filePath("m.ini"), "log=" + dir.filePath("missing/run.log")},
        programEnvironment);
    ASSERT_TRUE(program->waitForStarted());

    QStringList answered;  // each box is a window of its own
    QString window;
    QString state;
    const bool settled = WaitFor([&] {
        if (program->state() != QProcess::Running)
            return true;  // ended: said below
        const QString box = FirstWindow({"--onlyvisible", "--name", BoxTitle});
        if (!box.isEmpty()) {
            Tool("xdotool", {"windowactivate", "--sync", box, "key", "Return"});
            if (!answered.contains(box))
                answered.append(box);
            return false;
        }
        window = FirstWindow({"--name", MainWindowTitle});
        if (answered.size() < 2 || window.isEmpty())
            return false;
        // Minimised, and still so a moment later: nothing puts the window back.
        state = Tool("xprop", {"-id", window, "WM_STATE"});
        if (!state.contains("window state: Iconic"))
            return false;
        QThread::msleep(1500);
        state = Tool("xprop", {"-id", window, "WM_STATE"});
        return true;
    });

    ASSERT_TRUE(settled) << "answered " << answered.size() << " boxes; window " << window.toStdString() << ": "
                         << state.toStdString() << "\n"
                         << program->readAllStandardError().toStdString();
    EXPECT_EQ(answered.size(), 2);
    EXPECT_TRUE(state.contains("window state: Iconic")) << state.toStdString();
    EXPECT_EQ(program->state(), QProcess::Running) << "the program stays running";
}

}  // namespace
