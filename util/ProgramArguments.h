// The process's argument list as the program reads its switches: argument 0 is
// the program's own full path. main() sets it once; tests set their own.
#pragma once

#include <string>
#include <vector>

void SetProgramArguments(std::vector<std::string> arguments);
const std::vector<std::string>& ProgramArguments();
