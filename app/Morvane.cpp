// Program entry: the application, its seams (message boxes, message pump, the
// emulated NetWare client) and the one main window.
#include "app/main.h"

#include "netware/NWClientBackend.h"
#include "netware/emulated/EmulatedClient.h"
#include "util/ProgramArguments.h"
#include "util/QtMessageBox.h"
#include "util/QtMessagePump.h"

#include <QApplication>
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
    std::unique_ptr<EmulatedClient> network = OpenDefaultNetwork();
    SetClientBackend(network.get());

    int result = 0;
    {
        TMainForm mainForm;  // runs FormCreate
        mainForm.show();     // runs FormShow, and with "auto" the automatic run
        // An automatic run that finished has asked to end before the loop began.
        if (!mainForm.Terminated())
            result = app.exec();
    }
    SetClientBackend(nullptr);
    return result;
}
