// SPDX-License-Identifier: GPL-3.0-or-later
// The default name of the settings file: the program's own file name with the
// extension ini. IniFile resolves a bare name in the user's settings folder.
#pragma once

#include <string>

// nameOnly: without the directory part, e.g. "morvane.ini".
std::string IniFileName(bool nameOnly);
