// The one place the client back end is chosen.
#include "app/ClientChoice.h"

#include <exception>

#include "netware/emulated/EmulatedClient.h"
#include "netware/trash/TrashClient.h"
#include "util/D_Util.h"
#include "util/Switches.h"

ClientChoice CreateClientBackend()
{
    ClientChoice choice;
    const std::string client = SwitchValue("client", 1, "emulated");
    if (SameTextAscii(client, "trash")) {
        choice.backend = std::make_unique<TrashClient>(SystemTrashEnvironment());
    } else if (SameTextAscii(client, "emulated")) {
        // Without its network the client cannot start: the window then reports
        // that as a client start-up failure and runs on without connections.
        try {
            choice.backend = OpenDefaultNetwork();
        } catch (const std::exception& e) {
            choice.error = "Could not open the network " + DefaultNetworkPath() + ": " + e.what();
        }
    } else {
        choice.unknownClient = true;
        choice.error = "Unknown client \"" + client + "\": use client=emulated or client=trash";
    }
    return choice;
}
