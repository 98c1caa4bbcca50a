// SPDX-License-Identifier: GPL-3.0-or-later
// The one place the client back end is chosen.
#include "app/ClientChoice.h"

#include <exception>

#include "netware/UnavailableClient.h"
#include "netware/emulated/EmulatedClient.h"
#include "netware/trash/TrashClient.h"
#include "util/D_Util.h"
#include "util/Switches.h"

ClientChoice CreateClientBackend()
{
    ClientChoice choice;
    const std::string client = SwitchValue("client", 1, "emulated");
    if (SameTextAscii(client, "trash")) {
        choice.backend = std::make_unique<TrashClient>(TrashClient::EnvironmentSource(SystemTrashEnvironment));
    } else if (SameTextAscii(client, "emulated")) {
        // Without its network the client cannot start: the window reports that
        // once, as its client start-up failure with the reason, and runs on
        // without connections.
        try {
            choice.backend = OpenDefaultNetwork();
        } catch (const std::exception& e) {
            // The reason names the network once, whether or not the error did.
            const std::string path = DefaultNetworkPath();
            std::string reason = e.what();
            if (reason.find(path) == std::string::npos)
                reason = "network " + path + ": " + reason;
            choice.backend = std::make_unique<UnavailableClient>(reason);
        }
    } else {
        choice.unknownClient = true;
        choice.error = "Unknown client \"" + client + "\": use client=emulated or client=trash";
    }
    return choice;
}
