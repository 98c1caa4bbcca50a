// SPDX-License-Identifier: GPL-3.0-or-later
// Which NetWare client back end the program talks to, from the "client="
// switch: the emulated network (the default) or the trash cans of this machine.
#pragma once

#include <memory>
#include <string>

#include "netware/NWClientBackend.h"

struct ClientChoice {
    std::unique_ptr<NWClientBackend> backend;  // null only for an unknown client
    std::string error;                         // what to tell the user of an unknown client
    bool unknownClient = false;                // the switch names no client: nothing runs
};

// "client=emulated" or "client=trash", any letter case, the key abbreviable to
// "c" like the other switches. The emulated network opens from its default
// place (one that cannot be opened gives a client that fails to start, with
// the reason); the trash client sees the machine's own trash cans.
ClientChoice CreateClientBackend();
