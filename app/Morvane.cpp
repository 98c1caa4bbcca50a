// SPDX-License-Identifier: GPL-3.0-or-later
// Program entry: the application, its seams (message boxes, message pump, the
// NetWare client the user chose) and the one main window.
#include "app/main.h"

#include "app/ClientChoice.h"
#include "app/JobState.h"
#include "app/ResultLog.h"

#include "netware/NWClientBackend.h"
#include "util/MessageBox.h"
#include "util/ProgramArguments.h"
#include "util/QtLoginBox.h"
#include "util/QtMessageBox.h"
#include "util/QtMessagePump.h"
#include "util/QtWarningFilter.h"
#include "util/Switches.h"

#include <QApplication>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const Usage = R"(Usage: morvane [auto] [ini=FILE] [log=FILE] [report=FILE]
                      [client=emulated|trash|smb|windows] [servers=FILE]

Finds the salvageable deleted files below the stored start paths, lists them
and purges the matching ones. Without "auto" the window opens.

  auto            one unattended job with the stored settings, then exit
                  (status 0: done; 1: failed; 2: no client; 3: work skipped
                  or nothing to search)
  ini=FILE        the settings file (default: morvane.ini in $XDG_CONFIG_HOME)
  log=FILE        write the result list to FILE after each job
  report=FILE     write a JSON Lines record of each job to FILE (shortest
                  form rep=): one object per listed file, then the totals
  client=emulated the emulated NetWare network (the default)
  client=trash    the desktop trash cans of this machine (as root: every user's)
  client=smb      the recycle bins of SMB servers
  client=windows  the recycle bins of Windows drives mounted here
  servers=FILE    the SMB servers (default: morvane/servers.ini in
                  $XDG_CONFIG_HOME)
  --help          this text
  --version       the program's version

See morvane(1).
)";

// --help and --version are answered before any window system is needed, so
// they work without a display.
bool AnsweredInformationRequest(int argc, char** argv, int& status)
{
    if (argc != 2)
        return false;
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(Usage, stdout);
    } else if (std::strcmp(argv[1], "--version") == 0) {
        std::puts("morvane " MORVANE_VERSION);
    } else {
        return false;
    }
    status = std::fflush(stdout) == 0 ? 0 : 1;
    return true;
}

// An automatic run that searched nothing leaves an empty log, so that no
// earlier run's results pass for this one's.
void EmptyTheLog()
{
    const std::string logPath = SwitchValue("log", 1, "");
    if (logPath.empty())
        return;
    try {
        SaveResultLog(std::vector<std::string>{}, logPath);
    } catch (const std::exception& e) {
        ShowMessage(std::string("Error saving log: ") + e.what());
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (int status = 0; AnsweredInformationRequest(argc, argv, status))
        return status;
    // Known before the application starts, which already has things to say.
    SetProgramArguments(std::vector<std::string>(argv, argv + argc));
    InstallQtWarningFilter(SwitchGiven("auto", 2));
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
        if (SwitchGiven("auto", 2))
            EmptyTheLog();
        return AutomaticExitClientNotStarted;
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
            result = AutomaticExitClientNotStarted;  // reported at start-up; nothing was searched
        else if (mainForm.Terminated())
            result = mainForm.AutomaticRunSkipped() > 0 ? AutomaticExitWorkSkipped : AutomaticExitDone;
        else if (mainForm.AutomaticRunFailed() && MessageBoxesHeadless())
            result = AutomaticExitRunFailed;
        else
            result = app.exec();
    }
    SetClientBackend(nullptr);
    return result;
}
