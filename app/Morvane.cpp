// Program entry: the application, its seams (message boxes, message pump, the
// NetWare client the user chose) and the one main window.
#include "app/main.h"

#include "netware/NWClientBackend.h"
#include "app/ClientChoice.h"
#include "util/MessageBox.h"
#include "util/ProgramArguments.h"
#include "util/QtMessageBox.h"
#include "util/QtMessagePump.h"

#include <QApplication>
#include <exception>
#include <memory>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);

    std::vector<std::string> arguments;
    arguments.push_back(QCoreApplication::applicationFilePath().toLocal8Bit().toStdString());
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    SetProgramArguments(arguments);

    InstallQtMessageBoxHandler();
    InstallQtMessagePump();
    ClientChoice client = CreateClientBackend();
    if (!client.error.empty())
        ShowMessage(client.error);
    if (client.unknownClient)
        return 2;
    SetClientBackend(client.backend.get());

    int result = 0;
    {
        TMainForm mainForm;  // runs FormCreate
        mainForm.show();     // runs FormShow, and with "auto" the automatic run
        // An automatic run that finished has asked to end before the loop began.
        // One that failed leaves the window open for the user; without a screen
        // nobody could ever close it, so the process ends, reporting the failure.
        if (mainForm.Terminated())
            result = 0;
        else if (mainForm.AutomaticRunFailed() && MessageBoxesHeadless())
            result = 1;
        else
            result = app.exec();
    }
    SetClientBackend(nullptr);
    return result;
}
