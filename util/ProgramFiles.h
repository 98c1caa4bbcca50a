// SPDX-License-Identifier: GPL-3.0-or-later
// File names derived from the program's own path: the read-me and the default
// settings file lie beside (or are named after) the running program.
#pragma once

#include <string>

// The path with its extension replaced; "log" and ".log" mean the same, and an
// empty extension removes the old one with its dot. Only a dot after the last
// directory delimiter starts an extension.
std::string ForceExt(const std::string& path, const std::string& extension);

// ForceExt applied to argument 0, the program's own full path.
std::string ProgramFileExt(const std::string& extension);
