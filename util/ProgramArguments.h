// SPDX-License-Identifier: GPL-3.0-or-later
// The process's argument list as the program reads its switches: argument 0 is
// the program's own full path. main() sets it once; tests set their own.
#pragma once

#include <string>
#include <vector>

void SetProgramArguments(std::vector<std::string> arguments);
const std::vector<std::string>& ProgramArguments();

// For main(): takes argv as given, but argument 0 becomes the full path of the
// running program file (argv[0] may be relative or a bare name found on PATH).
void SetProgramArguments(int argc, char** argv);
