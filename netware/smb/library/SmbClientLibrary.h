// SPDX-License-Identifier: GPL-3.0-or-later
// libsmbclient, loaded when the SMB client is chosen. The program links its
// own forwarders for the library's functions, so starting it does not load
// the library and the Samba libraries it pulls in; only client=smb does.
#pragma once

#include <string>

// Loads libsmbclient once per process; false, with the loader's message in
// error, when it cannot be loaded. The SMB client may be used only after true.
bool LoadSmbClientLibrary(std::string& error);
