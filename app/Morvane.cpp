// Program entry: the application, its seams (message boxes, message pump, the
// emulated NetWare client) and the one main window.
#include "app/main.h"

#include "app/JobState.h"

#include "netware/NWClientBackend.h"
#include "netware/UnavailableClient.h"
#include "netware/emulated/EmulatedClient.h"
#include "util/MessageBox.h"
#include "util/ProgramArguments.h"
#include "util/QtMessageBox.h"
#include "util/QtMessagePump.h"

#include <QApplication>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace {

// Exit statuses of an automatic run, for cron jobs and service units.
constexpr int ExitDone = 0;              // the job ran; the log, when asked for, was written
constexpr int ExitRunFailed = 1;         // the run reported "Error: " or "Error saving log: "
constexpr int ExitClientNotStarted = 2;  // the NetWare client did not start; nothing was searched

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Ties the window to its desktop entry (name and icon in docks and task bars).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.morvane.Morvane"));

    std::vector<std::string> arguments;
    arguments.push_back(QCoreApplication::applicationFilePath().toLocal8Bit().toStdString());
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    SetProgramArguments(arguments);

    InstallQtMessageBoxHandler();
    InstallQtMessagePump();
    // Without its network the client cannot start: the window reports that
    // once, as its client start-up failure with the reason, and runs on
    // without connections.
    std::unique_ptr<NWClientBackend> network;
    try {
        network = OpenDefaultNetwork();
    } catch (const std::exception& e) {
        // The reason names the network once, whether or not the error did.
        const std::string path = DefaultNetworkPath();
        std::string reason = e.what();
        if (reason.find(path) == std::string::npos)
            reason = "network " + path + ": " + reason;
        network = std::make_unique<UnavailableClient>(reason);
    }
    SetClientBackend(network.get());

    int result = 0;
    {
        TMainForm mainForm;  // runs FormCreate
        mainForm.show();     // runs FormShow, and with "auto" the automatic run
        // An automatic run that finished has asked to end before the loop began.
        // One that failed leaves the window open for the user; without a screen
        // nobody could ever close it, so the process ends, reporting the failure.
        if (Job.AutoMode && !mainForm.ClientStarted())
            result = ExitClientNotStarted;  // reported at start-up; nothing was searched
        else if (mainForm.Terminated())
            result = ExitDone;
        else if (mainForm.AutomaticRunFailed() && MessageBoxesHeadless())
            result = ExitRunFailed;
        else
            result = app.exec();
    }
    SetClientBackend(nullptr);
    return result;
}
