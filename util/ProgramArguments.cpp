#include "util/ProgramArguments.h"

namespace {
std::vector<std::string>& Stored()
{
    static std::vector<std::string> arguments{"morvane"};
    return arguments;
}
} // namespace

void SetProgramArguments(std::vector<std::string> arguments)
{
    if (arguments.empty())
        arguments.push_back("morvane");
    Stored() = std::move(arguments);
}

const std::vector<std::string>& ProgramArguments() { return Stored(); }
