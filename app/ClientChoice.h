// SPDX-License-Identifier: GPL-3.0-or-later
// Which NetWare client back end the program talks to, from the "client="
// switch: the emulated network (the default), the trash cans of this machine,
// the recycle bins of SMB servers, or those of the Windows drives mounted here.
#pragma once

#include <memory>
#include <string>

#include "netware/NWClientBackend.h"

struct ClientChoice {
    std::unique_ptr<NWClientBackend> backend;  // null only for an unknown client
    std::string error;                         // what to tell the user of an unknown client
    bool unknownClient = false;                // the switch names no client: nothing runs
};

// "client=emulated", "client=trash", "client=smb" or "client=windows" (down to
// "client=w"), any letter case, the key abbreviable to "c" like the other
// switches. The emulated network opens from
// its default place (one that cannot be opened gives a client that fails to
// start, with the reason); the trash client sees the machine's own trash cans;
// the SMB client the servers of the servers file ("servers=FILE", else
// $XDG_CONFIG_HOME/morvane/servers.ini) and of the cifs mounts; the Windows
// client the recycle bins of the mount table's file systems.
ClientChoice CreateClientBackend();

// What the start-up message says when client=smb finds no server: where
// servers are set up and where that is described.
std::string NoSmbServerText(const std::string& serversFile);

// The line the folder tree shows instead of folders when the chosen client did
// not start: its start paths could only be the client's own folders. Empty for
// the emulated network, whose tree keeps its local root then.
std::string FolderTreeNoteWithoutClient();
