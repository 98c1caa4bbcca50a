// SPDX-License-Identifier: GPL-3.0-or-later
// Program entry: the application, its seams (message boxes, message pump, the
// NetWare client the user chose) and the one main window.
#include "app/main.h"

#include "app/ClientChoice.h"
#include "app/JobState.h"

#include "netware/NWClientBackend.h"
#include "util/MessageBox.h"
#include "util/ProgramArguments.h"
#include "util/QtLoginBox.h"
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
constexpr int ExitErrorsReported = 3;    // the job ran, but an error box said a directory or file was skipped

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
    InstallQtLoginBoxHandler();
    InstallQtMessagePump();
    ClientChoice client = CreateClientBackend();
    if (client.unknownClient) {
        ShowMessage(client.error);
        return ExitClientNotStarted;
    }
    SetClientBackend(client.backend.get());

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
            result = mainForm.AutomaticRunErrors() > 0 ? ExitErrorsReported : ExitDone;
        else if (mainForm.AutomaticRunFailed() && MessageBoxesHeadless())
            result = ExitRunFailed;
        else
            result = app.exec();
    }
    SetClientBackend(nullptr);
    return result;
}
